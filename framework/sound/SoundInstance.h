#pragma once

#include <cstdint>

namespace Zorbel {

// One playing voice of a sound.
class SoundInstance {
public:
    virtual ~SoundInstance() = default;
    virtual void SetPan(int32_t pan) = 0;
    // Plays the voice; a released voice is freed when it ends.
    virtual bool Play(bool looping, bool releaseWhenDone) = 0;
};

} // namespace Zorbel
