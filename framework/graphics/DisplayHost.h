#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    // A call of the hardware 3D path failed with this text while drawing.
    virtual void HardwareError(const std::string& /*text*/) {}
    // The 3D tester's cache in the settings store, by value name below the application's key
    // ("Test3D\Version"). Without a store nothing is read and nothing kept.
    virtual bool ReadSetting(const std::string& /*name*/, uint32_t& /*type*/,
                             std::vector<uint8_t>& /*data*/) {
        return false;
    }
    virtual bool WriteSetting(const std::string& /*name*/, uint32_t /*type*/, const void* /*data*/,
                              size_t /*length*/) {
        return false;
    }
    // A demo is being played back: the tester runs no test and takes the recorded results.
    virtual bool PlayingDemo() const { return false; }
    // The tester's results on their way to the display: written into a demo being recorded, replaced
    // by the recorded ones while playing.
    virtual void SyncTestResults(std::string& /*failure*/, std::string& /*warning*/, bool& /*isNew*/) {}
    // The display's refresh rate was missing or out of range and has been replaced.
    virtual void RefreshRateUnreliable() {}
};

} // namespace Zorbel
