#pragma once

#include <cstdint>
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

    // Between BeginBatch and EndBatch a store may keep what is written and store it all at the end,
    // as one change per key. Each write still answers whether its value can be stored; EndBatch
    // answers whether everything was. Batches nest; the outermost end stores.
    virtual void BeginBatch() {}
    virtual bool EndBatch() { return true; }

    // Problems worth telling the user (a settings file that cannot be written), each told once;
    // taking them empties the list.
    virtual std::vector<std::string> TakeReports() { return {}; }
};

} // namespace Zorbel
