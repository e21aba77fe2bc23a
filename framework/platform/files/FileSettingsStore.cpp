#include "framework/platform/files/FileSettingsStore.h"

#include "framework/platform/files/AtomicFile.h"
#include "framework/platform/files/Path.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace Zorbel {

namespace {

struct StoredValue {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

using ValueMap = std::map<std::string, StoredValue>;

constexpr const char* Header = "# Zorbel settings: name = type:percent-encoded bytes";

// Printable ASCII passes; everything else, and the characters the format itself uses, become %XX.
std::string Encode(const uint8_t* bytes, size_t length) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        uint8_t b = bytes[i];
        if (b > 32 && b < 127 && b != '%' && b != '=' && b != ':') {
            text += static_cast<char>(b);
        } else {
            text += '%';
            text += hex[b >> 4];
            text += hex[b & 15];
        }
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Decode(const std::string& text, std::vector<uint8_t>& bytes) {
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes.push_back(static_cast<uint8_t>(text[i]));
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int high = HexDigit(text[i + 1]);
        int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
        i += 2;
    }
    return true;
}

// Reads every well-formed line; a damaged line is dropped, the rest survive.
ValueMap Load(const std::string& file) {
    ValueMap values;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t equals = line.find(" = ");
        if (equals == std::string::npos) continue;
        size_t colon = line.find(':', equals + 3);
        if (colon == std::string::npos) continue;
        std::vector<uint8_t> name;
        StoredValue value;
        char* end = nullptr;
        std::string typeText = line.substr(equals + 3, colon - equals - 3);
        unsigned long type = std::strtoul(typeText.c_str(), &end, 10);
        if (typeText.empty() || *end != '\0' || type > 0xFFFFFFFFul) continue;
        if (!Decode(line.substr(0, equals), name) || !Decode(line.substr(colon + 1), value.data)) continue;
        value.type = static_cast<uint32_t>(type);
        values[std::string(name.begin(), name.end())] = std::move(value);
    }
    return values;
}

bool Save(const std::string& file, const ValueMap& values) {
    std::ostringstream out;
    out << Header << '\n';
    for (const auto& [name, value] : values)
        out << Encode(reinterpret_cast<const uint8_t*>(name.data()), name.size()) << " = " << value.type
            << ':' << Encode(value.data.data(), value.data.size()) << '\n';
    return WriteFileAtomically(file, out.str());
}

} // namespace

FileSettingsStore::FileSettingsStore(std::string root) : mRoot(std::move(root)) {}

std::string FileSettingsStore::DefaultRoot() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return config;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config";
}

std::string FileSettingsStore::KeyFolder(const std::string& keyPath) const {
    static const std::string prefix = "SOFTWARE\\";
    if (keyPath.compare(0, prefix.size(), prefix) != 0) return std::string();
    std::string folder = mRoot;
    std::string rest = keyPath.substr(prefix.size()) + "\\";
    size_t start = 0;
    for (size_t end = rest.find('\\'); end != std::string::npos;
         start = end + 1, end = rest.find('\\', start)) {
        std::string level = rest.substr(start, end - start);
        if (level.empty() || level == "." || level == ".." || level.find('/') != std::string::npos)
            return std::string();
        folder += "/" + level;
    }
    return folder;
}

bool FileSettingsStore::Write(const std::string& keyPath, const std::string& valueName, uint32_t type,
                              const void* data, size_t length) {
    std::string folder = KeyFolder(keyPath);
    if (folder.empty() || !MakeDirectories(folder)) return false;
    std::string file = folder + "/" + FileName;
    ValueMap values = Load(file);
    const auto* bytes = static_cast<const uint8_t*>(data);
    values[valueName] = StoredValue{type, std::vector<uint8_t>(bytes, bytes + length)};
    return Save(file, values);
}

bool FileSettingsStore::Read(const std::string& keyPath, const std::string& valueName, uint32_t& type,
                             std::vector<uint8_t>& data) {
    std::string folder = KeyFolder(keyPath);
    if (folder.empty()) return false;
    ValueMap values = Load(folder + "/" + FileName);
    auto found = values.find(valueName);
    if (found == values.end()) return false;
    type = found->second.type;
    data = found->second.data;
    return true;
}

void FileSettingsStore::Erase(const std::string& keyPath, const std::string& valueName) {
    std::string folder = KeyFolder(keyPath);
    if (folder.empty()) return;
    std::string file = folder + "/" + FileName;
    ValueMap values = Load(file);
    if (values.erase(valueName) > 0) (void)Save(file, values);
}

} // namespace Zorbel
