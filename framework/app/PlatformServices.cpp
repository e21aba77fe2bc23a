#include "framework/app/PlatformServices.h"

#include "framework/platform/files/FileSettingsStore.h"
#include "framework/platform/time/RealClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"
#include "framework/platform/window/SdlWindowSystem.h"

namespace Zorbel {

PlatformServices::PlatformServices(const AppPlatform& platform) {
    if (platform.clock) {
        mClock = platform.clock;
    } else {
        mOwnedClock = std::make_unique<RealClock>();
        mClock = mOwnedClock.get();
    }
    if (platform.settingsStore) {
        mSettingsStore = platform.settingsStore;
    } else {
        mOwnedSettingsStore = std::make_unique<FileSettingsStore>();
        mSettingsStore = mOwnedSettingsStore.get();
    }
    if (platform.windowSystem) {
        mWindowSystem = platform.windowSystem;
    } else {
        std::unique_ptr<SdlWindowSystem> system = SdlWindowSystem::Create(*mClock, {}, &mWindowSystemError);
        if (system) {
            mOwnedWindowSystem = std::move(system);
        } else {
            mWindowSystemMissing = true;
            mOwnedWindowSystem = std::make_unique<HeadlessWindowSystem>(*mClock);
        }
        mWindowSystem = mOwnedWindowSystem.get();
    }
}

PlatformServices::~PlatformServices() = default;

} // namespace Zorbel
