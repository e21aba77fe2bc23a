#include "framework/app/AppSettings.h"

#include "framework/app/DemoSession.h"
#include "framework/platform/SettingsStore.h"

#include <cstring>
#include <vector>

namespace Zorbel {

namespace {

// "Sub\Value" names the value "Value" in the sub-key "Sub".
void SplitValueName(const std::string& settingsKey, const std::string& valueName, std::string& keyPath,
                    std::string& name) {
    keyPath = "SOFTWARE\\";
    keyPath.append(settingsKey);
    size_t separator = valueName.rfind('\\');
    if (separator == std::string::npos) {
        name = valueName;
    } else {
        keyPath.push_back('\\');
        keyPath.append(valueName, 0, separator);
        name.assign(valueName, separator + 1, std::string::npos);
    }
}

// Strings written with their terminating zero read back without it.
std::string TextOfValue(const uint8_t* bytes, size_t length) {
    std::string text(reinterpret_cast<const char*>(bytes), length);
    size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

} // namespace

int32_t AppSettings::VolumeToPercent(double volume) {
    // The product is nudged before it is cut, so that 0.57 is stored as 57 rather than as the 56 its
    // binary approximation would truncate to.
    return static_cast<int32_t>(volume * 100.0 + 1e-9);
}

bool AppSettings::StoreWrite(const std::string& key, const std::string& valueName, uint32_t type,
                             const void* data, size_t length) {
    std::string keyPath, name;
    SplitValueName(key, valueName, keyPath, name);
    bool written = mStore.Write(keyPath, name, type, data, length);
    TellProblems();
    return written;
}

bool AppSettings::StoreRead(const std::string& key, const std::string& valueName, uint32_t& type,
                            std::vector<uint8_t>& data) {
    std::string keyPath, name;
    SplitValueName(key, valueName, keyPath, name);
    return mStore.Read(keyPath, name, type, data);
}

bool AppSettings::Write(const std::string& key, const std::string& valueName, uint32_t type, const void* data,
                        size_t length) {
    if (key.empty()) return false;
    if (mDemo.IsPlaying()) return mDemo.ReplaySettingsWrite();
    bool written = StoreWrite(key, valueName, type, data, length);
    if (mDemo.IsRecording()) mDemo.RecordSettingsWrite(written);
    return written;
}

bool AppSettings::WriteString(const std::string& key, const std::string& valueName, const std::string& text) {
    return Write(key, valueName, SettingsStore::TYPE_STRING, text.data(), text.size());
}

bool AppSettings::WriteInteger(const std::string& key, const std::string& valueName, int32_t value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    return Write(key, valueName, SettingsStore::TYPE_DWORD, bytes, 4);
}

bool AppSettings::Read(const std::string& key, const std::string& valueName, uint32_t& type, uint8_t* buffer,
                       uint32_t& length) {
    if (key.empty()) return false;
    if (mDemo.IsPlaying()) return mDemo.ReplaySettingsRead(type, buffer, length);
    std::vector<uint8_t> data;
    uint32_t storedType = 0;
    if (!StoreRead(key, valueName, storedType, data) || data.size() > length) {
        if (mDemo.IsRecording()) mDemo.RecordSettingsRead(false, 0, nullptr, 0);
        return false;
    }
    type = storedType;
    length = static_cast<uint32_t>(data.size());
    if (length > 0) std::memcpy(buffer, data.data(), length);
    if (mDemo.IsRecording()) mDemo.RecordSettingsRead(true, type, buffer, length);
    return true;
}

bool AppSettings::ReadInteger(const std::string& key, const std::string& valueName, int32_t& value) {
    uint8_t bytes[4];
    uint32_t type = 0;
    uint32_t length = sizeof bytes;
    if (!Read(key, valueName, type, bytes, length)) return false;
    if (type != SettingsStore::TYPE_DWORD || length != 4) return false;
    std::memcpy(&value, bytes, 4);
    return true;
}

bool AppSettings::ReadString(const std::string& key, const std::string& valueName, std::string& text) {
    std::vector<uint8_t> buffer(1000);
    uint32_t type = 0;
    uint32_t length = static_cast<uint32_t>(buffer.size());
    if (!Read(key, valueName, type, buffer.data(), length) || type != SettingsStore::TYPE_STRING)
        return false;
    text = TextOfValue(buffer.data(), length);
    return true;
}

bool AppSettings::WriteStringDirect(const std::string& key, const std::string& valueName,
                                    const std::string& text) {
    if (key.empty()) return false;
    return StoreWrite(key, valueName, SettingsStore::TYPE_STRING, text.c_str(), text.size() + 1);
}

bool AppSettings::ReadStringDirect(const std::string& key, const std::string& valueName, std::string& text,
                                   size_t maxBytes) {
    std::vector<uint8_t> data;
    uint32_t type = 0;
    if (key.empty() || !StoreRead(key, valueName, type, data) || type != SettingsStore::TYPE_STRING ||
        data.size() > maxBytes)
        return false;
    text = TextOfValue(data.data(), data.size());
    return true;
}

void AppSettings::Erase(const std::string& key, const std::string& valueName) {
    if (key.empty()) return;
    std::string keyPath, name;
    SplitValueName(key, valueName, keyPath, name);
    mStore.Erase(keyPath, name);
    TellProblems();
}

// Each problem is told once: the store forgets it when it is taken.
void AppSettings::TellProblems() {
    for (const std::string& problem : mStore.TakeReports())
        if (mTell) mTell(problem);
}

StoredSettings AppSettings::ReadStandard(const std::string& key) {
    auto read = [&](const char* valueName) {
        int32_t value = 0;
        return ReadInteger(key, valueName, value) ? std::optional<int32_t>(value) : std::nullopt;
    };
    StoredSettings stored;
    stored.musicVolume = read("MusicVolume");
    stored.sfxVolume = read("SfxVolume");
    stored.muted = read("Muted");
    stored.screenMode = read("ScreenMode");
    stored.preferredX = read("PreferredX");
    stored.preferredY = read("PreferredY");
    stored.customCursors = read("CustomCursors");
    stored.waitForVSync = read("WaitForVSync");
    stored.inProgress = read("InProgress");
    return stored;
}

void AppSettings::WriteStandard(const std::string& key, const StandardSettings& values) {
    mStore.BeginBatch();
    WriteInteger(key, "MusicVolume", values.musicVolume);
    WriteInteger(key, "SfxVolume", values.sfxVolume);
    WriteInteger(key, "Muted", values.muted);
    WriteInteger(key, "ScreenMode", values.screenMode);
    WriteInteger(key, "PreferredX", values.preferredX);
    WriteInteger(key, "PreferredY", values.preferredY);
    WriteInteger(key, "CustomCursors", values.customCursors);
    WriteInteger(key, "InProgress", values.inProgress);
    WriteInteger(key, "WaitForVSync", values.waitForVSync);
    (void)mStore.EndBatch();
    TellProblems();
}

} // namespace Zorbel
