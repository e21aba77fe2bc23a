#pragma once

namespace Zorbel {

// Where the crash reporter attaches to the application: the "-crash" parameter that hands control to
// it as for a fault, and the moment of the run from which faults are caught.
//
// FIXME: the reporter arrives with crash reporting; until then a "-crash" request is only noted.
class CrashHooks {
public:
    // Faults from now on go to the reporter (the end of Init).
    void Install() {}
    // "-crash": the reporter takes over as if the program had crashed.
    void RequestCrash() { mCrashRequested = true; }
    bool IsCrashRequested() const { return mCrashRequested; }

private:
    bool mCrashRequested = false;
};

} // namespace Zorbel
