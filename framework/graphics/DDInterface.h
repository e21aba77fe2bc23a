#pragma once

#include "framework/graphics/NativeDisplay.h"
#include "framework/graphics/Rect.h"
#include "framework/platform/DisplayDriver.h"
#include "framework/platform/WindowMessage.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace Zorbel {

class Clock;
class D3DInterface;
class D3DTester;
class DDImage;
class DisplayHost;
class ImageContext;
class MemoryImage;
class WindowSystem;

// The display device: sets up the screen in a window or full screen, owns the primary surface, the
// draw surface every frame is drawn into (wrapped by the screen image), an optional back buffer and
// the two areas behind the software cursor, and presents finished frames. As a NativeDisplay it
// describes the screen's pixel layout to the images.
//
// Everything is guarded by one re-entrant lock (Lock()), since the cursor thread moves the software
// cursor while the main thread draws and presents. The host, the image context, the window system and
// the clock are borrowed and must outlive the device.
class DDInterface : public NativeDisplay {
public:
    enum Result : int32_t {
        RESULT_OK = 0,
        RESULT_FAIL = 1,
        RESULT_DD_CREATE_FAIL = 2,
        RESULT_SURFACE_FAIL = 3,
        RESULT_EXCLUSIVE_FAIL = 4,
        RESULT_DISPCHANGE_FAIL = 5,
        RESULT_INVALID_COLORDEPTH = 6,
        RESULT_3D_FAIL = 7,
    };

    // The size of each saved area behind the software cursor.
    static constexpr int32_t CursorAreaSize = 64;

    DDInterface(DisplayHost& host, ImageContext& images, WindowSystem& windows, Clock& clock);
    DDInterface(const DDInterface&) = delete;
    DDInterface& operator=(const DDInterface&) = delete;
    ~DDInterface();

    // Sets the device up for the window, releasing whatever was set up before. Stops at the first
    // failing step with its text in ErrorText() and returns the step's result.
    Result InitDevice(WindowId window, bool windowed);
    void ReleaseDevice();
    // Presents the screen image (all of it, or the rectangle); false before set-up or when the
    // presentation failed.
    bool Redraw(const Rect* rect = nullptr);
    // Draws frames straight into a video-memory surface instead of the system-memory draw surface.
    void SelectVideoOnlyDrawing(bool on);
    // The picture drawn as the mouse cursor, centred on the pointer; null for the system cursor.
    // True when the choice changed.
    bool ChooseSoftCursor(MemoryImage* image);
    void MoveSoftCursor(int32_t x, int32_t y);
    // Only notes the position: the next presentation draws the cursor there.
    void SetSoftCursorPosition(int32_t x, int32_t y) {
        mNewCursorX = x;
        mNewCursorY = y;
    }
    static std::string ResultText(int32_t result);

    // --- State ---
    std::recursive_mutex& Lock() { return mLock; }
    bool IsInitialized() const { return mInitialized; }
    bool IsWindowed() const { return mWindowed; }
    WindowId Window() const { return mWindow; }
    int32_t Width() const { return mWidth; }
    int32_t Height() const { return mHeight; }
    int32_t RefreshRate() const { return mRefreshRate; }
    int32_t MillisecondsPerFrame() const { return mMillisecondsPerFrame; }
    int32_t SetupCount() const { return mSetupCount; }
    const std::string& ErrorText() const { return mErrorText; }
    // The picture that frames are drawn into; replaced by every set-up.
    DDImage* GetScreenImage() const { return mScreenImage.get(); }
    bool IsVideoOnly() const { return mVideoOnly; }
    bool IsCursorShown() const { return mCursorShown; }

    // 3D: the application's wish (set before set-up) and whether drawing goes through the hardware
    // path, which set-up decides.
    bool Is3DEnabled() const { return m3DEnabled; }
    void Set3DEnabled(bool on) { m3DEnabled = on; }
    D3DInterface& Hardware() { return *mD3D; }
    DisplayHost& Host() { return mHost; }
    const D3DTester* Tester() const { return mTester.get(); }

    // The layout tables: add tables of 2^bits * 2 - 1 entries (entry i = min(i, 2^bits - 1)) and
    // conversion tables of 256 entries ((mask * i / 255) & mask), for red, green and blue.
    const std::vector<int32_t>& AddTable(int channel) const {
        return mAddTables[static_cast<size_t>(channel)];
    }
    const std::array<int32_t, 256>& ConversionTable(int channel) const {
        return mConversionTables[static_cast<size_t>(channel)];
    }

    // --- For surface images ---
    DisplayDriver* Driver() const { return mDriver.get(); }
    const std::shared_ptr<Surface>& PrimarySurface() const { return mPrimary; }
    const std::shared_ptr<Surface>& DrawSurface() const { return mDrawSurface; }
    const std::shared_ptr<Surface>& BackBuffer() const { return mBackBuffer; }
    ImageContext& Images() const { return mImages; }
    bool IsCursorAreaImage(const DDImage* image) const;
    void RegisterImage(DDImage* image);
    void DeregisterImage(DDImage* image);
    size_t SurfaceImageCount();

private:
    Result Fail(const char* step, uint32_t code, Result result);
    Result CreateWindowedSurfaces(std::shared_ptr<Clipper>& clipper);
    Result CreateFullScreenSurfaces(std::shared_ptr<Clipper>& clipper);
    void RunTesterIfWanted();
    // Brings the hardware path's frame into the draw surface; false when a hardware call failed.
    bool Finish3DFrame();
    void ReadRefreshRate();
    Result CreateCursorAreas();
    void BuildTables();

    uint32_t PresentWindowed(const PixelRect& source, const PixelRect& dest);
    uint32_t BeamChasingBlit(const PixelRect& source, const PixelRect& dest);
    uint32_t PresentFlipping(const PixelRect& source);

    // The software cursor, drawn onto a surface at the new position and removed again.
    bool DrawSoftCursor(Surface& target);
    void RemoveSoftCursor(Surface& target);
    PixelPoint OriginOn(const Surface& target);

    DisplayHost& mHost;
    ImageContext& mImages;
    WindowSystem& mWindows;
    Clock& mClock;
    std::unique_ptr<D3DInterface> mD3D;
    std::unique_ptr<D3DTester> mTester;
    bool m3DEnabled = false;
    std::recursive_mutex mLock;
    std::atomic<bool> mInRedraw{false};
    std::unique_ptr<DisplayDriver> mDriver;
    std::shared_ptr<Surface> mPrimary;
    std::shared_ptr<Surface> mBackBuffer;
    std::shared_ptr<Surface> mDrawSurface;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mFullScreenBitDepth = 32;
    // Set under the lock by set-up, read without it by the cursor thread.
    std::atomic<int32_t> mRefreshRate{60};
    std::atomic<int32_t> mMillisecondsPerFrame{16};
    std::array<std::vector<int32_t>, 3> mAddTables;
    std::array<std::array<int32_t, 256>, 3> mConversionTables{};
    bool mInitialized = false;
    WindowId mWindow = 0;
    bool mWindowed = true;
    std::unique_ptr<DDImage> mScreenImage;
    std::unordered_set<DDImage*> mSurfaceImages;
    bool mVideoOnly = false;
    int32_t mSetupCount = 0;
    // Written by the cursor thread without the lock.
    std::atomic<int32_t> mNewCursorX{0};
    std::atomic<int32_t> mNewCursorY{0};
    int32_t mShownCursorX = 0;
    int32_t mShownCursorY = 0;
    MemoryImage* mCursorImage = nullptr;
    bool mCursorShown = false;
    PixelRect mCursorArea; // the saved area, in window coordinates
    std::shared_ptr<Surface> mOldCursorSurface;
    std::shared_ptr<Surface> mNewCursorSurface;
    std::unique_ptr<DDImage> mOldCursorImage;
    std::unique_ptr<DDImage> mNewCursorImage;
    int32_t mVsyncTimeouts = 0;
    std::string mErrorText;
};

} // namespace Zorbel
