#pragma once

#include "framework/sound/MusicSource.h"

#include <memory>
#include <string>

struct openmpt_module;

namespace Zorbel {

// A tracker module (MOD, S3M, XM, IT and the other formats libopenmpt reads) rendered as it plays, at
// the mixer's rate in stereo. The file is read whole: a module is its patterns and samples.
class ModuleSource final : public MusicSource {
public:
    // The largest module file read (64 MiB).
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    static constexpr uint64_t MaxFileBytes = uint64_t(4) << 20;
#else
    static constexpr uint64_t MaxFileBytes = uint64_t(64) << 20;
#endif

    // The module of a file, or null when libopenmpt cannot read it.
    static std::unique_ptr<ModuleSource> Open(const std::string& path);
    // The module of bytes in memory, or null.
    static std::unique_ptr<ModuleSource> FromMemory(const void* bytes, size_t size);
    ~ModuleSource() override;

    uint16_t Channels() const override {
        return 2;
    }
    uint32_t Rate() const override;
    long ReadFrames(int16_t* out, size_t frameCount) override;
    // The position is an order of the song.
    [[nodiscard]] bool Restart(int64_t order) override;
    void SetLoop(bool loop) override;
    void SetAmplify(int32_t amplify) override;

private:
    explicit ModuleSource(openmpt_module* module) : mModule(module) {}

    openmpt_module* mModule;
};

} // namespace Zorbel
