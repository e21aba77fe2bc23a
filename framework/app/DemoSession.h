#pragma once

#include "framework/app/DemoFile.h"
#include "framework/net/HTTPTransferDemo.h"
#include "framework/platform/WindowMessage.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

class DemoPlayer;
class DemoRecorder;
struct DemoEvent;

// Demo recording and playback: the one place every input of a run passes through on its way in, so
// that a recorder can write it down and a player can put the recorded input in its place. Window
// messages, the pointer entering and leaving, the loading completion, settings reads and writes, the
// display mode, files read for the run, synchronised values and HTTP transfer results all come here;
// the command line chooses the mode. During playback it also keeps the playback controls: speed,
// pause, single steps and jumps ahead, which the main loop carries out.
class DemoSession : public HTTPTransferDemo {
public:
    // Where replayed input goes: the message pump and the application.
    class PlaybackSink {
    public:
        virtual bool ReplayStopped() = 0;
        // A recorded window message (mouse, keys, characters, wheel, activation, minimising, close).
        virtual void ReplayMessage(const WindowMessage& message) = 0;
        virtual void ReplayPointerCrossed(bool entered, int32_t x, int32_t y) = 0;
        // The display was set up again in the recording, in this mode.
        virtual void ReplayDisplayMode(bool windowed, int32_t refreshRate) = 0;

    protected:
        virtual ~PlaybackSink() = default;
    };

    // What the playback keys change in the application.
    class ControlHost {
    public:
        virtual double GetSpeed() = 0;
        virtual void SetSpeed(double speed) = 0;
        virtual void TogglePause() = 0;
        virtual int32_t GetFrameTimeMs() = 0;
        virtual double GetMusicVolume() = 0;
        virtual void SetMusicVolume(double volume) = 0;
        virtual double GetSfxVolume() = 0;
        virtual void SetSfxVolume(double volume) = 0;
        virtual void ShowJumpToTimeDialog() = 0;
        virtual void ShowMarkerListDialog() = 0;

    protected:
        virtual ~ControlHost() = default;
    };

    explicit DemoSession(std::string prefix = "zorbelapp");
    ~DemoSession() override;
    DemoSession(const DemoSession&) = delete;
    DemoSession& operator=(const DemoSession&) = delete;

    // Tells the current update step; until set, every event is at step 0.
    void SetStepCounter(std::function<int32_t()> counter) { mStepCounter = std::move(counter); }
    void SetControlHost(ControlHost* host) { mControls = host; }

    // "-play", "-record", "-recnum", "-playnum" and "-demofile"; false for any other name.
    bool HandleCommandLineParam(const std::string& name, const std::string& value);
    // Starts recording, or opens the demo to play: false with the message to show the player when it
    // cannot be played. Numbered demos choose their file here, in the working directory of the run.
    bool Begin(const std::string& productVersion, std::string& message);
    // Writes the recording to its file (only while recording); a file that cannot be written is not.
    void Save(uint32_t seed, const std::string& productVersion);
    // Recording stops without a file (a process that ended hard).
    void Stop();
    // A crash ends the recording: a filler event as its last, the demo written and recording stopped.
    // The file's name; empty when nothing was being recorded or the file could not be written.
    std::string SaveAfterCrash(uint32_t seed, const std::string& productVersion);

    bool IsRecording() const override { return mRecording; }
    bool IsPlaying() const override { return mPlaying; }
    bool HasPlaybackEnded() const { return mPlaybackEnded; }
    const std::string& GetFileName() const { return mFileName; }
    void SetFileName(const std::string& name) { mFileName = name; }
    const std::string& GetPrefix() const { return mPrefix; }
    int32_t GetRecordKeep() const { return mRecordKeep; }
    int32_t GetPlayNumber() const { return mPlayNumber; }
    // The seed of the recorded run (playback).
    uint32_t GetSeed() const;
    int32_t GetDemoLength() const;
    // The recorded stream has been read to its end: the program runs on without input.
    bool IsStreamOver() const;
    // Markers: added while recording, read back while playing.
    void AddMarker(const std::string& name);
    std::vector<DemoMarker> GetMarkers() const;

    // --- Inputs on their way in ---

    // One step of playback in the main loop: every recorded input due at this update step.
    void PlaybackStep(PlaybackSink& sink);
    // The update step may run: no recorded input is due any more at this step.
    bool UpdateMayRun();
    // Playback: whether the loading thread's completion is to be handled by now (as recorded).
    bool IsLoadingRecorded() const;
    // A window message taken from the queue: written while recording (a pointer position is changed
    // to the one written). False while playing, when the recorded input takes the place of the live
    // one, except for the player's input to a dialog that holds the replay.
    bool PassMessage(WindowMessage& message);
    // The window was closed: a playback has no input left.
    void WindowClosed();
    // The pointer entered or left the window (found by the timer's check).
    void PointerCrossed(bool entered);
    // The loading thread's completion is handled at this update step.
    void LoadingHandled();
    // The display was set up in this mode; during playback the recorded mode of the start takes the
    // place of the one the settings chose (false when there is none).
    void DisplayModeSet(bool windowed, int32_t refreshRate);
    bool ReplayDisplayMode(bool& windowed, int32_t& refreshRate);
    // Settings reads and writes. While playing, Replay* stands in for the store with the recorded
    // result; otherwise the store's result is handed to Record*.
    bool ReplaySettingsRead(uint32_t& type, uint8_t* buffer, uint32_t& length);
    bool ReplaySettingsWrite();
    void RecordSettingsRead(bool success, uint32_t type, const uint8_t* data, uint32_t length);
    void RecordSettingsWrite(bool success);
    // A whole file: from the disk (written into a recording), or from the demo being played.
    bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes, bool bypassDemo);
    // Values that come from outside the recorded input: written while recording, replaced by the
    // recorded ones while playing.
    void SyncBytes(std::vector<uint8_t>& bytes);
    bool SyncBool(bool value);
    void SyncText(std::string& text);

    // HTTPTransferDemo
    void WriteTransferResult(int32_t transferId, int32_t result, const std::string& content) override;
    bool ReadTransferResult(int32_t transferId, int32_t& result, std::string& content) override;

    // --- Playback controls ---

    // A character typed during playback; true when it was a playback key.
    bool ControlKey(char c);
    // While a dialog of the playback controls is open the replay holds: the recorded input waits, no
    // update step runs, no fast forward either, and the player's own input reaches the widgets.
    void SetHeld(bool held) { mHeld = held; }
    bool IsHeld() const { return mPlaying && mHeld; }
    // Play as fast as possible until the update count reaches the step.
    void JumpTo(int32_t step) { mJumpTarget = step; }
    // "h:m:s" counted back from the end of the recording; the target step.
    int32_t JumpBackFromEnd(const std::string& time);
    int32_t GetJumpTarget() const { return mJumpTarget; }
    bool IsFastForward() const { return mFastForward; }
    // Fast forward applies now: a jump target ahead, or full speed to the end.
    bool WantsFastForward(int32_t updateCount) const;
    bool IsSteppingOnce() const { return mStepOnce; }
    void EndStepOnce() { mStepOnce = false; }
    bool IsFastForwardMuted() const { return mFastForwardMuted; }
    void SetFastForwardMuted(bool muted) { mFastForwardMuted = muted; }
    // Gives back the volumes the sound toggle holds at 0, so that a playback ended with its sound off
    // leaves the player's volumes as they were. A volume the toggle did not silence is left alone.
    void RestoreToggledVolumes();

private:
    int32_t Step() const { return mStepCounter ? mStepCounter() : 0; }
    void StopTransfers();
    // The sound toggle for one volume: a non-zero one is saved and silenced, a zero one given back.
    void ToggleVolume(bool& toggledOff, double& saved, double (ControlHost::*get)(),
                      void (ControlHost::*set)(double));

    std::string mPrefix;
    std::string mFileName;
    std::atomic<bool> mRecording{false};
    std::atomic<bool> mPlaying{false};
    bool mPlaybackEnded = false;
    bool mNumberedRecording = false;
    bool mNumberedPlayback = false;
    int32_t mRecordKeep = 5;
    int32_t mPlayNumber = 0;
    std::function<int32_t()> mStepCounter;
    ControlHost* mControls = nullptr;
    std::unique_ptr<DemoRecorder> mRecorder;
    std::unique_ptr<DemoPlayer> mPlayer;
    bool mTransfersInstalled = false;

    int32_t mJumpTarget = 0;
    bool mHeld = false;
    bool mFastForward = false;
    bool mStepOnce = false;
    bool mFastForwardMuted = false;
    double mSavedMusicVolume = 0;
    double mSavedSfxVolume = 0;
    bool mMusicToggledOff = false;
    bool mSfxToggledOff = false;
};

} // namespace Zorbel
