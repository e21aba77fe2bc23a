#pragma once

#include "framework/graphics/DrawMode.h"
#include "framework/graphics/PixelBlend.h"

#include <cstdint>

namespace Zorbel {

// The row loops of the software renderer. Each kernel gets one already-clipped row of n >= 1
// pixels. The scalar set is the reference; the vector sets give bit-identical results and leave
// null what they do not speed up, so the chosen set falls back to the scalar kernel there.
struct PixelKernels {
    const char* name = "";

    // A colour of alpha 1 ... 254 (the top byte of color) over the row, destination alpha kept
    // meaningful.
    void (*fillBlend)(uint32_t* dst, int32_t n, uint32_t color) = nullptr;
    // Source over a destination that stays opaque; every source alpha must be above 0.
    void (*blendOpaqueDest)(uint32_t* dst, const uint32_t* src, int32_t n) = nullptr;
    // Source over any destination, destination alpha kept meaningful; alpha-0 pixels skipped.
    void (*blend)(uint32_t* dst, const uint32_t* src, int32_t n) = nullptr;
    // As blend, with the source weighted by a colour.
    void (*blendTinted)(uint32_t* dst, const uint32_t* src, int32_t n,
                        const PixelBlend::Tint& tint) = nullptr;
    // A resampled row over any destination (see OverResampled); alpha-0 pixels skipped.
    void (*blendResampled)(uint32_t* dst, const uint32_t* src, int32_t n) = nullptr;
    // Additive: the source channels as they are, scaled by source alpha, or weighted by a colour
    // (already multiplied by its alpha) and optionally by source alpha.
    void (*addOpaque)(uint32_t* dst, const uint32_t* src, int32_t n, const SaturationTable& t) = nullptr;
    void (*addAlpha)(uint32_t* dst, const uint32_t* src, int32_t n, const SaturationTable& t) = nullptr;
    void (*addTinted)(uint32_t* dst, const uint32_t* src, int32_t n, const PixelBlend::Tint& tint,
                      bool useAlpha, const SaturationTable& t) = nullptr;

    // The two passes of area resampling. weighRow: for each of n destination pixels, the weighted
    // sums of its source taps as four 16-bit channels (blue, green, red, alpha). sumRows: for each
    // of width pixels, the weighted sums of the same pixel in n rows of such channels, high 16 bits
    // packed into 0xAARRGGBB.
    void (*weighRow)(uint16_t* out, const uint32_t* src, const int32_t* first, const int32_t* count,
                     const int32_t* offset, const uint16_t* weights, int32_t n) = nullptr;
    void (*sumRows)(uint32_t* out, const uint16_t* const* rows, const uint16_t* weights, int32_t n,
                    int32_t width) = nullptr;
};

// The plain loops every other set is measured against.
const PixelKernels& ScalarKernels();
// The vector sets this processor can run, or null; only what each speeds up is filled in.
const PixelKernels* Sse2Kernels();
const PixelKernels* Avx2Kernels();

// The kernels in use: the best available for each operation, chosen once at start-up. The
// environment variable ZORBEL_DISABLE_SIMD turns vector sets off: "avx2" or "sse2" names one set,
// and any other non-empty value turns off all.
const PixelKernels& ActiveKernels();
// Builds the chain from the given sets: for each operation, the last non-null set wins over the
// scalar set.
PixelKernels ChainKernels(const PixelKernels* sse2, const PixelKernels* avx2);

} // namespace Zorbel
