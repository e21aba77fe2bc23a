#pragma once

#include "framework/platform/Clipper.h"
#include "framework/platform/PixelFormat.h"
#include "framework/platform/PixelRect.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace Zorbel {

// What a surface is and where it lives.
namespace SurfaceCaps {
constexpr uint32_t Primary = 0x1;
constexpr uint32_t BackBuffer = 0x2;
constexpr uint32_t Offscreen = 0x4;
constexpr uint32_t SystemMemory = 0x8;
constexpr uint32_t VideoMemory = 0x10;
constexpr uint32_t Flip = 0x20;
constexpr uint32_t Complex = 0x40;
constexpr uint32_t Device3D = 0x80;
} // namespace SurfaceCaps

// Flags of Surface::Blt.
namespace BltFlags {
constexpr uint32_t KeySource = 0x8000; // skip source pixels equal to the source's colour key
constexpr uint32_t Wait = 0x1000000;   // accepted for compatibility: surfaces here are never busy drawing
} // namespace BltFlags

// A locked surface's memory: row y starts at pixels + y * pitch.
struct SurfaceLock {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
    PixelFormat format;
};

class Surface;

// Shows a primary surface on the screen whenever its pixels change.
class SurfacePresenter {
public:
    virtual ~SurfacePresenter() = default;
    virtual void Present(Surface& primary, const PixelRect& area) = 0;
};

// A rectangle of pixels in one of the native layouts, in system memory. Surfaces are shared between the
// display device and the images that borrow them, so they are held by std::shared_ptr. Operations return
// the codes of ResultCode.h. A surface is not thread-safe: its users serialise access (the display
// device's lock).
class Surface {
public:
    // Checks the size and the layout and allocates zero-filled pixels.
    [[nodiscard]] static uint32_t Create(int width, int height, const PixelFormat& format, uint32_t caps,
                                         std::shared_ptr<Surface>& out);

    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    ~Surface();

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int Pitch() const { return mPitch; }
    const PixelFormat& Format() const { return mFormat; }
    uint32_t Caps() const { return mCaps; }
    bool IsPrimary() const { return (mCaps & SurfaceCaps::Primary) != 0; }
    PixelRect Bounds() const { return {0, 0, mWidth, mHeight}; }

    // One lock at a time: a second Lock before Unlock is refused as busy.
    [[nodiscard]] uint32_t Lock(SurfaceLock& out);
    uint32_t Unlock();
    bool IsLocked() const { return mLocked; }

    // Copies source's srcRect (all of it when null) to destRect of this surface (all of it when null),
    // stretching by nearest sample when the sizes differ. Both surfaces must share one layout and neither
    // may be locked. Rectangles must lie inside their surfaces, except that a clipper on this surface
    // clips the destination.
    [[nodiscard]] uint32_t Blt(const PixelRect* destRect, Surface* source, const PixelRect* srcRect,
                               uint32_t flags);
    // Fills destRect (all when null) with a native pixel value.
    [[nodiscard]] uint32_t ColorFill(const PixelRect* destRect, uint32_t value);

    // The source colour key, compared with the colour bits of each source pixel.
    uint32_t SetColorKey(std::optional<uint32_t> key);
    std::optional<uint32_t> ColorKey() const { return mColorKey; }

    uint32_t SetClipper(std::shared_ptr<Clipper> clipper);
    const std::shared_ptr<Clipper>& GetClipper() const { return mClipper; }

    // A flipping primary's back buffer.
    [[nodiscard]] uint32_t GetAttachedSurface(std::shared_ptr<Surface>& out) const;
    void AttachBackBuffer(std::shared_ptr<Surface> backBuffer);
    // Exchanges the pixels of a flipping primary and its back buffer and shows the new front.
    [[nodiscard]] uint32_t Flip();

    // A surface loses its pixels when the window it shows goes away; every operation then fails with
    // SurfaceLost.
    bool IsLost() const { return mLost; }
    void MarkLost() { mLost = true; }

    void SetPresenter(SurfacePresenter* presenter) { mPresenter = presenter; }

    // Direct access for the display layer and tests (bypasses the lock).
    uint8_t* Row(int y) { return mPixels.data() + static_cast<size_t>(y) * static_cast<size_t>(mPitch); }
    const uint8_t* Row(int y) const {
        return mPixels.data() + static_cast<size_t>(y) * static_cast<size_t>(mPitch);
    }
    uint32_t PixelAt(int x, int y) const;
    void SetPixelAt(int x, int y, uint32_t value);

private:
    Surface(int width, int height, const PixelFormat& format, uint32_t caps);

    uint32_t CheckUsable() const;
    bool ClipToSurface(PixelRect& rect) const;
    void Presented(const PixelRect& area);

    int mWidth;
    int mHeight;
    int mPitch;
    PixelFormat mFormat;
    uint32_t mCaps;
    std::vector<uint8_t> mPixels;
    bool mLocked = false;
    bool mLost = false;
    std::optional<uint32_t> mColorKey;
    std::shared_ptr<Clipper> mClipper;
    std::shared_ptr<Surface> mBackBuffer;
    SurfacePresenter* mPresenter = nullptr;
};

} // namespace Zorbel
