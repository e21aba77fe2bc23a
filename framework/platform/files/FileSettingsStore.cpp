#include "framework/platform/files/FileSettingsStore.h"

#include "framework/platform/files/AtomicFile.h"
#include "framework/platform/files/InputFile.h"
#include "framework/platform/files/Path.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace Zorbel {

struct FileSettingsStore::Value {
    uint32_t type = 0;
    std::vector<uint8_t> data;

    bool operator==(const Value&) const = default;
};

namespace {

using ValueMap = std::map<std::string, FileSettingsStore::Value, std::less<>>;

constexpr const char* Header = "# Zorbel settings: name = type:percent-encoded bytes";

// Printable ASCII passes; everything else, and the characters the format itself uses, become %XX.
void Encode(const uint8_t* bytes, size_t length, std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
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
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Decode(std::string_view text, std::vector<uint8_t>& bytes) {
    bytes.clear();
    bytes.reserve(text.size());
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

// One "name = type:bytes" line; false when it does not parse.
bool ParseLine(std::string_view line, std::string& name, FileSettingsStore::Value& value) {
    if (line.empty() || line[0] == '#') return false;
    size_t equals = line.find(" = ");
    if (equals == std::string_view::npos) return false;
    size_t colon = line.find(':', equals + 3);
    if (colon == std::string_view::npos) return false;
    std::string_view typeText = line.substr(equals + 3, colon - equals - 3);
    auto [end, error] = std::from_chars(typeText.data(), typeText.data() + typeText.size(), value.type);
    if (typeText.empty() || error != std::errc() || end != typeText.data() + typeText.size()) return false;
    std::vector<uint8_t> nameBytes;
    if (!Decode(line.substr(0, equals), nameBytes) || !Decode(line.substr(colon + 1), value.data))
        return false;
    name.assign(nameBytes.begin(), nameBytes.end());
    return true;
}

// Every well-formed line; a damaged line is dropped, the rest survive.
ValueMap Parse(std::string_view text) {
    ValueMap values;
    std::string name;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        FileSettingsStore::Value value;
        if (ParseLine(line, name, value)) values.insert_or_assign(name, std::move(value));
    }
    return values;
}

std::string Serialize(const ValueMap& values) {
    std::string out = Header;
    out += '\n';
    for (const auto& [name, value] : values) {
        Encode(reinterpret_cast<const uint8_t*>(name.data()), name.size(), out);
        out += " = ";
        out += std::to_string(value.type);
        out += ':';
        Encode(value.data.data(), value.data.size(), out);
        out += '\n';
    }
    return out;
}

// What tells whether a file changed on disk since it was read or written.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modified = 0;
    int64_t changed = 0;

    static FileIdentity Of(const std::string& path) {
        struct stat info {};
        FileIdentity identity;
        if (::stat(path.c_str(), &info) != 0) return identity;
        identity.exists = true;
        identity.device = info.st_dev;
        identity.inode = info.st_ino;
        identity.size = info.st_size;
        identity.modified = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        identity.changed = int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
        return identity;
    }
    bool operator==(const FileIdentity&) const = default;
};

} // namespace

struct FileSettingsStore::KeyFile {
    ValueMap values;
    // Changes made in the open batch and not yet written: a value, or none for an erased one.
    std::vector<std::pair<std::string, std::optional<Value>>> pending;
    std::optional<FileIdentity> identity; // none: read it again
    InputFile::Status status = InputFile::Status::Missing;

    void Apply(const std::string& name, const std::optional<Value>& value) {
        if (value)
            values.insert_or_assign(name, *value);
        else
            values.erase(name);
    }
};

FileSettingsStore::FileSettingsStore(std::string root) : mRoot(std::move(root)) {}

FileSettingsStore::~FileSettingsStore() = default;

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

FileSettingsStore::KeyFile& FileSettingsStore::Current(const std::string& path) {
    std::unique_ptr<KeyFile>& entry = mFiles[path];
    if (!entry) entry = std::make_unique<KeyFile>();
    KeyFile& file = *entry;
    FileIdentity now = FileIdentity::Of(path);
    if (file.identity == now) return file;

    file.values.clear();
    InputFile in(path, MaxFileBytes);
    file.status = in.GetStatus();
    std::string text;
    if (in && !in.ReadAll(text)) file.status = InputFile::Status::Unreadable;
    if (file.status == InputFile::Status::Open) file.values = Parse(text);
    for (const auto& [name, value] : file.pending)
        file.Apply(name, value);
    file.identity = now;
    return file;
}

bool FileSettingsStore::Write(const std::string& keyPath, const std::string& valueName, uint32_t type,
                              const void* data, size_t length) {
    std::string folder = KeyFolder(keyPath);
    if (folder.empty()) return false;
    std::string path = folder + "/" + FileName;
    if (!MakeDirectories(folder)) {
        Report(path, "its folder cannot be made");
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    Value value{type, std::vector<uint8_t>(bytes, bytes + length)};
    return Change(path, valueName, &value);
}

bool FileSettingsStore::Read(const std::string& keyPath, const std::string& valueName, uint32_t& type,
                             std::vector<uint8_t>& data) {
    std::string folder = KeyFolder(keyPath);
    if (folder.empty()) return false;
    const KeyFile& file = Current(folder + "/" + FileName);
    auto found = file.values.find(valueName);
    if (found == file.values.end()) return false;
    type = found->second.type;
    data = found->second.data;
    return true;
}

void FileSettingsStore::Erase(const std::string& keyPath, const std::string& valueName) {
    std::string folder = KeyFolder(keyPath);
    if (!folder.empty()) (void)Change(folder + "/" + FileName, valueName, nullptr);
}

bool FileSettingsStore::Change(const std::string& path, const std::string& valueName, const Value* value) {
    KeyFile& file = Current(path);
    // What the file already says needs no write (erasing from a key that does not exist, for one).
    auto found = file.values.find(valueName);
    if (value ? found != file.values.end() && found->second == *value : found == file.values.end())
        return true;
    std::string problem = WriteProblem(path, file);
    if (!problem.empty()) {
        Report(path, problem);
        return false;
    }
    file.pending.emplace_back(valueName, value ? std::optional<Value>(*value) : std::nullopt);
    file.Apply(valueName, file.pending.back().second);
    return mBatchDepth > 0 || Save(path, file);
}

bool FileSettingsStore::Save(const std::string& path, KeyFile& file) {
    AtomicFile::RemoveStaleTemporaries(path);
    bool saved = WriteFileAtomically(path, Serialize(file.values));
    int error = errno;
    file.pending.clear();
    if (!saved) {
        // The values in memory are not what the file holds; the next access reads the file again.
        file.identity.reset();
        Report(path, std::strerror(error));
        return false;
    }
    file.identity = FileIdentity::Of(path);
    return true;
}

std::string FileSettingsStore::WriteProblem(const std::string& path, const KeyFile& file) const {
    switch (file.status) {
        case InputFile::Status::Open:
        case InputFile::Status::Missing:
            break;
        case InputFile::Status::NotRegular:
            return "it is not a regular file";
        case InputFile::Status::TooLarge:
            return "it is larger than " + std::to_string(MaxFileBytes >> 20) + " MB";
        case InputFile::Status::Unreadable:
            return "it cannot be read";
    }
    std::string folder = GetFileDir(path);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    return std::string();
}

void FileSettingsStore::BeginBatch() {
    ++mBatchDepth;
}

bool FileSettingsStore::EndBatch() {
    if (mBatchDepth == 0 || --mBatchDepth > 0) return true;
    bool allSaved = true;
    for (auto& [path, entry] : mFiles) {
        if (entry->pending.empty()) continue;
        KeyFile& file = Current(path);
        std::string problem = WriteProblem(path, file);
        if (!problem.empty()) {
            file.pending.clear();
            file.identity.reset();
            Report(path, problem);
            allSaved = false;
        } else if (!Save(path, file)) {
            allSaved = false;
        }
    }
    return allSaved;
}

void FileSettingsStore::Report(const std::string& path, const std::string& problem) {
    if (mReported.insert(path).second)
        mReports.push_back("The settings cannot be saved in " + path + ": " + problem + ".");
}

std::vector<std::string> FileSettingsStore::TakeReports() {
    return std::exchange(mReports, {});
}

} // namespace Zorbel
