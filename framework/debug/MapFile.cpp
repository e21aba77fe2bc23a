#include "framework/debug/MapFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <dirent.h>
#include <fstream>
#include <vector>

namespace Zorbel {

namespace {

bool ParseHex(const std::string& text, size_t at, size_t count, uint32_t& value) {
    if (at + count > text.size()) return false;
    uint32_t result = 0;
    for (size_t i = at; i < at + count; ++i) {
        char c = text[i];
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0) return false;
        result = result << 4 | static_cast<uint32_t>(digit);
    }
    value = result;
    return true;
}

// A decimal field of a line row, blanks allowed before the digits.
bool ParseDecimal(const std::string& text, size_t at, size_t count, int& value) {
    size_t i = at;
    while (i < at + count && text[i] == ' ')
        ++i;
    if (i == at + count) return false;
    int result = 0;
    for (; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        result = result * 10 + (text[i] - '0');
    }
    value = result;
    return true;
}

std::string Undecorate(const std::string& name) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
    if (status != 0 || !demangled) return name;
    std::string result = demangled;
    std::free(demangled);
    return result;
}

// The entry that covers address: the one at it, else the one before the first above it (none when
// the address lies below every entry or above none).
template <typename Map>
typename Map::const_iterator Covering(const Map& map, MapFile::Key address) {
    auto found = map.lower_bound(address);
    if (found == map.end()) return map.end();
    if (found->first != address && found != map.begin()) --found;
    return found;
}

} // namespace

void MapFile::Read(std::istream& in) {
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > kMaxLine) line.resize(kMaxLine);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ReadLine(line);
    }
}

bool MapFile::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    Read(in);
    return true;
}

void MapFile::ReadLine(const std::string& line) {
    if (line.size() > 22 && line[5] == ':') {
        uint32_t section = 0, offset = 0;
        if (!ParseHex(line, 1, 4, section) || !ParseHex(line, 6, 8, offset)) return;
        std::string name;
        if (line[20] == ' ') {
            size_t end = line.find(' ', 21);
            if (end != std::string::npos) name = line.substr(21, end - 21);
        }
        mSymbols[{section, offset}] = name;
        return;
    }
    if (line.rfind("Line numbers", 0) == 0) {
        size_t open = line.find('('), close = line.rfind(')');
        mSourceFile = open != std::string::npos && close != std::string::npos && close > open
                          ? line.substr(open + 1, close - open - 1)
                          : std::string();
        return;
    }
    if (!mSourceFile.empty() && line.size() == 80) {
        for (size_t entry = 0; entry < 80; entry += 20) {
            int number = 0;
            uint32_t section = 0, offset = 0;
            if (ParseDecimal(line, entry, 6, number) && ParseHex(line, entry + 7, 4, section) &&
                ParseHex(line, entry + 12, 8, offset))
                mLines[{section, offset}] = LineEntry{mSourceFile, number};
        }
    }
}

std::optional<std::string> MapFile::Describe(Key address) const {
    auto symbol = Covering(mSymbols, address);
    // The first symbol may lie above the address; nothing then covers it.
    if (symbol == mSymbols.end() || symbol->first.first != address.first || symbol->first > address)
        return std::nullopt;
    std::string text = Undecorate(symbol->second);
    char buffer[64];
    if (uint32_t distance = address.second - symbol->first.second) {
        std::snprintf(buffer, sizeof buffer, "+0x%X", distance);
        text += buffer;
    }
    auto line = Covering(mLines, address);
    if (line != mLines.end() && line->first.first == address.first && line->first <= address) {
        std::snprintf(buffer, sizeof buffer, " line %d +0x%X", line->second.line,
                      address.second - line->first.second);
        text += "\r\n    " + line->second.file + buffer;
    }
    return text;
}

std::string MapFile::Symbolise(const std::string& report) const {
    std::string result;
    result.reserve(report.size());
    size_t i = 0;
    while (i < report.size()) {
        uint32_t section = 0, offset = 0;
        if (i + 13 <= report.size() && report[i + 4] == ':' && ParseHex(report, i, 4, section) &&
            ParseHex(report, i + 5, 8, offset)) {
            if (std::optional<std::string> text = Describe({section, offset})) {
                result += *text;
                i += 13;
                continue;
            }
        }
        result += report[i++];
    }
    return result;
}

std::string MapFile::FindInFolder(const std::string& folder) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return std::string();
    std::vector<std::string> maps;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".map") == 0) maps.push_back(name);
    }
    closedir(dir);
    if (maps.empty()) return std::string();
    std::string first = *std::min_element(maps.begin(), maps.end());
    return folder.empty() ? first : folder + "/" + first;
}

} // namespace Zorbel
