#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Zorbel {

class DemoSession;
class SettingsStore;

// The standard values that every run keeps in its settings, all 32-bit numbers.
struct StandardSettings {
    int32_t musicVolume = 0; // percent
    int32_t sfxVolume = 0;   // percent
    int32_t muted = 0;
    int32_t screenMode = 0; // 1 full screen, 0 windowed
    int32_t preferredX = -1;
    int32_t preferredY = -1;
    int32_t customCursors = 0;
    int32_t inProgress = 0;
    int32_t waitForVSync = 0;
};

// The same values as read back: a value that is missing, or not a 32-bit number, stays empty.
struct StoredSettings {
    std::optional<int32_t> musicVolume;
    std::optional<int32_t> sfxVolume;
    std::optional<int32_t> muted;
    std::optional<int32_t> screenMode;
    std::optional<int32_t> preferredX;
    std::optional<int32_t> preferredY;
    std::optional<int32_t> customCursors;
    std::optional<int32_t> waitForVSync;
    std::optional<int32_t> inProgress;
};

// The application's settings: typed values below "SOFTWARE\" + the settings key of the product. A
// value name may name a sub-key ("Test3D\RuntimeError" is the value "RuntimeError" in the sub-key
// "Test3D"). With an empty key nothing is read or written. Every read and write passes the demo
// session, which records it, or during playback gives the recorded result without touching the store.
// Problems the store reports after a write (a settings file that cannot be written) go to tell.
class AppSettings {
public:
    using ProblemTeller = std::function<void(const std::string& problem)>;

    // The store and the demo session must outlive the settings.
    AppSettings(SettingsStore& store, DemoSession& demo, ProblemTeller tell = {})
        : mStore(store), mDemo(demo), mTell(std::move(tell)) {}

    bool Write(const std::string& key, const std::string& valueName, uint32_t type, const void* data,
               size_t length);
    bool WriteString(const std::string& key, const std::string& valueName, const std::string& text);
    bool WriteInteger(const std::string& key, const std::string& valueName, int32_t value);
    // length holds the buffer's size on entry and the value's size on success; a value larger than
    // the buffer reads as missing.
    bool Read(const std::string& key, const std::string& valueName, uint32_t& type, uint8_t* buffer,
              uint32_t& length);
    bool ReadInteger(const std::string& key, const std::string& valueName, int32_t& value);
    bool ReadString(const std::string& key, const std::string& valueName, std::string& text);
    // Failures are ignored; the demo takes no part.
    void Erase(const std::string& key, const std::string& valueName);

    // The store itself, with no demo taking part: for values that are no part of the recorded run
    // (the playback controls' own). Strings are written with their terminating zero and read back
    // without it; a string longer than maxBytes reads as missing.
    bool WriteStringDirect(const std::string& key, const std::string& valueName, const std::string& text);
    bool ReadStringDirect(const std::string& key, const std::string& valueName, std::string& text,
                          size_t maxBytes);

    // The standard values in their fixed order of reading and of writing; they are written as one
    // change to the store.
    StoredSettings ReadStandard(const std::string& key);
    void WriteStandard(const std::string& key, const StandardSettings& values);

    // Volumes are kept in whole percent.
    static int32_t VolumeToPercent(double volume);

private:
    bool StoreWrite(const std::string& key, const std::string& valueName, uint32_t type, const void* data,
                    size_t length);
    bool StoreRead(const std::string& key, const std::string& valueName, uint32_t& type,
                   std::vector<uint8_t>& data);
    void TellProblems();

    SettingsStore& mStore;
    DemoSession& mDemo;
    ProblemTeller mTell;
};

} // namespace Zorbel
