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
    // As blend, with source pixel j taken from srcRow[columns[j]].
    void (*blendSampled)(uint32_t* dst, const uint32_t* srcRow, const int32_t* columns, int32_t n) = nullptr;
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

    // The two passes of area resampling, rows first. accumulateRow adds each pixel of a source row,
    // times weight, to four 16-bit channel sums per pixel (blue, green, red, alpha); a full set of
    // row weights is 256, so the sums stay below 65536. sumTaps gives, for each of n destination
    // pixels, the weighted sums of its taps in such a row, high 16 bits packed into 0xAARRGGBB.
    void (*accumulateRow)(uint16_t* sums, const uint32_t* row, uint16_t weight, int32_t width) = nullptr;
    void (*sumTaps)(uint32_t* out, const uint16_t* sums, const int32_t* first, const int32_t* count,
                    const int32_t* offset, const uint16_t* weights, int32_t n) = nullptr;
};

// The plain loops every other set is measured against.
const PixelKernels& ScalarKernels();
// The vector sets this processor can run, or null; only what each speeds up is filled in.
const PixelKernels* Sse2Kernels();
const PixelKernels* Avx2Kernels();

// The kernels in use: the best available for each operation, chosen once at start-up. The
// environment variable ZORBEL_DISABLE_SIMD turns vector sets off: "avx2" turns off AVX2 alone, any
// other non-empty value ("sse2", "1", "all") every vector set.
const PixelKernels& ActiveKernels();
// The chain ActiveKernels uses for a given value of ZORBEL_DISABLE_SIMD (null when unset).
PixelKernels ChooseKernels(const char* disable);
// Builds the chain from the given sets: for each operation, the last non-null set wins over the
// scalar set.
PixelKernels ChainKernels(const PixelKernels* sse2, const PixelKernels* avx2);

} // namespace Zorbel
