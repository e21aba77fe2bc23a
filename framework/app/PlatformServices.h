#pragma once

#include "framework/app/AppPlatform.h"

#include <memory>
#include <string>

namespace Zorbel {

class Clock;
class SettingsStore;
class WindowSystem;

// The outside world of an application: the services its AppPlatform lends, and its own for those it
// does not (the real clock, the settings file, the desktop's window system). A desktop that cannot be
// reached is replaced by one in memory, so that nothing else fails, and remembered for Init to tell.
class PlatformServices {
public:
    explicit PlatformServices(const AppPlatform& platform);
    PlatformServices(const PlatformServices&) = delete;
    PlatformServices& operator=(const PlatformServices&) = delete;
    ~PlatformServices();

    Clock& GetClock() { return *mClock; }
    WindowSystem& GetWindowSystem() { return *mWindowSystem; }
    SettingsStore& GetSettingsStore() { return *mSettingsStore; }

    bool IsWindowSystemMissing() const { return mWindowSystemMissing; }
    // Why the desktop's window system could not be started.
    const std::string& GetWindowSystemError() const { return mWindowSystemError; }

private:
    std::unique_ptr<Clock> mOwnedClock;
    std::unique_ptr<WindowSystem> mOwnedWindowSystem;
    std::unique_ptr<SettingsStore> mOwnedSettingsStore;
    Clock* mClock = nullptr;
    WindowSystem* mWindowSystem = nullptr;
    SettingsStore* mSettingsStore = nullptr;
    bool mWindowSystemMissing = false;
    std::string mWindowSystemError;
};

} // namespace Zorbel
