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
    // Additive: the source channels as they are, scaled by source alpha, or weighted by a colour
    // (already multiplied by its alpha) and optionally by source alpha.
    void (*addOpaque)(uint32_t* dst, const uint32_t* src, int32_t n, const SaturationTable& t) = nullptr;
    void (*addAlpha)(uint32_t* dst, const uint32_t* src, int32_t n, const SaturationTable& t) = nullptr;
    void (*addTinted)(uint32_t* dst, const uint32_t* src, int32_t n, const PixelBlend::Tint& tint,
                      bool useAlpha, const SaturationTable& t) = nullptr;
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
