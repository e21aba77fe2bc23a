#include "framework/platform/text/StringToInt.h"

#include <cctype>

namespace Zorbel {

namespace {

int DigitValue(char c, int radix) {
    int digit = -1;
    if (c >= '0' && c <= '9')
        digit = c - '0';
    else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    return digit < radix ? digit : -1;
}

} // namespace

bool StringToInt(std::string_view text, int32_t& value) {
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    int radix = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        radix = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    // Accumulated as a magnitude so that the most negative value is reachable.
    const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : int64_t{INT32_MAX};
    int64_t magnitude = 0;
    for (char c : text) {
        int digit = DigitValue(c, radix);
        if (digit < 0) return false;
        magnitude = magnitude * radix + digit;
        if (magnitude > limit) return false;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

int64_t LeadingDecimal(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    // Accumulated as a negative number, whose range reaches one further.
    int64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        int digit = text[at] - '0';
        value = value < (INT64_MIN + digit) / 10 ? INT64_MIN : value * 10 - digit;
    }
    if (negative) return value;
    return value == INT64_MIN ? INT64_MAX : -value;
}

} // namespace Zorbel
