#pragma once

#include "framework/sound/MusicSource.h"
#include "framework/sound/Voice.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Zorbel {

// A voice that plays a music source decoded a little ahead: a window of at most AheadMilliseconds of
// frames that Fill tops up (from a feeding thread) and the mixer plays from. Only that window is ever
// held, whatever the length of the music. When the feeder falls behind, the voice plays silence and
// goes on; it ends when the source ends or is damaged. Made by Mixer::Add<MusicVoice>(source).
class MusicVoice final : public Voice {
public:
    static constexpr uint32_t AheadMilliseconds = 400;

    MusicVoice(Mixer& mixer, std::unique_ptr<MusicSource> source);

    // Decodes as much as the window has room for. Safe from any thread.
    void Fill();
    // Drops what was decoded ahead and goes on from a position of the source (see MusicSource).
    [[nodiscard]] bool Restart(int64_t position);
    void SetLoop(bool loop);
    void SetAmplify(int32_t amplify);
    // The source has ended and every frame of it has been played.
    bool HasEnded() const;

private:
    size_t Mix(int32_t* sum, size_t frameCount, const VoiceMix& mix) override;
    // With the mixer's lock: moves the frames still to play to the front of the window, once enough
    // of it has been played.
    void Compact();

    // Held while the source is used: by Fill for a whole decode, by the controls.
    mutable std::mutex mSourceMutex;
    std::unique_ptr<MusicSource> mSource;

    const uint16_t mChannels;
    // Frames beyond mFrames belong to Fill (with the source's lock); the rest, mFrames and mPosition are
    // shared with the mixer and change only with its lock held.
    std::vector<int16_t> mWindow;
    size_t mFrames = 0;
    uint64_t mPosition = 0; // 32.32 frames into the window
    bool mSourceEnded = false;
};

} // namespace Zorbel
