#pragma once

#include "framework/platform/Clipper.h"
#include "framework/platform/GpuDevice.h"
#include "framework/platform/PixelFormat.h"
#include "framework/platform/WindowMessage.h"
#include "framework/platform/display/Surface.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace Zorbel {

// How a display driver shares the screen.
namespace CooperativeLevel {
constexpr uint32_t FullScreen = 0x1;
constexpr uint32_t Normal = 0x8;
constexpr uint32_t Exclusive = 0x10;
} // namespace CooperativeLevel

// Flags of DisplayDriver::WaitForVerticalBlank.
namespace VerticalBlank {
constexpr uint32_t BlockBegin = 0x1;
} // namespace VerticalBlank

// What CreateSurface should make.
struct SurfaceRequest {
    uint32_t caps = SurfaceCaps::Offscreen | SurfaceCaps::SystemMemory;
    int width = 0; // off-screen surfaces only: a primary has the size of what it shows
    int height = 0;
    int backBufferCount = 0;           // a flipping primary's back buffers (one is supported)
    std::optional<PixelFormat> format; // off-screen surfaces: the primary's layout when not given

    static SurfaceRequest Primary(uint32_t extraCaps = 0) {
        SurfaceRequest request;
        request.caps = SurfaceCaps::Primary | extraCaps;
        return request;
    }
    // A primary with one back buffer to flip with.
    static SurfaceRequest FlippingPrimary(uint32_t extraCaps = 0) {
        SurfaceRequest request = Primary(SurfaceCaps::Flip | SurfaceCaps::Complex | extraCaps);
        request.backBufferCount = 1;
        return request;
    }
    static SurfaceRequest Offscreen(int width, int height, uint32_t memoryCaps = SurfaceCaps::SystemMemory) {
        SurfaceRequest request;
        request.caps = SurfaceCaps::Offscreen | memoryCaps;
        request.width = width;
        request.height = height;
        return request;
    }
};

// The display: the screen's surfaces and how frames reach the screen. One driver serves one window at a
// time. The primary surface is the window's client area (or the whole screen in full-screen mode);
// whatever is blitted or flipped onto it is shown. Every operation returns a code of ResultCode.h.
class DisplayDriver {
public:
    virtual ~DisplayDriver() = default;

    // Normal co-operation for a window on the desktop; Exclusive | FullScreen to own the screen.
    [[nodiscard]] virtual uint32_t SetCooperativeLevel(WindowId window, uint32_t flags) = 0;
    // Needs exclusive full-screen co-operation. Depths of 16 and 32 bits are offered.
    [[nodiscard]] virtual uint32_t SetDisplayMode(int width, int height, int bitsPerPixel) = 0;
    virtual uint32_t RestoreDisplayMode() = 0;

    [[nodiscard]] virtual uint32_t CreateSurface(const SurfaceRequest& request,
                                                 std::shared_ptr<Surface>& out) = 0;
    [[nodiscard]] virtual uint32_t CreateClipper(std::shared_ptr<Clipper>& out) = 0;

    // The refresh rate of the current mode in Hz; 0 when the display does not say.
    [[nodiscard]] virtual uint32_t GetMonitorFrequency(uint32_t& hertz) = 0;
    // The line the display is scanning out. Most displays cannot tell and return Unsupported.
    [[nodiscard]] virtual uint32_t GetScanLine(uint32_t& line) = 0;
    // Makes the next presentation wait for the vertical blank.
    [[nodiscard]] virtual uint32_t WaitForVerticalBlank(uint32_t flags) = 0;

    // Where the window's client area lies on the primary surface, and the primary's height: the
    // coordinates of blits onto the primary are screen coordinates.
    virtual PixelPoint ClientOrigin(WindowId window) = 0;
    virtual int32_t ScreenHeight() = 0;

    // The graphics hardware behind the window given to SetCooperativeLevel, for the hardware 3D path.
    // The device draws into the same window, so it must be released before the driver.
    [[nodiscard]] virtual uint32_t CreateGpuDevice(std::unique_ptr<GpuDevice>& out) = 0;
};

} // namespace Zorbel
