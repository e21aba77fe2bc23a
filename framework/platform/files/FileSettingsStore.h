#pragma once

#include "framework/platform/SettingsStore.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Zorbel {

// Keeps each key as a small text file below a root folder: "SOFTWARE\Vendor\Product\Sub" lives in
// <root>/Vendor/Product/Sub/settings.ini. A file is parsed once and kept in memory, and parsed again
// only when it has changed on disk. Every write replaces the file atomically, at once or, inside a
// batch, together with the batch's other writes when it ends, so a crash never leaves it
// half-written; lines that do not parse read as missing values. A file this store cannot read (not a
// regular file, unreadable, or larger than MaxFileBytes) is never replaced, so nothing in it is lost:
// its values read as missing and writes to it fail, which is reported once.
class FileSettingsStore : public SettingsStore {
public:
    static constexpr const char* FileName = "settings.ini";
    static constexpr uint64_t MaxFileBytes = uint64_t(64) << 20;

    // root defaults to $XDG_CONFIG_HOME, else ~/.config.
    explicit FileSettingsStore(std::string root = DefaultRoot());
    ~FileSettingsStore() override;

    bool Write(const std::string& keyPath, const std::string& valueName, uint32_t type, const void* data,
               size_t length) override;
    bool Read(const std::string& keyPath, const std::string& valueName, uint32_t& type,
              std::vector<uint8_t>& data) override;
    void Erase(const std::string& keyPath, const std::string& valueName) override;
    void BeginBatch() override;
    bool EndBatch() override;
    std::vector<std::string> TakeReports() override;

    static std::string DefaultRoot();
    // The folder of a key, or empty when the path is not one this store accepts (it must start with
    // "SOFTWARE\" and no level may be empty, "." or "..").
    std::string KeyFolder(const std::string& keyPath) const;

    // A stored value: its type and its bytes.
    struct Value;

private:
    struct KeyFile;

    // The file of a key as it is now on disk, with the changes of an open batch applied.
    KeyFile& Current(const std::string& path);
    // Applies a change (null: erase the value) and stores it, at once or when the batch ends.
    bool Change(const std::string& path, const std::string& valueName, const Value* value);
    bool Save(const std::string& path, KeyFile& file);
    // Why the file cannot be written, or empty when it can.
    std::string WriteProblem(const std::string& path, const KeyFile& file) const;
    void Report(const std::string& path, const std::string& problem);

    std::string mRoot;
    std::map<std::string, std::unique_ptr<KeyFile>> mFiles; // by path
    int mBatchDepth = 0;
    std::set<std::string> mReported;
    std::vector<std::string> mReports;
};

} // namespace Zorbel
