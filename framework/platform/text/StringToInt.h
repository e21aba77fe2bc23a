#pragma once

#include <cstdint>
#include <string_view>

namespace Zorbel {

// The framework's reading of an integer: an optional leading "-", then decimal digits; "0x" or "0X" in
// the first two places switches to hexadecimal digits of either case. Any other character, an empty
// text, a sign or prefix without digits, or a value outside the 32-bit signed range fails, and value is
// left alone.
[[nodiscard]] bool StringToInt(std::string_view text, int32_t& value);

// C's atoi reading, without its undefined overflow: leading white space, an optional sign, then as many
// decimal digits as follow; anything after them is ignored and no digits read as 0. The value is held
// to the 64-bit range.
int64_t LeadingDecimal(std::string_view text);

} // namespace Zorbel
