#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// Byte counts as the developer reports print them: a comma between groups of three digits
// (1234567 becomes "1,234,567").
std::string GroupThousands(uint64_t value);

// A span of time as "hh:mm:ss" (hours not limited to two digits); negative spans read as 0.
std::string ClockText(int64_t milliseconds);

} // namespace Zorbel
