#include "framework/graphics/SpanFillers.h"

#include "framework/graphics/SpanFillerPixels.h"
#include "framework/platform/CpuFeatures.h"

#include <array>
#include <utility>

namespace Zorbel {

namespace {

using Table = std::array<SpanFiller, SPAN_FILLER_COUNT>;

template <uint32_t... Index>
constexpr Table GenericTable(std::integer_sequence<uint32_t, Index...>) {
    return Table{&SpanPixels::FillSpan<Index>...};
}

constexpr Table Generics = GenericTable(std::make_integer_sequence<uint32_t, SPAN_FILLER_COUNT>());

// Every index takes the first fast row that names it, else its generic filler.
Table Build(std::span<const SpanFillerRow> fast) {
    Table table = Generics;
    for (uint32_t index = 0; index < SPAN_FILLER_COUNT; ++index) {
        for (const SpanFillerRow& row : fast) {
            if (SpanFillerIndex(row.flags, row.format) == index) {
                table[index] = row.fill;
                break;
            }
        }
    }
    return table;
}

} // namespace

SpanFiller SpanFillers::Generic(uint32_t index) {
    return Generics[index % SPAN_FILLER_COUNT];
}

SpanFiller SpanFillers::Select(uint32_t index) {
    static const Table fast = Build(Sse2Rows());
    return CpuFeatures::SimdEnabled() ? fast[index % SPAN_FILLER_COUNT] : Generic(index);
}

} // namespace Zorbel
