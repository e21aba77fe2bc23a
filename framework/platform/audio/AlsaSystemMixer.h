#pragma once

#include "framework/platform/SystemMixer.h"

#include <string>

namespace Zorbel {

// The volume of the default ALSA device through its simple mixer: the "Master" control, else "PCM".
// Where ALSA's default is a sound server (PulseAudio, PipeWire) this is the server's output volume.
// The mixer is opened for each call and closed again, so a server that starts or stops later is
// followed.
class AlsaSystemMixer : public SystemMixer {
public:
    // The ALSA control device to use ("default" unless a test names another).
    explicit AlsaSystemMixer(std::string device = "default") : mDevice(std::move(device)) {}

    bool ReadVolume(uint32_t& value) override;
    void WriteVolume(uint32_t value) override;

private:
    std::string mDevice;
};

} // namespace Zorbel
