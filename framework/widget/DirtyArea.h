#pragma once

#include "framework/graphics/Rect.h"

#include <array>
#include <cstddef>

namespace Zorbel {

// The parts of a widget marked dirty since it was last drawn: a few rectangles that never overlap, so
// that drawing the widget once into each gives every pixel exactly one fresh draw (a translucent
// widget drawn twice over the same place would blend twice). The pulsing frames of a puzzle's movable
// tiles lie around the gap; their bounding box would be up to twice as large as the tiles themselves.
class DirtyArea {
public:
    static constexpr size_t kMostRects = 8;

    void Add(Rect area) {
        if (area.IsEmpty()) return;
        // Rectangles that overlap the new one are merged into it, until none does; what the merging
        // grows may overlap others, hence the loop.
        for (size_t i = 0; i < mCount;) {
            if (mRects[i].Intersects(area)) {
                area = area.Union(mRects[i]);
                Remove(i);
                i = 0;
            } else {
                ++i;
            }
        }
        if (mCount == kMostRects) {
            // Full: the rectangle that grows least takes the new one in, and the result is added anew.
            size_t best = 0;
            int64_t least = -1;
            for (size_t i = 0; i < mCount; ++i) {
                const int64_t growth = AreaOf(mRects[i].Union(area)) - AreaOf(mRects[i]);
                if (least < 0 || growth < least) {
                    least = growth;
                    best = i;
                }
            }
            const Rect merged = mRects[best].Union(area);
            Remove(best);
            Add(merged);
            return;
        }
        mRects[mCount++] = area;
    }

    void Clear() { mCount = 0; }
    bool IsEmpty() const { return mCount == 0; }
    size_t Count() const { return mCount; }
    const Rect* begin() const { return mRects.data(); }
    const Rect* end() const { return mRects.data() + mCount; }

    // The smallest rectangle holding every part.
    Rect Bounds() const {
        Rect bounds;
        for (const Rect& r : *this)
            bounds = bounds.Union(r);
        return bounds;
    }

private:
    static int64_t AreaOf(const Rect& r) { return int64_t(r.width) * int64_t(r.height); }
    void Remove(size_t i) { mRects[i] = mRects[--mCount]; }

    std::array<Rect, kMostRects> mRects{};
    size_t mCount = 0;
};

} // namespace Zorbel
