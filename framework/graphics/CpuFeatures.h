#pragma once

namespace Zorbel {

// Decides whether the SSE2 twins of the turned-blit and span-filler kernels may run. They run when the
// processor has SSE2, unless the environment variable ZORBEL_DISABLE_SIMD is set (to anything but
// "avx2", which names only the AVX2 row kernels) when the process first asks. Tests switch them off
// and on to compare every SIMD kernel with its scalar twin bit for bit.
class CpuFeatures {
public:
    static bool HasSse2();
    static bool HasSsse3();

    // True when fast SIMD kernels are allowed and SSE2 is present.
    static bool SimdEnabled();
    // Overrides the environment's choice; asking for SIMD on a processor without it changes nothing.
    static void SetSimdEnabled(bool enabled);
};

} // namespace Zorbel
