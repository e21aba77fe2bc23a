#include "framework/graphics/PixelKernels.h"

#include "framework/platform/CpuFeatures.h"

namespace Zorbel {

using namespace PixelBlend;

namespace {

void FillBlendScalar(uint32_t* dst, int32_t n, uint32_t color) {
    const uint32_t a = Alpha(color);
    for (int32_t i = 0; i < n; ++i)
        dst[i] = OverDestAlpha(dst[i], color, a);
}

void BlendOpaqueDestScalar(uint32_t* dst, const uint32_t* src, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        dst[i] = OverOpaque(dst[i], src[i]);
}

void BlendScalar(uint32_t* dst, const uint32_t* src, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t a = Alpha(src[i]);
        if (a != 0) dst[i] = OverDestAlpha(dst[i], src[i], a);
    }
}

void BlendSampledScalar(uint32_t* dst, const uint32_t* srcRow, const int32_t* columns, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t s = srcRow[columns[i]];
        const uint32_t a = Alpha(s);
        if (a != 0) dst[i] = OverDestAlpha(dst[i], s, a);
    }
}

void BlendTintedScalar(uint32_t* dst, const uint32_t* src, int32_t n, const Tint& tint) {
    for (int32_t i = 0; i < n; ++i)
        dst[i] = OverTinted(dst[i], src[i], tint);
}

void BlendResampledScalar(uint32_t* dst, const uint32_t* src, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        if (Alpha(src[i]) != 0) dst[i] = OverResampled(dst[i], src[i]);
}

void AccumulateRowScalar(uint16_t* sums, const uint32_t* row, uint16_t weight, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        uint16_t* s = sums + 4 * static_cast<size_t>(x);
        s[0] = static_cast<uint16_t>(s[0] + Blue(row[x]) * weight);
        s[1] = static_cast<uint16_t>(s[1] + Green(row[x]) * weight);
        s[2] = static_cast<uint16_t>(s[2] + Red(row[x]) * weight);
        s[3] = static_cast<uint16_t>(s[3] + Alpha(row[x]) * weight);
    }
}

void SumTapsScalar(uint32_t* out, const uint16_t* sums, const int32_t* first, const int32_t* count,
                   const int32_t* offset, const uint16_t* weights, int32_t n) {
    for (int32_t d = 0; d < n; ++d)
        out[d] = SumTapsPixel(sums, first[d], count[d], weights + offset[d]);
}

void AddOpaqueScalar(uint32_t* dst, const uint32_t* src, int32_t n, const SaturationTable& t) {
    for (int32_t i = 0; i < n; ++i)
        dst[i] = AddOpaque(dst[i], src[i], t);
}

void AddAlphaScalar(uint32_t* dst, const uint32_t* src, int32_t n, const SaturationTable& t) {
    for (int32_t i = 0; i < n; ++i)
        dst[i] = AddAlpha(dst[i], src[i], t);
}

void AddTintedScalar(uint32_t* dst, const uint32_t* src, int32_t n, const Tint& tint, bool useAlpha,
                     const SaturationTable& t) {
    for (int32_t i = 0; i < n; ++i)
        dst[i] = AddTinted(dst[i], src[i], tint, useAlpha, t);
}

template <typename F>
void Overlay(F& target, F candidate) {
    if (candidate != nullptr) target = candidate;
}

} // namespace

const PixelKernels& ScalarKernels() {
    static const PixelKernels kernels = [] {
        PixelKernels k;
        k.name = "scalar";
        k.fillBlend = FillBlendScalar;
        k.blendOpaqueDest = BlendOpaqueDestScalar;
        k.blend = BlendScalar;
        k.blendSampled = BlendSampledScalar;
        k.blendTinted = BlendTintedScalar;
        k.blendResampled = BlendResampledScalar;
        k.addOpaque = AddOpaqueScalar;
        k.addAlpha = AddAlphaScalar;
        k.addTinted = AddTintedScalar;
        k.accumulateRow = AccumulateRowScalar;
        k.sumTaps = SumTapsScalar;
        return k;
    }();
    return kernels;
}

PixelKernels ChainKernels(const PixelKernels* sse2, const PixelKernels* avx2) {
    PixelKernels chain = ScalarKernels();
    for (const PixelKernels* set : {sse2, avx2}) {
        if (set == nullptr) continue;
        chain.name = set->name;
        Overlay(chain.fillBlend, set->fillBlend);
        Overlay(chain.blendOpaqueDest, set->blendOpaqueDest);
        Overlay(chain.blend, set->blend);
        Overlay(chain.blendSampled, set->blendSampled);
        Overlay(chain.blendTinted, set->blendTinted);
        Overlay(chain.blendResampled, set->blendResampled);
        Overlay(chain.addOpaque, set->addOpaque);
        Overlay(chain.addAlpha, set->addAlpha);
        Overlay(chain.addTinted, set->addTinted);
        Overlay(chain.accumulateRow, set->accumulateRow);
        Overlay(chain.sumTaps, set->sumTaps);
    }
    return chain;
}

PixelKernels ChooseKernels(const char* disable) {
    using Set = CpuFeatures::VectorSet;
    const PixelKernels* sse2 = CpuFeatures::DisabledBy(disable, Set::Sse2) ? nullptr : Sse2Kernels();
    const PixelKernels* avx2 =
        sse2 == nullptr || CpuFeatures::DisabledBy(disable, Set::Avx2) ? nullptr : Avx2Kernels();
    return ChainKernels(sse2, avx2);
}

const PixelKernels& ActiveKernels() {
    static const PixelKernels kernels = ChooseKernels(CpuFeatures::DisableSetting());
    return kernels;
}

} // namespace Zorbel
