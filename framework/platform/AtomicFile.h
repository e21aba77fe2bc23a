#pragma once

#include <string>
#include <string_view>

namespace Zorbel {

// Replaces path with contents so that a reader, or a crash at any moment, sees either the old file
// or the whole new one: the bytes go to a temporary file in the same folder, are flushed to disk,
// and the temporary file is renamed over the target.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view contents);

} // namespace Zorbel
