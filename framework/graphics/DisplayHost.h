#pragma once

#include <cstdint>

namespace Zorbel {

// What the display device asks of the application that owns it: the size and depth of the play
// area, the presentation settings, the 3D wishes, and two notifications. The application object
// implements it; tests use a plain stand-in.
class DisplayHost {
public:
    virtual ~DisplayHost() = default;

    virtual int32_t DisplayWidth() const = 0;
    virtual int32_t DisplayHeight() const = 0;
    // The colour depth of the full-screen mode (16 or 32).
    virtual int32_t FullScreenBitDepth() const = 0;

    // The "WaitForVSync" setting.
    virtual bool WaitForVSync() const = 0;
    // False when full-screen frames are to be blitted instead of flipped.
    virtual bool UsesPageFlipping() const { return true; }
    // A system dialog is open over a full-screen game: frames are blitted so it stays visible.
    virtual bool SystemDialogActive() const { return false; }

    // A 3D test is wanted even when 3D is not; the video-memory thresholds for it in MB.
    virtual bool Wants3DTest() const { return false; }
    virtual int32_t MinVideoMemoryMB() const { return 6; }
    virtual int32_t RecVideoMemoryMB() const { return 14; }

    // The 3D tester produced a fresh result.
    virtual void Fresh3DTestHook() {}
    // The display's refresh rate was missing or out of range and has been replaced.
    virtual void RefreshRateUnreliable() {}
};

} // namespace Zorbel
