#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace Zorbel {

// Separable area-weighted resampling of a span of whole source pixels to a destination size.
// Horizontal weights are in units of 1/257 and vertical ones in units of 1/256, so that a full set
// of weights multiplies a channel by 257 * 256 and the high 16 bits of each sum give the channel
// back. Channels are averaged as they are, not premultiplied.
class AreaResampler {
public:
    // For each destination pixel along one axis, the source pixels it reads and their weights.
    struct Taps {
        std::vector<int32_t> first;
        std::vector<int32_t> count;
        std::vector<int32_t> offset; // into weights
        std::vector<uint16_t> weights;
    };

    // Shrinking (dest <= span) spreads each source pixel over the destination pixels it overlaps,
    // in proportion to the overlap; the weights of one destination pixel add up to unit exactly.
    // Growing interpolates linearly between the two source pixels around (span - 1) / (dest - 1) * i.
    static Taps MakeTaps(int32_t span, int32_t dest, uint32_t unit);

    AreaResampler(int32_t spanWidth, int32_t spanHeight, int32_t destWidth, int32_t destHeight);

    // sourceRow(y) gives the spanWidth pixels of span row y. The result holds destWidth x
    // destHeight pixels whose channels are the resampled 0xAARRGGBB values.
    std::vector<uint32_t> Resample(const std::function<const uint32_t*(int32_t)>& sourceRow) const;

private:
    int32_t mSpanWidth;
    int32_t mDestWidth;
    int32_t mDestHeight;
    Taps mColumns;
    Taps mRows;
};

} // namespace Zorbel
