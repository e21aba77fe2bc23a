#include "framework/app/MTRand.h"

namespace Zorbel {

void MTRand::SRand(uint32_t seed) {
    mState[0] = seed == 0 ? DefaultSeed : seed;
    for (int i = 1; i < N; ++i)
        mState[i] = 69069u * mState[i - 1];
    // The first draw regenerates the whole state.
    mIndex = N;
}

void MTRand::Regenerate() {
    constexpr int M = 397;
    constexpr uint32_t MatrixA = 0x9908B0DFu;
    constexpr uint32_t UpperMask = 0x80000000u;
    constexpr uint32_t LowerMask = 0x7FFFFFFFu;
    for (int k = 0; k < N; ++k) {
        uint32_t y = (mState[k] & UpperMask) | (mState[(k + 1) % N] & LowerMask);
        mState[k] = mState[(k + M) % N] ^ (y >> 1) ^ ((y & 1u) ? MatrixA : 0u);
    }
    mIndex = 0;
}

uint32_t MTRand::Next() {
    if (mIndex >= N) Regenerate();
    uint32_t y = mState[mIndex++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y & 0x7FFFFFFFu;
}

MTRand& SharedRandom() {
    static MTRand generator(MTRand::DefaultSeed);
    return generator;
}

} // namespace Zorbel
