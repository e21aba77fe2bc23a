#include "framework/app/DemoSession.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace Zorbel {

namespace {

// The parameter's value as a whole number, or the fallback when it is none.
int32_t NumberOr(const std::string& value, int32_t fallback) {
    char* end = nullptr;
    long n = std::strtol(value.c_str(), &end, 10);
    return value.empty() || *end != 0 ? fallback : static_cast<int32_t>(n);
}

} // namespace

DemoSession::DemoSession(std::string prefix) : mPrefix(std::move(prefix)), mFileName(mPrefix + ".dmo") {}

bool DemoSession::HandleCommandLineParam(const std::string& name, const std::string& value) {
    if (name == "-play") {
        mPlaying = true;
        mRecording = false;
    } else if (name == "-record") {
        mRecording = true;
        mPlaying = false;
    } else if (name == "-recnum") {
        mRecording = true;
        mPlaying = false;
        mNumberedRecording = true;
        int32_t keep = NumberOr(value, 0);
        mRecordKeep = keep > 0 ? keep : 5;
    } else if (name == "-playnum") {
        mPlaying = true;
        mRecording = false;
        mNumberedPlayback = true;
        int32_t n = NumberOr(value, 1);
        mPlayNumber = n > 0 ? n : 1;
    } else if (name == "-demofile") {
        mFileName = value;
    } else {
        return false;
    }
    return true;
}

bool DemoSession::Open(std::string& message) {
    struct stat info;
    if (stat(mFileName.c_str(), &info) != 0) {
        message = "Demo file not found: " + mFileName;
        mPlaying = false;
        return false;
    }
    std::fputs(("Demo playback is not available yet: " + mFileName + "\r\n").c_str(), stderr);
    mPlaying = false;
    return true;
}

bool DemoSession::PassMessage(const WindowMessage&) {
    return !mPlaying;
}

void DemoSession::WindowClosed() {
    if (mPlaying) mPlaybackEnded = true;
}

void DemoSession::LoadingHandled() {}

void DemoSession::PlaybackStep(const Replay&) {}

void DemoSession::DisplayModeSet(bool, int32_t) {}

bool DemoSession::ReplayDisplayMode(bool&, int32_t&) {
    return false;
}

bool DemoSession::ReplaySettingsRead(uint32_t&, uint8_t*, uint32_t&) {
    return false;
}

bool DemoSession::ReplaySettingsWrite() {
    // A closed playback has no recorded writes left; they count as done.
    return mPlaybackEnded;
}

void DemoSession::RecordSettingsRead(bool, uint32_t, const uint8_t*, uint32_t) {}

void DemoSession::RecordSettingsWrite(bool) {}

} // namespace Zorbel
