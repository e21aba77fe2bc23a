#pragma once

#include "framework/sound/SoundBuffer.h"
#include "framework/sound/Voice.h"

#include <memory>

namespace Zorbel {

// A voice that plays a sound held in memory, from any frame, once or looping. Many voices may share one
// buffer; each keeps its own position. Made by Mixer::Add<BufferVoice>(buffer).
class BufferVoice final : public Voice {
public:
    // Plays at the buffer's own rate until told otherwise.
    BufferVoice(Mixer& mixer, std::shared_ptr<const SoundBuffer> buffer);

    const SoundBuffer& Buffer() const { return *mBuffer; }

    // The frame that plays next (a looping voice counts from its start again).
    void SetPosition(size_t frame);
    size_t GetPosition() const;

private:
    size_t Mix(int32_t* sum, size_t frameCount, const VoiceMix& mix) override;

    std::shared_ptr<const SoundBuffer> mBuffer;
    uint64_t mPosition = 0; // 32.32 frames
};

} // namespace Zorbel
