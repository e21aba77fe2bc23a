#pragma once

#include <string>

namespace Zorbel {

// Writes the map file of an ELF program in the format MapFile reads: its function and data symbols
// and, from its debug information, the source lines of its code, all as section:offset pairs in the
// section numbering of crash reports.
class MapFileWriter {
public:
    // The map text of the program at path; empty when the file is not a readable ELF file.
    static std::string Write(const std::string& path);
};

} // namespace Zorbel
