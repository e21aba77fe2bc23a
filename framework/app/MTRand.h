#pragma once

#include <array>
#include <cstdint>

namespace Zorbel {

// Mersenne Twister MT19937 with the early seeding rule: word 0 = seed (0 becomes 4357), each further
// word = 69069 x the previous one mod 2^32. Every draw is the tempered word AND 0x7FFFFFFF.
class MTRand {
public:
    static constexpr uint32_t DefaultSeed = 4357;

    explicit MTRand(uint32_t seed = DefaultSeed) { SRand(seed); }

    void SRand(uint32_t seed);
    // A value from 0 to 2^31 - 1.
    uint32_t Next();

private:
    static constexpr int N = 624;
    void Regenerate();

    std::array<uint32_t, N> mState{};
    int mIndex = N;
};

// The one generator of the process, seeded with 4357 at load. The application reseeds it from the
// tick count at start-up, and demo playback with the recorded seed.
MTRand& SharedRandom();

} // namespace Zorbel
