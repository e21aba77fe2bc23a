#include "framework/graphics/AreaResampler.h"

#include "framework/graphics/PixelKernels.h"

#include <algorithm>
#include <cmath>

namespace Zorbel {

AreaResampler::Taps AreaResampler::MakeTaps(int32_t span, int32_t dest, uint32_t unit) {
    Taps taps;
    taps.first.reserve(dest);
    taps.count.reserve(dest);
    taps.offset.reserve(dest);
    auto add = [&taps](int32_t first, std::initializer_list<uint32_t> weights) {
        taps.first.push_back(first);
        taps.count.push_back(static_cast<int32_t>(weights.size()));
        taps.offset.push_back(static_cast<int32_t>(taps.weights.size()));
        for (uint32_t w : weights)
            taps.weights.push_back(static_cast<uint16_t>(w));
    };
    if (dest <= span) {
        // Source pixel i covers [i * scale, (i + 1) * scale) of the destination. Rounding the
        // cumulative positions, not each share, keeps every destination pixel's total at unit.
        const double scale = static_cast<double>(dest) / span;
        // Positions are never negative, so adding a half and truncating rounds them.
        auto at = [unit](double position) { return static_cast<int64_t>(position * unit + 0.5); };
        for (int32_t d = 0; d < dest; ++d) {
            const auto first = static_cast<int32_t>(std::floor(d / scale));
            const auto last = std::min(span - 1, static_cast<int32_t>(std::ceil((d + 1) / scale)) - 1);
            taps.first.push_back(first);
            taps.offset.push_back(static_cast<int32_t>(taps.weights.size()));
            int32_t n = 0;
            for (int32_t i = first; i <= last; ++i, ++n) {
                const double from = std::max(i * scale, static_cast<double>(d));
                const double to = std::min((i + 1) * scale, static_cast<double>(d + 1));
                taps.weights.push_back(static_cast<uint16_t>(std::max<int64_t>(at(to) - at(from), 0)));
            }
            taps.count.push_back(n);
        }
        return taps;
    }
    const double step = static_cast<double>(span - 1) / (dest - 1);
    for (int32_t d = 0; d < dest; ++d) {
        const double position = step * d;
        const auto i = std::min(static_cast<int32_t>(position), span - 1);
        const double fraction = position - i;
        const auto h = static_cast<uint32_t>((1.0 - fraction) * unit);
        if (i + 1 < span)
            add(i, {h, unit - h});
        else
            add(i, {unit});
    }
    return taps;
}

AreaResampler::AreaResampler(int32_t spanWidth, int32_t spanHeight, int32_t destWidth, int32_t destHeight)
    : mSpanWidth(spanWidth), mDestWidth(destWidth), mDestHeight(destHeight),
      mColumns(MakeTaps(spanWidth, destWidth, 257)), mRows(MakeTaps(spanHeight, destHeight, 256)) {}

// The sums are exact integers and only the final shift drops bits, so taking the rows first gives
// the same values as taking the columns first; rows first lets the heavy pass run along whole rows.
std::vector<uint32_t>
AreaResampler::Resample(const std::function<const uint32_t*(int32_t)>& sourceRow) const {
    const PixelKernels& kernels = ActiveKernels();
    std::vector<uint16_t> sums(static_cast<size_t>(mSpanWidth) * 4);
    std::vector<uint32_t> result(static_cast<size_t>(mDestWidth) * mDestHeight);
    for (int32_t d = 0; d < mDestHeight; ++d) {
        std::fill(sums.begin(), sums.end(), uint16_t(0));
        const uint16_t* weights = mRows.weights.data() + mRows.offset[d];
        for (int32_t k = 0; k < mRows.count[d]; ++k)
            if (weights[k] != 0)
                kernels.accumulateRow(sums.data(), sourceRow(mRows.first[d] + k), weights[k], mSpanWidth);
        kernels.sumTaps(result.data() + static_cast<size_t>(mDestWidth) * d, sums.data(),
                        mColumns.first.data(), mColumns.count.data(), mColumns.offset.data(),
                        mColumns.weights.data(), mDestWidth);
    }
    return result;
}

} // namespace Zorbel
