#pragma once

#include <cstdint>

namespace Zorbel {

class DeveloperReports;
class StepClock;

// Which of Shift, Ctrl and Alt are held.
struct HeldModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

// The developer keys. Ctrl + Alt + D switches them on and off; while they are on, and during demo
// playback, every key press is offered to them before the widgets see it:
//
//   Alt + R     the developer values are read again (none are built in: the held keys are forgotten)
//   F2          a profiler started, or stopped with its report (none is built in: a box says so)
//   F3          the overlays on or off; Shift + F3 switches the counter between frame rate and pointer
//   F8          the video statistics; Shift + F8 hardware acceleration on or off
//   F10         one update step and frame, then hold; Shift + F10 runs on; Ctrl + F10 quarter speed
//   F11         a screenshot; Shift + F11 the image dump
//
// F8, F10 and F11 are taken; the other keys go on to the widgets as well.
class DebugKeys {
public:
    static constexpr int32_t KeyR = 82;
    static constexpr int32_t KeyF2 = 113;
    static constexpr int32_t KeyF3 = 114;
    static constexpr int32_t KeyF8 = 119;
    static constexpr int32_t KeyF10 = 121;
    static constexpr int32_t KeyF11 = 122;

    // The application's side of the keys.
    class Host {
    public:
        // The modifiers held when the key being handled was pressed.
        virtual HeldModifiers GetHeldModifiers() = 0;
        // Hardware acceleration on or off, and a box that says which.
        virtual void Toggle3DMode() = 0;
        // The short system sound that acknowledges the switch and a successful reload.
        virtual void PlayMenuCommandSound() = 0;
        // Asks a developer value-reload facility to read its values again; false when that failed or
        // there is none.
        virtual bool ReloadDeveloperValues() = 0;
        // Starts a developer profiler; false when there is none.
        virtual bool StartProfiler() = 0;
        // Stops the profiler and shows its report, or word that there is none, under the caption
        // "Perf Results".
        virtual void ShowProfilerReport() = 0;
        // Forgets every held key.
        virtual void ClearKeyStates() = 0;

    protected:
        virtual ~Host() = default;
    };

    // Everything given must outlive the keys.
    DebugKeys(Host& host, StepClock& clock, DeveloperReports& reports);
    DebugKeys(const DebugKeys&) = delete;
    DebugKeys& operator=(const DebugKeys&) = delete;

    bool IsOn() const { return mOn; }
    // Ctrl + Alt + D: on or off, with the system sound.
    void Toggle();

    // Carries out the key's developer action; true when the key was taken and goes no further.
    bool KeyDown(int32_t keyCode);

    // A profiler runs between two presses of F2.
    bool IsProfiling() const { return mProfiling; }

private:
    void Profiler();
    void StepKey(const HeldModifiers& held);

    Host& mHost;
    StepClock& mClock;
    DeveloperReports& mReports;
    bool mOn = false;
    bool mProfiling = false;
};

} // namespace Zorbel
