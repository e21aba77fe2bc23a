#pragma once

#include <string>

namespace Zorbel {

// Programs carry their product version as a text in an ELF section of its own, so that it can be read
// back from the file without running it. A program declares it once, at namespace scope:
//     ZORBEL_PRODUCT_VERSION("1.0.3");
#define ZORBEL_PRODUCT_VERSION(text)                                                                         \
    [[gnu::used, gnu::section(".zorbel_version")]] static constexpr char zorbelProductVersion[] = text

inline constexpr const char* ProductVersionSection = ".zorbel_version";

// The text of the version section of the ELF file at path, up to its first zero byte. Empty when the
// file is missing, is no ELF file the reader understands, or has no such section.
std::string ReadProductVersion(const std::string& path);

// The same over a file's bytes already in memory.
std::string ReadProductVersionFromBytes(const unsigned char* bytes, size_t size);

} // namespace Zorbel
