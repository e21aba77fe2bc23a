#pragma once

// A music library for the players' tests: it writes every call down as "NAME(arg,arg,...)" and answers
// from a real library beneath it (or with zeros when there is none). Names listed as missing are not
// found, so that the messages about missing functions can be seen.
#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/sound/BassInstance.h"
#include "framework/sound/BuiltinMusicLibrary.h"
#include "framework/sound/FmodInstance.h"
#include "framework/sound/MusicLibrary.h"

#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace ZorbelTest {

using CallLog = std::vector<std::string>;

class RecordingMusicLibrary : public Zorbel::MusicLibrary {
public:
    RecordingMusicLibrary(std::unique_ptr<Zorbel::MusicLibrary> inner, std::shared_ptr<CallLog> log,
                          std::set<std::string> missing)
        : mInner(std::move(inner)), mLog(std::move(log)), mMissing(std::move(missing)) {
        using namespace Zorbel;
        WrapBass();
        WrapFmod();
    }

    const std::any* Find(const std::string& name) const override {
        if (mMissing.count(name)) return nullptr;
        auto found = mFunctions.find(name);
        return found == mFunctions.end() ? nullptr : &found->second;
    }

private:
    template <typename T>
    static void Put(std::ostringstream& out, const T& value) {
        if constexpr (std::is_same_v<T, const char*>)
            out << (value ? value : "null");
        else if constexpr (std::is_pointer_v<T>)
            out << (value ? "ptr" : "null");
        else if constexpr (std::is_same_v<T, bool>)
            out << int(value);
        else
            out << value;
    }

    template <typename... Args>
    static std::string Call(const std::string& name, const Args&... args) {
        std::ostringstream out;
        out << name << "(";
        int index = 0;
        ((out << (index++ ? "," : ""), Put(out, args)), ...);
        out << ")";
        return out.str();
    }

    template <typename Table, typename R, typename... Args>
    void Wrap(const std::string& name, std::function<R(Args...)> Table::*) {
        std::function<R(Args...)> inner;
        if (mInner) Zorbel::GetFunction(*mInner, name, inner);
        auto log = mLog;
        mFunctions[name] = std::function<R(Args...)>([log, name, inner](Args... args) -> R {
            log->push_back(Call(name, args...));
            if constexpr (std::is_void_v<R>) {
                if (inner) inner(args...);
            } else {
                return inner ? inner(args...) : R{};
            }
        });
    }

    void WrapBass() {
        using T = Zorbel::BassInstance;
        Wrap("BASS_Init", &T::BASS_Init);
        Wrap("BASS_Free", &T::BASS_Free);
        Wrap("BASS_Stop", &T::BASS_Stop);
        Wrap("BASS_Start", &T::BASS_Start);
        Wrap("BASS_SetGlobalVolumes", &T::BASS_SetGlobalVolumes);
        Wrap("BASS_SetVolume", &T::BASS_SetVolume);
        Wrap("BASS_MusicSetAmplify", &T::BASS_MusicSetAmplify);
        Wrap("BASS_SetConfig", &T::BASS_SetConfig);
        Wrap("BASS_ChannelStop", &T::BASS_ChannelStop);
        Wrap("BASS_ChannelPause", &T::BASS_ChannelPause);
        Wrap("BASS_ChannelResume", &T::BASS_ChannelResume);
        Wrap("BASS_ChannelSetAttributes", &T::BASS_ChannelSetAttributes);
        Wrap("BASS_ChannelSetPosition", &T::BASS_ChannelSetPosition);
        Wrap("BASS_ChannelIsActive", &T::BASS_ChannelIsActive);
        Wrap("BASS_MusicLoad", &T::BASS_MusicLoad);
        Wrap("BASS_MusicPlay", &T::BASS_MusicPlay);
        Wrap("BASS_MusicPlayEx", &T::BASS_MusicPlayEx);
        Wrap("BASS_MusicFree", &T::BASS_MusicFree);
        Wrap("BASS_StreamCreateFile", &T::BASS_StreamCreateFile);
        Wrap("BASS_StreamFree", &T::BASS_StreamFree);
        Wrap("BASS_StreamPlay", &T::BASS_StreamPlay);
    }

    void WrapFmod() {
        using T = Zorbel::FmodInstance;
        Wrap("_FSOUND_SetBufferSize@4", &T::FSOUND_SetBufferSize);
        Wrap("_FSOUND_SetHWND@4", &T::FSOUND_SetHWND);
        Wrap("_FSOUND_Init@12", &T::FSOUND_Init);
        Wrap("_FSOUND_Close@0", &T::FSOUND_Close);
        Wrap("_FSOUND_Sample_Load@16", &T::FSOUND_Sample_Load);
        Wrap("_FSOUND_Sample_Alloc@28", &T::FSOUND_Sample_Alloc);
        Wrap("_FSOUND_Sample_Free@4", &T::FSOUND_Sample_Free);
        Wrap("_FSOUND_Sample_Lock@28", &T::FSOUND_Sample_Lock);
        Wrap("_FSOUND_Sample_Unlock@20", &T::FSOUND_Sample_Unlock);
        Wrap("_FSOUND_Sample_SetLoopPoints@12", &T::FSOUND_Sample_SetLoopPoints);
        Wrap("_FSOUND_Sample_GetLength@4", &T::FSOUND_Sample_GetLength);
        Wrap("_FSOUND_Sample_GetDefaults@20", &T::FSOUND_Sample_GetDefaults);
        Wrap("_FSOUND_Sample_GetMode@4", &T::FSOUND_Sample_GetMode);
        Wrap("_FSOUND_PlaySound@8", &T::FSOUND_PlaySound);
        Wrap("_FSOUND_StopSound@4", &T::FSOUND_StopSound);
        Wrap("_FSOUND_SetVolume@8", &T::FSOUND_SetVolume);
        Wrap("_FSOUND_SetPaused@8", &T::FSOUND_SetPaused);
        Wrap("_FSOUND_SetLoopMode@8", &T::FSOUND_SetLoopMode);
        Wrap("_FSOUND_IsPlaying@4", &T::FSOUND_IsPlaying);
        Wrap("_FSOUND_Stream_OpenFile@12", &T::FSOUND_Stream_OpenFile);
        Wrap("_FSOUND_Stream_Close@4", &T::FSOUND_Stream_Close);
        Wrap("_FSOUND_Stream_Play@8", &T::FSOUND_Stream_Play);
        Wrap("_FMUSIC_LoadSong@4", &T::FMUSIC_LoadSong);
        Wrap("_FMUSIC_PlaySong@4", &T::FMUSIC_PlaySong);
        Wrap("_FMUSIC_StopSong@4", &T::FMUSIC_StopSong);
        Wrap("_FMUSIC_SetLooping@8", &T::FMUSIC_SetLooping);
        Wrap("_FMUSIC_SetOrder@8", &T::FMUSIC_SetOrder);
        Wrap("_FMUSIC_SetPaused@8", &T::FMUSIC_SetPaused);
        Wrap("_FMUSIC_SetMasterVolume@8", &T::FMUSIC_SetMasterVolume);
        Wrap("_FMUSIC_IsPlaying@4", &T::FMUSIC_IsPlaying);
    }

    std::unique_ptr<Zorbel::MusicLibrary> mInner;
    std::shared_ptr<CallLog> mLog;
    std::set<std::string> mMissing;
    std::map<std::string, std::any> mFunctions;
};

// Music services whose libraries are recorded: our own over a device that plays only when told, with
// the messages about missing ones kept.
class RecordedMusic {
public:
    // Services whose loader hides the missing names, or finds no library at all.
    Zorbel::MusicServices Services(std::set<std::string> missing = {}, bool noLibrary = false) {
        Zorbel::MusicServices services;
        services.output = output;
        services.loadLibrary = [this, missing,
                                noLibrary](const std::string& name) -> std::unique_ptr<Zorbel::MusicLibrary> {
            if (noLibrary) return nullptr;
            return std::make_unique<RecordingMusicLibrary>(Zorbel::BuiltinMusicLibrary::Open(name, output),
                                                           log, missing);
        };
        services.libraryMissing = [this](const std::string& text) { messages.push_back(text); };
        return services;
    }

    // The calls since the last look.
    CallLog Calls() {
        CallLog calls = *log;
        log->clear();
        return calls;
    }

    std::shared_ptr<Zorbel::AudioOutput> output =
        Zorbel::AudioOutput::Open(std::make_unique<Zorbel::HeadlessAudioSink>());
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    std::vector<std::string> messages;
};

} // namespace ZorbelTest
