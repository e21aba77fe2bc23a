#include "framework/app/DesktopScreenSaver.h"

#include "framework/platform/WindowSystem.h"

#include <algorithm>

namespace Zorbel {

bool DesktopScreenSaver::CheckDue(uint32_t now) {
    // Whether the moment has been reached, on a clock that wraps.
    if (static_cast<int32_t>(now - (mCheckMs + 1000)) < 0) return false;
    mCheckMs = now;
    return true;
}

bool DesktopScreenSaver::Check(WindowSystem& windows, uint32_t now, uint32_t lastInputMs,
                               bool physicallyWindowed, bool screenSaverMode) {
    if (!physicallyWindowed || screenSaverMode) return false;
    ScreenSaverState state;
    if (!windows.QueryScreenSaver(state)) {
        mRunning = false;
        return false;
    }
    if (!mReadOnce || now - mReadMs >= 10000) {
        mReadOnce = true;
        mReadMs = now;
        mEnabled = state.enabled;
        mThresholdMs = state.timeoutSeconds < 3 ? 1000 : (state.timeoutSeconds - 2) * 1000;
    }
    uint32_t idle = std::min(now - lastInputMs, state.idleMs);
    int64_t threshold = mThresholdMs;
    if (!mRunning) {
        if (mEnabled && idle > threshold) mRunning = true;
    } else if (idle < threshold && !state.running) {
        mRunning = false;
        return true;
    }
    return false;
}

void DesktopScreenSaver::AllowBlanking(WindowSystem& windows, bool screenSaverAllowed,
                                       bool monitorPowerOffAllowed) {
    // The desktop has one switch for both; it is on only when neither would be refused.
    int allowed = screenSaverAllowed && monitorPowerOffAllowed ? 1 : 0;
    if (allowed == mBlankingAllowed) return;
    mBlankingAllowed = allowed;
    windows.AllowScreenBlanking(allowed != 0);
}

} // namespace Zorbel
