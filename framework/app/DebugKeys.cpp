#include "framework/app/DebugKeys.h"

#include "framework/app/DeveloperReports.h"
#include "framework/app/StepClock.h"

namespace Zorbel {

DebugKeys::DebugKeys(Host& host, StepClock& clock, DeveloperReports& reports)
    : mHost(host), mClock(clock), mReports(reports) {}

void DebugKeys::Toggle() {
    mOn = !mOn;
    mHost.PlayMenuCommandSound();
}

bool DebugKeys::KeyDown(int32_t keyCode) {
    const HeldModifiers held = mHost.GetHeldModifiers();
    switch (keyCode) {
        case KeyR:
            if (!held.alt) return false;
            if (mHost.ReloadDeveloperValues())
                mHost.PlayMenuCommandSound();
            else
                mHost.ClearKeyStates();
            return false;
        case KeyF2:
            Profiler();
            return false;
        case KeyF3:
            mReports.ToggleOverlays(held.shift);
            return false;
        case KeyF8:
            if (held.shift)
                mHost.Toggle3DMode();
            else
                mReports.ShowVideoStats();
            return true;
        case KeyF10:
            StepKey(held);
            return true;
        case KeyF11:
            if (held.shift)
                mReports.DumpImages();
            else
                mReports.TakeScreenshot();
            return true;
        default:
            return false;
    }
}

void DebugKeys::Profiler() {
    // One press starts the profiler and the next stops it and shows its report; without a profiler
    // the report says so at once.
    if (mProfiling) {
        mProfiling = false;
        mHost.ShowProfilerReport();
    } else {
        mProfiling = mHost.StartProfiler();
        if (!mProfiling) mHost.ShowProfilerReport();
    }
    mClock.ResetTiming();
}

void DebugKeys::StepKey(const HeldModifiers& held) {
    if (held.ctrl) {
        mClock.SetSpeed(mClock.GetSpeed() == 0.25 ? 1.0 : 0.25);
    } else if (held.shift) {
        mClock.SetSingleStep(0);
        mClock.ResetTiming();
    } else {
        mClock.SetSingleStep(1);
    }
}

} // namespace Zorbel
