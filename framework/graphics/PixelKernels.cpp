#include "framework/graphics/PixelKernels.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

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

void BlendTintedScalar(uint32_t* dst, const uint32_t* src, int32_t n, const Tint& tint) {
    for (int32_t i = 0; i < n; ++i)
        dst[i] = OverTinted(dst[i], src[i], tint);
}

void BlendResampledScalar(uint32_t* dst, const uint32_t* src, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        if (Alpha(src[i]) != 0) dst[i] = OverResampled(dst[i], src[i]);
}

void WeighRowScalar(uint16_t* out, const uint32_t* src, const int32_t* first, const int32_t* count,
                    const int32_t* offset, const uint16_t* weights, int32_t n) {
    for (int32_t d = 0; d < n; ++d) {
        const uint32_t* p = src + first[d];
        const uint16_t* w = weights + offset[d];
        uint32_t b = 0, g = 0, r = 0, a = 0;
        for (int32_t k = 0; k < count[d]; ++k) {
            b += Blue(p[k]) * w[k];
            g += Green(p[k]) * w[k];
            r += Red(p[k]) * w[k];
            a += Alpha(p[k]) * w[k];
        }
        uint16_t* o = out + 4 * static_cast<size_t>(d);
        o[0] = static_cast<uint16_t>(b);
        o[1] = static_cast<uint16_t>(g);
        o[2] = static_cast<uint16_t>(r);
        o[3] = static_cast<uint16_t>(a);
    }
}

void SumRowsScalar(uint32_t* out, const uint16_t* const* rows, const uint16_t* weights, int32_t n,
                   int32_t width) {
    for (int32_t d = 0; d < width; ++d) {
        uint32_t sums[4] = {0, 0, 0, 0};
        for (int32_t k = 0; k < n; ++k)
            for (int c = 0; c < 4; ++c)
                sums[c] += uint32_t(rows[k][4 * static_cast<size_t>(d) + c]) * weights[k];
        out[d] = Pack(sums[3] >> 16, sums[2] >> 16, sums[1] >> 16, sums[0] >> 16);
    }
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

bool Disabled(std::string_view set) {
    const char* env = std::getenv("ZORBEL_DISABLE_SIMD");
    if (env == nullptr || *env == '\0') return false;
    std::string_view value(env);
    if (value == "sse2" || value == "avx2") return value == set || (value == "sse2" && set == "avx2");
    return true;
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
        k.blendTinted = BlendTintedScalar;
        k.blendResampled = BlendResampledScalar;
        k.addOpaque = AddOpaqueScalar;
        k.addAlpha = AddAlphaScalar;
        k.addTinted = AddTintedScalar;
        k.weighRow = WeighRowScalar;
        k.sumRows = SumRowsScalar;
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
        Overlay(chain.blendTinted, set->blendTinted);
        Overlay(chain.blendResampled, set->blendResampled);
        Overlay(chain.addOpaque, set->addOpaque);
        Overlay(chain.addAlpha, set->addAlpha);
        Overlay(chain.addTinted, set->addTinted);
        Overlay(chain.weighRow, set->weighRow);
        Overlay(chain.sumRows, set->sumRows);
    }
    return chain;
}

const PixelKernels& ActiveKernels() {
    // Disabling SSE2 disables AVX2 too: the AVX2 set leans on the SSE2 set for what it leaves out.
    static const PixelKernels kernels =
        ChainKernels(Disabled("sse2") ? nullptr : Sse2Kernels(), Disabled("avx2") ? nullptr : Avx2Kernels());
    return kernels;
}

} // namespace Zorbel
