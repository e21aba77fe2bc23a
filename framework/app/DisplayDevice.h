#pragma once

#include "framework/graphics/Rect.h"
#include "framework/platform/WindowMessage.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Zorbel {

class MemoryImage;

// Results of DisplayDevice::InitDevice.
namespace DisplayResult {
constexpr uint32_t Ok = 0;
constexpr uint32_t Fail = 1;
constexpr uint32_t CreateFail = 2;
constexpr uint32_t SurfaceFail = 3;
constexpr uint32_t ExclusiveFail = 4;
constexpr uint32_t DisplayChangeFail = 5;
constexpr uint32_t InvalidColorDepth = 6;
constexpr uint32_t HardwareFail = 7;
} // namespace DisplayResult

// The name of a set-up result, as the start-up failure message shows it.
std::string DisplayResultText(uint32_t result);

// Texture formats of the hardware path, in the order the developer reports list them.
enum class TextureFormat : uint8_t { A8R8G8B8, A4R4G4B4, R5G6B5, Palette8 };
constexpr int TextureFormatCount = 4;
// "A8R8G8B8", "A4R4G4B4", "R5G6B5" or "Palette8".
const char* TextureFormatName(TextureFormat format);

// The texture a picture has on the hardware path.
struct TextureUse {
    TextureFormat format = TextureFormat::A8R8G8B8;
    uint64_t bytes = 0;
};

// What the 3D tester made of this machine: no failure and no warning, only a warning, or a failure
// (or no test at all).
enum class HardwareVerdict : uint8_t { Recommended, Supported, Unsupported };

// Video memory in bytes; zero when the device cannot tell.
struct VideoMemory {
    uint64_t total = 0;
    uint64_t free = 0;
};

// What the application needs of the display device: setting it up on a window, presenting the screen
// image, the software cursor, the lock that guards every display object, and making images that live
// on the device. The application owns one; the main loop never sees more than this, so it runs against
// a stand-in in tests.
class DisplayDevice {
public:
    virtual ~DisplayDevice() = default;

    // Releases whatever the device had and sets it up on the window; a DisplayResult.
    [[nodiscard]] virtual uint32_t InitDevice(WindowId window, bool windowed) = 0;
    virtual void ReleaseDevice() = 0;
    // Presents the screen image (the clip rectangle of it, or all of it); false when the display was lost.
    [[nodiscard]] virtual bool Redraw(const Rect* clip) = 0;
    // The image every frame is drawn into; null until set up.
    virtual MemoryImage* GetScreenImage() = 0;
    // Hands the screen back to the desktop so a system window can show over a full-screen game.
    virtual void ReleaseScreenForSystem() = 0;

    // A new empty image that lives on this device.
    virtual std::unique_ptr<MemoryImage> CreateImage() = 0;

    virtual int32_t GetRefreshRate() const = 0;
    virtual int32_t GetMillisecondsPerFrame() const = 0;
    virtual bool Is3D() const = 0;
    virtual void Set3D(bool on) = 0;
    // The hardware 3D path reported a failing call during this run.
    virtual bool HadHardwareProblems() const { return false; }
    // How many calls of the hardware 3D path failed during this run.
    virtual int32_t HardwareErrorCount() const { return 0; }
    virtual void SetAlphaDisabled(bool disabled) = 0;
    virtual bool IsWindowed() const = 0;

    // The software cursor: its picture (null for the system cursor; true when that changed what is
    // drawn), moving it at once, and noting the position for the next present.
    virtual bool ChooseSoftCursor(MemoryImage* image) = 0;
    virtual void MoveSoftCursor(int32_t x, int32_t y) = 0;
    virtual void SetSoftCursorPosition(int32_t x, int32_t y) = 0;

    // The re-entrant lock that guards the display objects, the screen image and the cursor.
    virtual std::recursive_mutex& GetLock() = 0;

    // The text of the last failure, and the device's lines of the information text.
    virtual std::string GetErrorText() const = 0;
    virtual std::string GetInfoText() const = 0;

    // --- For the developer reports ---
    // The last frame drawn, read back from the screen's surface as opaque 0xAARRGGBB rows; false when
    // there is no screen or its pixels cannot be read.
    [[nodiscard]] virtual bool ReadScreen(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);
    // The picture's texture on the hardware path; false when it has none.
    virtual bool GetTextureUse(const MemoryImage&, TextureUse&) { return false; }
    virtual VideoMemory GetVideoMemory() { return {}; }
    virtual HardwareVerdict Get3DVerdict() const { return HardwareVerdict::Unsupported; }

protected:
    // The picture's pixels, made opaque, with its size; false when it has none to give.
    static bool CopyOpaque(MemoryImage& image, std::vector<uint32_t>& pixels, int32_t& width,
                           int32_t& height);
};

} // namespace Zorbel
