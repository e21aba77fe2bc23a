#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

// Typed named values under keys, standing in for the system registry. Key paths use "\" between
// levels ("SOFTWARE\Bramblewick\Tesserine\Test3D").
class SettingsStore {
public:
    enum ValueType : uint32_t { TYPE_STRING = 1, TYPE_BINARY = 3, TYPE_DWORD = 4 };

    virtual ~SettingsStore() = default;

    // Creates the key when it is missing. False when the value could not be stored.
    [[nodiscard]] virtual bool Write(const std::string& keyPath, const std::string& valueName, uint32_t type,
                                     const void* data, size_t length) = 0;
    // False when the key or the value is missing.
    [[nodiscard]] virtual bool Read(const std::string& keyPath, const std::string& valueName, uint32_t& type,
                                    std::vector<uint8_t>& data) = 0;
    virtual void Erase(const std::string& keyPath, const std::string& valueName) = 0;
};

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
