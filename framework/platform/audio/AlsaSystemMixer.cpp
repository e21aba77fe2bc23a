#include "framework/platform/audio/AlsaSystemMixer.h"

#include "framework/platform/audio/AlsaMessages.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>

namespace Zorbel {

namespace {

// An open simple mixer of a device and its volume control; empty when there is none.
class OpenMixer {
public:
    explicit OpenMixer(const std::string& device) {
        SilenceAlsaMessages();
        if (snd_mixer_open(&mMixer, 0) < 0) {
            mMixer = nullptr;
            return;
        }
        if (snd_mixer_attach(mMixer, device.c_str()) < 0 ||
            snd_mixer_selem_register(mMixer, nullptr, nullptr) < 0 || snd_mixer_load(mMixer) < 0)
            return;
        for (const char* name : {"Master", "PCM"}) {
            snd_mixer_selem_id_t* id = nullptr;
            if (snd_mixer_selem_id_malloc(&id) < 0) return;
            snd_mixer_selem_id_set_name(id, name);
            snd_mixer_elem_t* element = snd_mixer_find_selem(mMixer, id);
            snd_mixer_selem_id_free(id);
            if (element && snd_mixer_selem_has_playback_volume(element) &&
                snd_mixer_selem_get_playback_volume_range(element, &mMin, &mMax) == 0 && mMax > mMin) {
                mElement = element;
                return;
            }
        }
    }
    ~OpenMixer() {
        if (mMixer) snd_mixer_close(mMixer);
    }
    OpenMixer(const OpenMixer&) = delete;
    OpenMixer& operator=(const OpenMixer&) = delete;

    explicit operator bool() const { return mElement != nullptr; }

    bool Read(uint32_t& value) const {
        // The first channel speaks for all, as the volume is set on all of them alike.
        long raw = 0;
        if (snd_mixer_selem_get_playback_volume(mElement, SND_MIXER_SCHN_FRONT_LEFT, &raw) < 0) return false;
        double fraction = static_cast<double>(raw - mMin) / static_cast<double>(mMax - mMin);
        value = static_cast<uint32_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * SystemMixer::MaxValue));
        return true;
    }

    void Write(uint32_t value) const {
        double fraction = std::min<uint32_t>(value, SystemMixer::MaxValue) / double(SystemMixer::MaxValue);
        long raw = mMin + std::lround(fraction * static_cast<double>(mMax - mMin));
        snd_mixer_selem_set_playback_volume_all(mElement, raw);
    }

private:
    snd_mixer_t* mMixer = nullptr;
    snd_mixer_elem_t* mElement = nullptr;
    long mMin = 0;
    long mMax = 0;
};

} // namespace

bool AlsaSystemMixer::ReadVolume(uint32_t& value) {
    OpenMixer mixer(mDevice);
    return mixer && mixer.Read(value);
}

void AlsaSystemMixer::WriteVolume(uint32_t value) {
    OpenMixer mixer(mDevice);
    if (mixer) mixer.Write(value);
}

} // namespace Zorbel
