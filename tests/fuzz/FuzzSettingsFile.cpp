// Hands an arbitrary byte string to the settings store as the settings file of a key, then reads
// values through it, changes some in a batch and once more alone, and reads the result back through
// a second store, which must see every value the first one wrote.
#include "FuzzFiles.h"
#include "framework/platform/files/FileSettingsStore.h"

#include <cstring>

namespace {

const char* const Key = "SOFTWARE\\Fuzz";
const char* const Names[] = {"MusicVolume", "Muted", "A", "%", "x y", ""};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::filesystem::create_directories(FuzzFiles::Folder() / "Fuzz");
    FuzzFiles::Write("Fuzz/settings.ini", data, size);
    Zorbel::FileSettingsStore store(FuzzFiles::Folder().string());
    uint32_t type = 0;
    std::vector<uint8_t> value;
    for (const char* name : Names)
        (void)store.Read(Key, name, type, value);

    store.BeginBatch();
    for (size_t i = 0; i < 3; ++i) {
        uint32_t number = static_cast<uint32_t>(i * 7919 + size);
        if (!store.Write(Key, Names[i], Zorbel::SettingsStore::TYPE_DWORD, &number, 4)) std::abort();
    }
    store.Erase(Key, Names[3]);
    if (!store.EndBatch()) std::abort();
    if (!store.Write(Key, Names[4], Zorbel::SettingsStore::TYPE_BINARY, data, size)) std::abort();

    Zorbel::FileSettingsStore reader(FuzzFiles::Folder().string());
    for (size_t i = 0; i < 3; ++i) {
        uint32_t number = static_cast<uint32_t>(i * 7919 + size);
        if (!reader.Read(Key, Names[i], type, value) || value.size() != 4 ||
            std::memcmp(value.data(), &number, 4) != 0)
            std::abort();
    }
    if (reader.Read(Key, Names[3], type, value)) std::abort();
    if (!reader.Read(Key, Names[4], type, value) || value != std::vector<uint8_t>(data, data + size))
        std::abort();
    return 0;
}
