#include "framework/graphics/PixelKernels.h"

namespace Zorbel {

const PixelKernels* Avx2Kernels() {
    return nullptr;
}

} // namespace Zorbel
