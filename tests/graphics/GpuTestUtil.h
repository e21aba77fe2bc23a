#pragma once

#include "DisplayTestUtil.h"

#include "framework/graphics/D3DTester.h"
#include "framework/platform/SettingsStore.h"

#include "framework/platform/display/SdlDisplayDriver.h"
#include "framework/platform/window/SdlWindowSystem.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace Zorbel::Testing {

// Three settings-store values that make the 3D tester take an earlier verdict of "usable" for the
// fake GPU, so that tests of the drawing path start with 3D on without drawing the test scenes.
inline void StoreUsableVerdict(TestHost& host, const GpuInfo& info) {
    const int32_t version = 2, minimum = host.MinVideoMemoryMB(), recommended = host.RecVideoMemoryMB();
    const auto id = D3DTester::MakeIdentifier(info.vendor, info.renderer, info.version);
    (void)host.WriteSetting("Test3D\\Version", SettingsStore::TYPE_DWORD, &version, 4);
    (void)host.WriteSetting("Test3D\\MinVidMemory", SettingsStore::TYPE_DWORD, &minimum, 4);
    (void)host.WriteSetting("Test3D\\RecVidMemory", SettingsStore::TYPE_DWORD, &recommended, 4);
    (void)host.WriteSetting("Test3D\\DisplayGUID", SettingsStore::TYPE_BINARY, id.data(), id.size());
    (void)host.WriteSetting("Test3D\\FailureReason", SettingsStore::TYPE_STRING, "", 1);
    (void)host.WriteSetting("Test3D\\Warning", SettingsStore::TYPE_STRING, "", 1);
}

// A real window whose renderer draws with OpenGL (Mesa under Xvfb, the driver on a desktop), or the
// reason there is none: SDL's headless video driver, for one, has no OpenGL.
struct GlWindow {
    GlWindow(int32_t width = 320, int32_t height = 200) {
        host.width = width;
        host.height = height;
        std::string error;
        windows = SdlWindowSystem::Create(clock, DisplayOptions{}, &error);
        if (!windows) {
            reason = "no SDL video: " + error;
            return;
        }
        WindowDesc desc;
        desc.title = "GPU test";
        desc.clientWidth = width;
        desc.clientHeight = height;
        window = windows->CreateWindow(desc);
        std::unique_ptr<GpuDevice> gpu;
        if (windows->CreateDisplayDriver(driver) != ResultCode::Ok || !driver ||
            driver->SetCooperativeLevel(window, CooperativeLevel::Normal) != ResultCode::Ok ||
            driver->CreateGpuDevice(gpu) != ResultCode::Ok) {
            reason = "no renderer on this display";
            return;
        }
        if (gpu->Info().vendor == "SDL") {
            reason = "no OpenGL context can be made here (renderer: " + gpu->Info().renderer + ")";
            return;
        }
        ok = true;
    }
    ~GlWindow() {
        driver.reset();
        windows.reset();
    }

    ManualClock clock{1000};
    TestHost host;
    std::unique_ptr<SdlWindowSystem> windows;
    std::unique_ptr<DisplayDriver> driver;
    WindowId window = 0;
    bool ok = false;
    std::string reason;
};

} // namespace Zorbel::Testing
