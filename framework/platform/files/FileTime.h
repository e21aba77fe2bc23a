#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// A file's last modification as a 64-bit file time: 100 ns units since 1 January 1601 (UTC). 0 when the
// file cannot be found.
uint64_t LastWriteFileTime(const std::string& path);

} // namespace Zorbel
