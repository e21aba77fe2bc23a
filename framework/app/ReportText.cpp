#include "framework/app/ReportText.h"

#include <cstdio>

namespace Zorbel {

std::string GroupThousands(uint64_t value) {
    std::string digits = std::to_string(value);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

std::string ClockText(int64_t milliseconds) {
    const int64_t seconds = milliseconds > 0 ? milliseconds / 1000 : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

} // namespace Zorbel
