#include "framework/graphics/PixelKernelsSse2.h"
#include "framework/platform/CpuFeatures.h"

namespace Zorbel {

#if defined(__x86_64__) || defined(__i386__)

const PixelKernels* Sse2Kernels() {
    static const PixelKernels kernels = [] {
        PixelKernels k;
        k.name = "sse2";
        k.fillBlend = X86::FillBlendSse2;
        k.blendOpaqueDest = X86::BlendOpaqueDestSse2;
        k.blend = X86::BlendSse2;
        k.blendSampled = X86::BlendSampledSse2;
        k.blendResampled = X86::BlendResampledSse2;
        k.addOpaque = X86::AddOpaqueSse2;
        k.addAlpha = X86::AddAlphaSse2;
        k.addTinted = X86::AddTintedSse2;
        k.accumulateRow = X86::AccumulateRowSse2;
        k.sumTaps = X86::SumTapsSse2;
        return k;
    }();
    return CpuFeatures::HasSse2() ? &kernels : nullptr;
}

#else

const PixelKernels* Sse2Kernels() {
    return nullptr;
}

#endif

} // namespace Zorbel
