#include "framework/graphics/PixelKernels.h"

namespace Zorbel {

const PixelKernels* Sse2Kernels() {
    return nullptr;
}

} // namespace Zorbel
