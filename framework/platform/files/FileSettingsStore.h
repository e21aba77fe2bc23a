#pragma once

#include "framework/platform/SettingsStore.h"

#include <string>
#include <vector>

namespace Zorbel {

// Keeps each key as a small text file below a root folder: "SOFTWARE\Vendor\Product\Sub" lives in
// <root>/Vendor/Product/Sub/settings.ini. Every write replaces the file atomically, so a crash never
// leaves it half-written; lines that do not parse read as missing values.
class FileSettingsStore : public SettingsStore {
public:
    static constexpr const char* FileName = "settings.ini";

    // root defaults to $XDG_CONFIG_HOME, else ~/.config.
    explicit FileSettingsStore(std::string root = DefaultRoot());

    bool Write(const std::string& keyPath, const std::string& valueName, uint32_t type, const void* data,
               size_t length) override;
    bool Read(const std::string& keyPath, const std::string& valueName, uint32_t& type,
              std::vector<uint8_t>& data) override;
    void Erase(const std::string& keyPath, const std::string& valueName) override;

    static std::string DefaultRoot();
    // The folder of a key, or empty when the path is not one this store accepts (it must start with
    // "SOFTWARE\" and no level may be empty, "." or "..").
    std::string KeyFolder(const std::string& keyPath) const;

private:
    std::string mRoot;
};

} // namespace Zorbel
