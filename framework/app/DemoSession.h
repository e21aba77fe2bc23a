#pragma once

#include "framework/platform/WindowMessage.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Zorbel {

// Demo recording and playback: the one place every input of a run passes through on its way in, so
// that a recorder can write it down and a player can put the recorded input in its place. Window
// messages, the loading completion, settings reads and writes and the display mode all come here;
// the command line chooses the mode.
//
// FIXME: the demo file, its event stream and the playback loop arrive with demo support. Until then
// recording writes nothing, and playback ends as soon as the file was found, so that such a run goes
// on with the player's own input rather than ignoring it.
class DemoSession {
public:
    explicit DemoSession(std::string prefix = "zorbelapp");

    // "-play", "-record", "-recnum", "-playnum" and "-demofile"; false for any other name.
    bool HandleCommandLineParam(const std::string& name, const std::string& value);
    // Opens the demo to play; false with the reason to show the player.
    bool Open(std::string& message);

    bool IsRecording() const { return mRecording; }
    bool IsPlaying() const { return mPlaying; }
    bool HasPlaybackEnded() const { return mPlaybackEnded; }
    const std::string& GetFileName() const { return mFileName; }
    // Numbered demos: how many recordings to keep, and which recent one to play (1 = the newest).
    int32_t GetRecordKeep() const { return mRecordKeep; }
    int32_t GetPlayNumber() const { return mPlayNumber; }

    // --- Inputs on their way in ---

    // One step of playback in the main loop: the recorded messages that are due now go to replay,
    // which hands them on as if they had just been taken from the queue.
    using Replay = std::function<void(const WindowMessage& message)>;
    void PlaybackStep(const Replay& replay);
    // A window message taken from the queue: written while recording. False while playing, when the
    // recorded input takes the place of the live one.
    bool PassMessage(const WindowMessage& message);
    // The window was closed: a playback has no input left.
    void WindowClosed();
    // The loading thread's completion was handled at this update step.
    void LoadingHandled();
    // The display was set up in this mode; during playback the recorded mode takes the place of the
    // one the settings chose (false when there is none).
    void DisplayModeSet(bool windowed, int32_t refreshRate);
    bool ReplayDisplayMode(bool& windowed, int32_t& refreshRate);
    // Settings reads and writes. While playing, Replay* stands in for the store with the recorded
    // result; otherwise the store's result is handed to Record*.
    bool ReplaySettingsRead(uint32_t& type, uint8_t* buffer, uint32_t& length);
    bool ReplaySettingsWrite();
    void RecordSettingsRead(bool success, uint32_t type, const uint8_t* data, uint32_t length);
    void RecordSettingsWrite(bool success);

private:
    std::string mPrefix;
    std::string mFileName;
    bool mRecording = false;
    bool mPlaying = false;
    bool mPlaybackEnded = false;
    bool mNumberedRecording = false;
    bool mNumberedPlayback = false;
    int32_t mRecordKeep = 5;
    int32_t mPlayNumber = 0;
};

} // namespace Zorbel
