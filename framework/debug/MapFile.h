#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace Zorbel {

// A linker map in the text format the crash reporter reads: symbol lines (" SSSS:OOOOOOOO" then the
// name from column 21), "Line numbers for ...(source file)..." headers, and rows of exactly 80
// characters holding four line entries of 20 columns ("%6d %04X:%08X"). Everything else is ignored.
// Symbolise puts names and lines in place of the section:offset pairs in a report.
class MapFile {
public:
    using Key = std::pair<uint32_t, uint32_t>; // section, offset
    struct LineEntry {
        std::string file;
        int line = 0;
    };

    // Lines are read up to this many characters; the rest of a longer line is dropped.
    static constexpr size_t kMaxLine = 4096;

    void Read(std::istream& in);
    void ReadLine(const std::string& line);
    bool ReadFile(const std::string& path);

    // Every section:offset pair in report that a symbol covers, replaced by the symbol (and its
    // source line when the map has one).
    std::string Symbolise(const std::string& report) const;
    // The replacement text for one address; nullopt when no symbol of its section covers it.
    std::optional<std::string> Describe(Key address) const;

    const std::map<Key, std::string>& Symbols() const { return mSymbols; }
    const std::map<Key, LineEntry>& Lines() const { return mLines; }

    // The first "*.map" file in folder by name; empty when there is none.
    static std::string FindInFolder(const std::string& folder);

private:
    std::map<Key, std::string> mSymbols;
    std::map<Key, LineEntry> mLines;
    std::string mSourceFile;
};

} // namespace Zorbel
