#include "framework/graphics/SpanFillers.h"

#include "framework/graphics/SpanFillerPixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zorbel {

#if defined(__SSE2__)

namespace {} // namespace

std::span<const SpanFillerRow> SpanFillers::Sse2Rows() {
    return {};
}

#else

std::span<const SpanFillerRow> SpanFillers::Sse2Rows() {
    return {};
}

#endif

} // namespace Zorbel
