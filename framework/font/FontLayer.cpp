#include "framework/font/FontLayer.h"

#include <algorithm>

namespace Zorbel {

bool FontLayer::IsActiveFor(int32_t fontPointSize, const std::vector<std::string>& tags) const {
    if (fontPointSize < minPointSize) return false;
    if (fontPointSize > maxPointSize && maxPointSize != -1) return false;
    auto has = [](const std::vector<std::string>& list, const std::string& tag) {
        return std::find(list.begin(), list.end(), tag) != list.end();
    };
    for (const std::string& tag : requiredTags)
        if (!has(tags, tag)) return false;
    for (const std::string& tag : tags)
        if (has(excludedTags, tag)) return false;
    return true;
}

void FontLayer::ComputeHeight() {
    int64_t tallest = 0;
    for (const CharData& data : charData)
        tallest = std::max<int64_t>(tallest, int64_t(data.imageRect.height) + data.offsetY);
    height = static_cast<int32_t>(std::min<int64_t>(tallest, INT32_MAX));
}

} // namespace Zorbel
