#pragma once

namespace Zorbel {

// Decides whether the SIMD twins of the drawing kernels may run. They run when the processor has the
// instructions they need, unless the environment variable ZORBEL_DISABLE_SIMD is set to anything but
// "0" when the process first asks. Tests switch them off and on to compare every SIMD kernel with
// its scalar twin bit for bit.
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
