#include "framework/app/DemoSession.h"

#include "framework/app/DemoEvents.h"
#include "framework/app/DemoPlayer.h"
#include "framework/app/DemoRecorder.h"
#include "framework/platform/files/InputFile.h"

#include <cstdlib>
#include <cstring>

namespace Zorbel {

namespace {

// The parameter's value as a whole number, or the fallback when it is none.
int32_t NumberOr(const std::string& value, int32_t fallback) {
    char* end = nullptr;
    long n = std::strtol(value.c_str(), &end, 10);
    return value.empty() || *end != 0 ? fallback : static_cast<int32_t>(n);
}

// The replayed message of a recorded input event; false for events that are not messages.
bool ToMessage(const DemoEvent& event, int32_t x, int32_t y, WindowMessage& message) {
    message.x = x;
    message.y = y;
    if (event.isShort) {
        if (event.code == DemoCode::MouseMoveBy) {
            message.kind = MessageKind::MouseMove;
            return true;
        }
        bool press = event.a != 0;
        switch (event.b) {
            case 1:
                message.kind = press ? MessageKind::LeftDown : MessageKind::LeftUp;
                break;
            case 2:
                message.kind = MessageKind::LeftDouble;
                break;
            case -1:
                message.kind = press ? MessageKind::RightDown : MessageKind::RightUp;
                break;
            case -2:
                message.kind = MessageKind::RightDouble;
                break;
            case 3:
                message.kind = press ? MessageKind::MiddleDown : MessageKind::MiddleUp;
                break;
            default:
                return false;
        }
        return true;
    }
    switch (event.code) {
        case DemoCode::MouseMoveTo:
            message.kind = MessageKind::MouseMove;
            return true;
        case DemoCode::Activate:
            message.kind = MessageKind::Activate;
            message.value = event.a;
            return true;
        case DemoCode::Minimised:
            message.kind = MessageKind::Size;
            message.value = event.a ? SizeMinimised : SizeRestored;
            return true;
        case DemoCode::KeyDown:
            message.kind = MessageKind::KeyDown;
            message.value = event.a;
            return true;
        case DemoCode::KeyUp:
            message.kind = MessageKind::KeyUp;
            message.value = event.a;
            return true;
        case DemoCode::Char:
            message.kind = MessageKind::Char;
            message.value = event.a;
            return true;
        case DemoCode::Close:
            message.kind = MessageKind::Close;
            return true;
        case DemoCode::Wheel:
            message.kind = MessageKind::Wheel;
            message.value = event.a * 120;
            return true;
        default:
            return false;
    }
}

} // namespace

DemoSession::DemoSession(std::string prefix) : mPrefix(std::move(prefix)), mFileName(mPrefix + ".dmo") {}

DemoSession::~DemoSession() {
    StopTransfers();
}

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

bool DemoSession::Begin(const std::string& productVersion, std::string& message) {
    auto counter = [this] { return Step(); };
    if (mRecording) {
        if (mNumberedRecording)
            mFileName = mPrefix + std::to_string(NumberedDemo(mPrefix, mRecordKeep, true) + 1) + ".dmo";
        mRecorder = std::make_unique<DemoRecorder>(counter);
    } else if (mPlaying) {
        if (mNumberedPlayback)
            mFileName = mPrefix +
                        std::to_string(NumberedDemo(mPrefix, mPlayNumber - 1, false) - (mPlayNumber - 1)) +
                        ".dmo";
        DemoFile file;
        DemoFileResult result = ReadDemoFile(mFileName, productVersion, file);
        if (result.problem != DemoFileProblem::None) {
            message = result.message;
            mPlaying = false;
            return false;
        }
        mPlayer = std::make_unique<DemoPlayer>(counter);
        mPlayer->Load(std::move(file));
    } else {
        return true;
    }
    SetHTTPTransferDemo(this);
    mTransfersInstalled = true;
    return true;
}

void DemoSession::StopTransfers() {
    if (mTransfersInstalled && GetHTTPTransferDemo() == this) SetHTTPTransferDemo(nullptr);
    mTransfersInstalled = false;
}

void DemoSession::Save(uint32_t seed, const std::string& productVersion) {
    if (!mRecording || !mRecorder) return;
    // A demo that cannot be written is lost quietly: the run itself went well.
    (void)mRecorder->Save(mFileName, seed, productVersion);
}

void DemoSession::Stop() {
    StopTransfers();
    mRecording = false;
    mRecorder.reset();
}

std::string DemoSession::SaveAfterCrash(uint32_t seed, const std::string& productVersion) {
    bool saved = false;
    if (mRecording && mRecorder) {
        // The filler marks the step the crash came at, so that a replay runs up to it.
        mRecorder->WriteLong(DemoCode::Filler);
        saved = mRecorder->Save(mFileName, seed, productVersion);
    }
    Stop();
    return saved ? mFileName : std::string();
}

uint32_t DemoSession::GetSeed() const {
    return mPlayer ? mPlayer->GetFile().seed : 0;
}

int32_t DemoSession::GetDemoLength() const {
    return mPlayer ? mPlayer->GetDemoLength() : 0;
}

bool DemoSession::IsStreamOver() const {
    return !mPlayer || mPlayer->IsAtEnd();
}

void DemoSession::AddMarker(const std::string& name) {
    if (mRecorder) mRecorder->AddMarker(name);
}

std::vector<DemoMarker> DemoSession::GetMarkers() const {
    if (mPlayer) return mPlayer->GetMarkers();
    if (mRecorder) return mRecorder->GetMarkers();
    return {};
}

// --- Playback ---

void DemoSession::PlaybackStep(PlaybackSink& sink) {
    if (!mPlaying || !mPlayer || mHeld) return;
    // A move followed by a button was one message in the recorded run, which moved the pointer and
    // pressed or released in one go; it is handed on the same way.
    bool movePending = false;
    auto flushMove = [&] {
        if (!movePending) return;
        movePending = false;
        WindowMessage move;
        move.kind = MessageKind::MouseMove;
        move.x = mPlayer->GetMouseX();
        move.y = mPlayer->GetMouseY();
        sink.ReplayMessage(move);
    };
    DemoEvent event;
    while (!sink.ReplayStopped() && mPlayer->TakeDispatched(event)) {
        bool isMove =
            event.isShort ? event.code == DemoCode::MouseMoveBy : event.code == DemoCode::MouseMoveTo;
        bool isButton = event.isShort && event.code == DemoCode::MouseButton;
        if (isMove) {
            flushMove();
            movePending = true;
        } else {
            if (!isButton) flushMove();
            movePending = false;
            WindowMessage message;
            if (ToMessage(event, mPlayer->GetMouseX(), mPlayer->GetMouseY(), message)) {
                sink.ReplayMessage(message);
            } else if (!event.isShort && event.code == DemoCode::PointerEntered) {
                sink.ReplayPointerCrossed(true, mPlayer->GetMouseX(), mPlayer->GetMouseY());
            } else if (!event.isShort && event.code == DemoCode::PointerLeft) {
                sink.ReplayPointerCrossed(false, mPlayer->GetMouseX(), mPlayer->GetMouseY());
            } else if (!event.isShort && event.code == DemoCode::DisplayMode) {
                sink.ReplayDisplayMode(event.flag, event.a);
            }
        }
        event = DemoEvent();
    }
    if (!sink.ReplayStopped()) flushMove();
}

bool DemoSession::UpdateMayRun() {
    if (!mPlaying) return true;
    return !mHeld && (!mPlayer || !mPlayer->IsDispatchDue());
}

bool DemoSession::IsLoadingRecorded() const {
    return mPlayer && mPlayer->IsLoadingRecorded();
}

bool DemoSession::PassMessage(WindowMessage& message) {
    if (mRecorder) mRecorder->WriteMessage(message);
    if (!mPlaying) return true;
    bool input = message.IsMouse() || message.kind == MessageKind::KeyDown ||
                 message.kind == MessageKind::KeyUp || message.kind == MessageKind::SysKeyDown ||
                 message.kind == MessageKind::SysKeyUp || message.kind == MessageKind::Char ||
                 message.kind == MessageKind::Wheel;
    return mHeld && input;
}

void DemoSession::WindowClosed() {
    if (mPlaying) mPlaybackEnded = true;
}

void DemoSession::PointerCrossed(bool entered) {
    if (mRecorder) mRecorder->WriteLong(entered ? DemoCode::PointerEntered : DemoCode::PointerLeft);
}

void DemoSession::LoadingHandled() {
    if (mRecorder) mRecorder->WriteLong(DemoCode::LoadingDone);
}

void DemoSession::DisplayModeSet(bool windowed, int32_t refreshRate) {
    if (!mRecorder) return;
    DemoEvent event;
    event.code = DemoCode::DisplayMode;
    event.flag = windowed;
    event.a = refreshRate & 0xFF;
    mRecorder->Write(event);
}

bool DemoSession::ReplayDisplayMode(bool& windowed, int32_t& refreshRate) {
    DemoEvent event;
    if (!mPlayer || !mPlayer->Take(DemoCode::DisplayMode, event)) return false;
    windowed = event.flag;
    refreshRate = event.a;
    return true;
}

// --- Settings, files and synchronised values ---

bool DemoSession::ReplaySettingsRead(uint32_t& type, uint8_t* buffer, uint32_t& length) {
    DemoEvent event;
    if (mPlaybackEnded || !mPlayer || !mPlayer->Take(DemoCode::SettingsRead, event)) return false;
    if (!event.flag || event.bytes.size() > length) return false;
    type = event.type;
    length = static_cast<uint32_t>(event.bytes.size());
    if (length > 0) std::memcpy(buffer, event.bytes.data(), length);
    return true;
}

bool DemoSession::ReplaySettingsWrite() {
    // A closed playback has no recorded writes left; they count as done.
    DemoEvent event;
    if (mPlaybackEnded || !mPlayer || !mPlayer->Take(DemoCode::SettingsWrite, event)) return true;
    return event.flag;
}

void DemoSession::RecordSettingsRead(bool success, uint32_t type, const uint8_t* data, uint32_t length) {
    if (!mRecorder) return;
    DemoEvent event;
    event.code = DemoCode::SettingsRead;
    event.flag = success;
    event.type = type;
    if (success && length > 0) event.bytes.assign(data, data + length);
    mRecorder->Write(event);
}

void DemoSession::RecordSettingsWrite(bool success) {
    if (!mRecorder) return;
    DemoEvent event;
    event.code = DemoCode::SettingsWrite;
    event.flag = success;
    mRecorder->Write(event);
}

bool DemoSession::ReadFile(const std::string& path, std::vector<uint8_t>& bytes, bool bypassDemo) {
    bytes.clear();
    if (mPlaying && !mPlaybackEnded && !bypassDemo) {
        DemoEvent event;
        if (!mPlayer || !mPlayer->Take(DemoCode::FileRead, event) || !event.flag) return false;
        bytes = std::move(event.bytes);
        return true;
    }
    InputFile file(path);
    std::string contents;
    bool read = file && file.ReadAll(contents);
    if (read) bytes.assign(contents.begin(), contents.end());
    if (mRecorder && !bypassDemo) {
        DemoEvent event;
        event.code = DemoCode::FileRead;
        event.flag = read;
        event.bytes = bytes;
        mRecorder->Write(event);
    }
    return read;
}

void DemoSession::SyncBytes(std::vector<uint8_t>& bytes) {
    DemoEvent event;
    event.code = DemoCode::Sync;
    if (mRecorder) {
        event.bytes = bytes;
        mRecorder->Write(event);
    } else if (mPlaying && mPlayer && mPlayer->Take(DemoCode::Sync, event)) {
        bytes = std::move(event.bytes);
    }
}

bool DemoSession::SyncBool(bool value) {
    std::vector<uint8_t> bytes{static_cast<uint8_t>(value ? 1 : 0)};
    SyncBytes(bytes);
    return !bytes.empty() && bytes[0] != 0;
}

void DemoSession::SyncText(std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    SyncBytes(bytes);
    text.assign(bytes.begin(), bytes.end());
}

void DemoSession::WriteTransferResult(int32_t transferId, int32_t result, const std::string& content) {
    if (!mRecorder) return;
    DemoEvent event;
    event.code = DemoCode::Transfer;
    event.a = transferId;
    event.b = result & 0xFF;
    size_t kept = std::min(content.size(), Buffer::MaxTextLength);
    event.bytes.assign(content.begin(), content.begin() + static_cast<ptrdiff_t>(kept));
    mRecorder->Write(event);
}

bool DemoSession::ReadTransferResult(int32_t transferId, int32_t& result, std::string& content) {
    DemoEvent event;
    if (!mPlayer || !mPlayer->Take(DemoCode::Transfer, event,
                                   [transferId](const DemoEvent& e) { return e.a == transferId; }))
        return false;
    result = event.b;
    content.assign(event.bytes.begin(), event.bytes.end());
    return true;
}

// --- Playback controls ---

bool DemoSession::WantsFastForward(int32_t updateCount) const {
    // Once the stream is over nothing is left to hurry through.
    return mPlaying && !mHeld && !IsStreamOver() && (updateCount < mJumpTarget || mFastForward);
}

int32_t DemoSession::JumpBackFromEnd(const std::string& time) {
    int64_t seconds = 0;
    size_t start = 0;
    for (;;) {
        size_t colon = time.find(':', start);
        std::string part = time.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        seconds = seconds * 60 + std::strtol(part.c_str(), nullptr, 10);
        // Times beyond a year are as good as "from the start".
        seconds = std::min<int64_t>(seconds, 366LL * 24 * 3600);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    int32_t frameMs = mControls ? std::max(1, mControls->GetFrameTimeMs()) : 10;
    int64_t target = GetDemoLength() - (seconds + 1) * 1000 / frameMs;
    mJumpTarget = static_cast<int32_t>(std::max<int64_t>(target, INT32_MIN));
    return mJumpTarget;
}

bool DemoSession::ControlKey(char c) {
    // Typing into a dialog of the playback controls is typing, not control.
    if (!mPlaying || !mControls || mHeld) return false;
    static const int32_t backSeconds[] = {120, 90, 60, 30, 10, 5};
    const int32_t frameMs = std::max(1, mControls->GetFrameTimeMs());
    switch (c) {
        case '+':
            mControls->SetSpeed(mControls->GetSpeed() * 1.5);
            return true;
        case '-':
            mControls->SetSpeed(mControls->GetSpeed() * 2 / 3);
            return true;
        case '=':
            mControls->SetSpeed(1.0);
            return true;
        case '0':
            mJumpTarget = GetDemoLength();
            return true;
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9':
            mJumpTarget = GetDemoLength() - backSeconds[c - '4'] * 1000 / frameMs;
            return true;
        case 'J':
        case 'j':
            mControls->ShowJumpToTimeDialog();
            return true;
        case 'L':
        case 'l':
            mControls->ShowMarkerListDialog();
            return true;
        case 'M':
        case 'm':
            mFastForward = true;
            return true;
        case 'N':
        case 'n':
            mJumpTarget = Step() + 1;
            mStepOnce = true;
            return true;
        case 'P':
        case 'p':
            mControls->TogglePause();
            return true;
        case 'S':
        case 's':
            ToggleVolume(mMusicToggledOff, mSavedMusicVolume, &ControlHost::GetMusicVolume,
                         &ControlHost::SetMusicVolume);
            ToggleVolume(mSfxToggledOff, mSavedSfxVolume, &ControlHost::GetSfxVolume,
                         &ControlHost::SetSfxVolume);
            return true;
        default:
            return false;
    }
}

void DemoSession::ToggleVolume(bool& toggledOff, double& saved, double (ControlHost::*get)(),
                               void (ControlHost::*set)(double)) {
    const double volume = (mControls->*get)();
    toggledOff = volume != 0;
    if (toggledOff) saved = volume;
    (mControls->*set)(toggledOff ? 0 : saved);
}

void DemoSession::RestoreToggledVolumes() {
    if (!mControls) return;
    // Only while the toggle still holds the volume at 0: one the replay has set since is the run's.
    if (mMusicToggledOff && mControls->GetMusicVolume() == 0) mControls->SetMusicVolume(mSavedMusicVolume);
    if (mSfxToggledOff && mControls->GetSfxVolume() == 0) mControls->SetSfxVolume(mSavedSfxVolume);
    mMusicToggledOff = mSfxToggledOff = false;
}

} // namespace Zorbel
