#pragma once

namespace Zorbel {

// The one place that decides which vector kernels may run: what the processor has, and the
// environment variable ZORBEL_DISABLE_SIMD, read when the process first asks. Its value "avx2" turns
// off the AVX2 set alone; any other non-empty value ("sse2", "1", "all") turns off every vector set,
// AVX2 with SSE2 since the AVX2 kernels finish their rows with SSE2 ones. The row kernels choose
// their chain from it once; the SSE2 twins of the turned-blit and span-filler kernels follow
// SimdEnabled, which tests switch off and on to compare every SIMD kernel with its scalar twin bit
// for bit.
class CpuFeatures {
public:
    enum class VectorSet { Sse2, Avx2 };

    static bool HasSse2();
    static bool HasSsse3();
    static bool HasAvx2();

    // The value of ZORBEL_DISABLE_SIMD, or null when it is unset.
    static const char* DisableSetting();
    // Whether the given value of ZORBEL_DISABLE_SIMD (null when unset) turns the set off.
    static bool DisabledBy(const char* setting, VectorSet set);

    // True when fast SIMD kernels are allowed and SSE2 is present.
    static bool SimdEnabled();
    // Overrides the environment's choice; asking for SIMD on a processor without it changes nothing.
    static void SetSimdEnabled(bool enabled);
};

} // namespace Zorbel
