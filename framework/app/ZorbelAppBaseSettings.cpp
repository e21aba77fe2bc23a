// The settings store of the application: typed values below "SOFTWARE\" + the settings key.
#include "framework/app/ZorbelAppBase.h"

#include "framework/platform/SettingsStore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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

// Volumes are stored in whole percent. The product is nudged before it is cut, so that 0.57 is stored
// as 57 rather than as the 56 its binary approximation would truncate to.
int32_t VolumeToPercent(double volume) {
    return static_cast<int32_t>(volume * 100.0 + 1e-9);
}

// A settings file that cannot be written is told once, in the error log and on standard error.
void TellStoreProblems(ZorbelAppBase& app, SettingsStore& store) {
    for (const std::string& problem : store.TakeReports()) {
        app.LogError(problem);
        std::fprintf(stderr, "%s\n", problem.c_str());
    }
}

} // namespace

bool ZorbelAppBase::RegistryWrite(const std::string& valueName, uint32_t type, const void* data,
                                  size_t length) {
    if (mSettingsKey.empty()) return false;
    if (mPlaying) return mPlaybackEnded ? true : PlaybackSettingsWrite();
    std::string keyPath, name;
    SplitValueName(mSettingsKey, valueName, keyPath, name);
    bool written = mSettingsStore->Write(keyPath, name, type, data, length);
    TellStoreProblems(*this, *mSettingsStore);
    if (mRecording) RecordSettingsWrite(written);
    return written;
}

bool ZorbelAppBase::RegistryWriteString(const std::string& valueName, const std::string& text) {
    return RegistryWrite(valueName, SettingsStore::TYPE_STRING, text.data(), text.size());
}

bool ZorbelAppBase::RegistryWriteInteger(const std::string& valueName, int32_t value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    return RegistryWrite(valueName, SettingsStore::TYPE_DWORD, bytes, 4);
}

bool ZorbelAppBase::RegistryRead(const std::string& valueName, uint32_t& type, uint8_t* buffer,
                                 uint32_t& length) {
    if (mSettingsKey.empty()) return false;
    if (mPlaying) return mPlaybackEnded ? false : PlaybackSettingsRead(type, buffer, length);
    std::string keyPath, name;
    SplitValueName(mSettingsKey, valueName, keyPath, name);
    std::vector<uint8_t> data;
    uint32_t storedType = 0;
    if (!mSettingsStore->Read(keyPath, name, storedType, data) || data.size() > length) {
        if (mRecording) RecordSettingsRead(false, 0, nullptr, 0);
        return false;
    }
    type = storedType;
    length = static_cast<uint32_t>(data.size());
    if (length > 0) std::memcpy(buffer, data.data(), length);
    if (mRecording) RecordSettingsRead(true, type, buffer, length);
    return true;
}

bool ZorbelAppBase::RegistryReadInteger(const std::string& valueName, int32_t& value) {
    uint8_t bytes[4];
    uint32_t type = 0;
    uint32_t length = sizeof bytes;
    if (!RegistryRead(valueName, type, bytes, length)) return false;
    if (type != SettingsStore::TYPE_DWORD || length != 4) return false;
    std::memcpy(&value, bytes, 4);
    return true;
}

bool ZorbelAppBase::RegistryReadString(const std::string& valueName, std::string& text) {
    std::vector<uint8_t> buffer(1000);
    uint32_t type = 0;
    uint32_t length = static_cast<uint32_t>(buffer.size());
    if (!RegistryRead(valueName, type, buffer.data(), length) || type != SettingsStore::TYPE_STRING)
        return false;
    text.assign(reinterpret_cast<const char*>(buffer.data()), length);
    // Strings written with their terminating zero read back without it.
    size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return true;
}

void ZorbelAppBase::RegistryEraseValue(const std::string& valueName) {
    if (mSettingsKey.empty()) return;
    std::string keyPath, name;
    SplitValueName(mSettingsKey, valueName, keyPath, name);
    mSettingsStore->Erase(keyPath, name);
    TellStoreProblems(*this, *mSettingsStore);
}

void ZorbelAppBase::ReadSettings() {
    mSettingsRead = true;
    auto overrideKey = mStringTable.find("RegistryKey");
    if (overrideKey != mStringTable.end()) mSettingsKey = overrideKey->second;
    if (mSettingsKey.empty()) return;

    int32_t value = 0;
    // Values are held to what WriteSettings writes, whatever the file was made to say.
    if (RegistryReadInteger("MusicVolume", value)) mMusicVolume = std::clamp(value, 0, 100) * 0.01;
    if (RegistryReadInteger("SfxVolume", value)) mSfxVolume = std::clamp(value, 0, 100) * 0.01;
    if (RegistryReadInteger("Muted", value)) mMuteCount = value > 0 ? 1 : 0;
    if (RegistryReadInteger("ScreenMode", value)) mWindowed = value == 0;
    if (RegistryReadInteger("PreferredX", value)) mPreferredX = value;
    if (RegistryReadInteger("PreferredY", value)) mPreferredY = value;
    if (RegistryReadInteger("CustomCursors", value)) {
        mCustomCursors = value != 0;
        EnforceCursor();
    }
    if (RegistryReadInteger("WaitForVSync", value)) mWaitForVSync = value != 0;
    if (RegistryReadInteger("InProgress", value)) mLastRunClean = value == 0;

    // Marks the run as under way: a start that still finds it knows the last run did not end cleanly.
    if (!mScreenSaverMode) RegistryWriteInteger("InProgress", 1);
}

void ZorbelAppBase::WriteSettings() {
    // The values go to the store as one change, written once at the end of the batch.
    mSettingsStore->BeginBatch();
    RegistryWriteInteger("MusicVolume", VolumeToPercent(mMusicVolume));
    RegistryWriteInteger("SfxVolume", VolumeToPercent(mSfxVolume));
    // Only the player's own mutes are kept: focus loss mutes again by itself.
    RegistryWriteInteger("Muted", mMuteCount - mAutoMuteCount > 0 ? 1 : 0);
    RegistryWriteInteger("ScreenMode", mWindowed ? 0 : 1);
    RegistryWriteInteger("PreferredX", mPreferredX);
    RegistryWriteInteger("PreferredY", mPreferredY);
    RegistryWriteInteger("CustomCursors", mCustomCursors ? 1 : 0);
    RegistryWriteInteger("InProgress", 0);
    RegistryWriteInteger("WaitForVSync", mWaitForVSync ? 1 : 0);
    (void)mSettingsStore->EndBatch();
    TellStoreProblems(*this, *mSettingsStore);
}

} // namespace Zorbel
