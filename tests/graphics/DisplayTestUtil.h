#pragma once

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/DisplayHost.h"
#include "framework/graphics/ImageContext.h"
#include "framework/platform/ResultCode.h"
#include "framework/platform/display/MemoryDisplayDriver.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel::Testing {

// The application's side of the display, with every answer settable.
class TestHost : public DisplayHost {
public:
    int32_t DisplayWidth() const override { return width; }
    int32_t DisplayHeight() const override { return height; }
    int32_t FullScreenBitDepth() const override { return fullScreenDepth; }
    bool WaitForVSync() const override { return waitForVSync; }
    bool UsesPageFlipping() const override { return pageFlipping; }
    bool SystemDialogActive() const override { return systemDialog; }
    bool Wants3DTest() const override { return wants3DTest; }
    void Fresh3DTestHook() override { ++fresh3DResults; }
    void RefreshRateUnreliable() override { ++unreliableRates; }
    void HardwareError(const std::string& text) override { hardwareErrors.push_back(text); }
    bool ReadSetting(const std::string& name, uint32_t& type, std::vector<uint8_t>& data) override {
        auto found = settings.find(name);
        if (found == settings.end()) return false;
        type = found->second.first;
        data = found->second.second;
        return true;
    }
    bool WriteSetting(const std::string& name, uint32_t type, const void* data, size_t length) override {
        const auto* bytes = static_cast<const uint8_t*>(data);
        settings[name] = {type, std::vector<uint8_t>(bytes, bytes + length)};
        return true;
    }

    int32_t width = 320;
    int32_t height = 200;
    int32_t fullScreenDepth = 32;
    bool waitForVSync = false;
    bool pageFlipping = true;
    bool systemDialog = false;
    bool wants3DTest = false;
    int fresh3DResults = 0;
    int unreliableRates = 0;
    std::vector<std::string> hardwareErrors;
    std::map<std::string, std::pair<uint32_t, std::vector<uint8_t>>> settings;
};

// A display driver that passes everything to a memory driver, except the calls a test wants to fail,
// and that can report a scan line.
class FaultyDriver : public DisplayDriver {
public:
    explicit FaultyDriver(std::unique_ptr<MemoryDisplayDriver> inner) : mInner(std::move(inner)) {}

    // Fails the nth (0-based) call of the operation with the code.
    std::map<std::pair<std::string, int>, uint32_t> failures;
    // Makes full-screen primaries without their back buffer.
    bool dropBackBuffer = false;
    // Answers GetScanLine when set; called once per poll.
    std::function<uint32_t(uint32_t&)> scanLine;
    int scanLinePolls = 0;
    int verticalBlankWaits = 0;

    MemoryDisplayDriver& Inner() { return *mInner; }

    uint32_t SetCooperativeLevel(WindowId window, uint32_t flags) override {
        if (uint32_t code = Injected("SetCooperativeLevel")) return code;
        return mInner->SetCooperativeLevel(window, flags);
    }
    uint32_t SetDisplayMode(int width, int height, int bits) override {
        if (uint32_t code = Injected("SetDisplayMode")) return code;
        return mInner->SetDisplayMode(width, height, bits);
    }
    uint32_t RestoreDisplayMode() override { return mInner->RestoreDisplayMode(); }
    uint32_t CreateSurface(const SurfaceRequest& request, std::shared_ptr<Surface>& out) override {
        if (uint32_t code = Injected("CreateSurface")) return code;
        if (dropBackBuffer && (request.caps & SurfaceCaps::Flip))
            return mInner->CreateSurface(SurfaceRequest::Primary(), out);
        return mInner->CreateSurface(request, out);
    }
    uint32_t CreateClipper(std::shared_ptr<Clipper>& out) override {
        if (uint32_t code = Injected("CreateClipper")) return code;
        return mInner->CreateClipper(out);
    }
    uint32_t GetMonitorFrequency(uint32_t& hertz) override {
        if (uint32_t code = Injected("GetMonitorFrequency")) return code;
        return mInner->GetMonitorFrequency(hertz);
    }
    uint32_t GetScanLine(uint32_t& line) override {
        ++scanLinePolls;
        return scanLine ? scanLine(line) : mInner->GetScanLine(line);
    }
    uint32_t WaitForVerticalBlank(uint32_t flags) override {
        ++verticalBlankWaits;
        return mInner->WaitForVerticalBlank(flags);
    }
    PixelPoint ClientOrigin(WindowId window) override { return mInner->ClientOrigin(window); }
    int32_t ScreenHeight() override { return mInner->ScreenHeight(); }
    uint32_t CreateGpuDevice(std::unique_ptr<GpuDevice>& out) override {
        return mInner->CreateGpuDevice(out);
    }

private:
    uint32_t Injected(const std::string& operation) {
        const int call = mCalls[operation]++;
        auto found = failures.find({operation, call});
        return found == failures.end() ? 0 : found->second;
    }

    std::unique_ptr<MemoryDisplayDriver> mInner;
    std::map<std::string, int> mCalls;
};

// A headless desktop whose display drivers are FaultyDrivers, configured before each set-up.
class FaultyDesktop : public HeadlessWindowSystem {
public:
    using HeadlessWindowSystem::HeadlessWindowSystem;

    std::function<void(FaultyDriver&)> configure;
    uint32_t creationFailure = 0;
    FaultyDriver* lastDriver = nullptr;

    uint32_t CreateDisplayDriver(std::unique_ptr<DisplayDriver>& out) override {
        if (creationFailure) return creationFailure;
        std::unique_ptr<DisplayDriver> inner;
        HeadlessWindowSystem::CreateDisplayDriver(inner);
        auto driver = std::make_unique<FaultyDriver>(
            std::unique_ptr<MemoryDisplayDriver>(static_cast<MemoryDisplayDriver*>(inner.release())));
        if (configure) configure(*driver);
        lastDriver = driver.get();
        out = std::move(driver);
        return ResultCode::Ok;
    }
};

// Everything a display device needs, headless, with a window of the host's size.
struct HeadlessDisplay {
    explicit HeadlessDisplay(DisplayOptions options = {}, int32_t width = 320, int32_t height = 200)
        : windows(clock, std::move(options)) {
        host.width = width;
        host.height = height;
        WindowDesc desc;
        desc.clientWidth = host.width;
        desc.clientHeight = host.height;
        window = windows.CreateWindow(desc);
        device = std::make_unique<DDInterface>(host, images, windows, clock);
    }
    ~HeadlessDisplay() { device.reset(); }

    DDInterface::Result Init(bool windowed = true) { return device->InitDevice(window, windowed); }
    FaultyDriver& Driver() { return *windows.lastDriver; }
    std::shared_ptr<Surface> Screen() { return Driver().Inner().Primary(); }

    ManualClock clock{1000};
    TestHost host;
    ImageContext images;
    FaultyDesktop windows;
    WindowId window = 0;
    std::unique_ptr<DDInterface> device;
};

} // namespace Zorbel::Testing
