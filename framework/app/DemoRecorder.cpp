#include "framework/app/DemoRecorder.h"

#include "framework/platform/files/AtomicFile.h"

#include <algorithm>
#include <cstdlib>

namespace Zorbel {

namespace {

// The press code a button message is written with: 1 left, 2 left double, -1 right, -2 right double,
// 3 middle (a middle double click too).
int32_t PressCode(MessageKind kind) {
    switch (kind) {
        case MessageKind::LeftDown:
        case MessageKind::LeftUp:
            return 1;
        case MessageKind::LeftDouble:
            return 2;
        case MessageKind::RightDown:
        case MessageKind::RightUp:
            return -1;
        case MessageKind::RightDouble:
            return -2;
        default:
            return 3;
    }
}

} // namespace

void DemoRecorder::WriteEventHeader() {
    int32_t step = mStepCounter();
    while (step - mLastEventStep > MaxStepDelta) {
        mBuffer.PutBits(MaxStepDelta, 4);
        mBuffer.PutBits(0, 1);
        mBuffer.PutBits(DemoCode::Filler, 5);
        mLastEventStep += MaxStepDelta;
        ++mEventCount;
    }
    mBuffer.PutBits(static_cast<uint32_t>(std::max(0, step - mLastEventStep)), 4);
    mLastEventStep = std::max(step, mLastEventStep);
    ++mEventCount;
}

void DemoRecorder::Write(const DemoEvent& event) {
    WriteEventHeader();
    WriteDemoEvent(mBuffer, event);
}

void DemoRecorder::WriteLong(int32_t code) {
    DemoEvent event;
    event.code = code;
    Write(event);
}

void DemoRecorder::WriteMessage(WindowMessage& message) {
    DemoEvent event;
    switch (message.kind) {
        case MessageKind::Size:
            event.code = DemoCode::Minimised;
            event.a = message.value == SizeMinimised ? 1 : 0;
            break;
        case MessageKind::Close:
            event.code = DemoCode::Close;
            break;
        case MessageKind::Activate:
            event.code = DemoCode::Activate;
            event.a = message.value != 0 ? 1 : 0;
            break;
        case MessageKind::KeyDown:
        case MessageKind::SysKeyDown:
            event.code = DemoCode::KeyDown;
            event.a = message.value & 0xFF;
            break;
        case MessageKind::KeyUp:
        case MessageKind::SysKeyUp:
            event.code = DemoCode::KeyUp;
            event.a = message.value & 0xFF;
            break;
        case MessageKind::Char:
            event.code = DemoCode::Char;
            event.a = message.value & 0xFF;
            break;
        case MessageKind::Wheel:
            event.code = DemoCode::Wheel;
            event.a = std::clamp(message.value / 120, -128, 127);
            // The run sees the whole notches its replay will.
            message.value = event.a * 120;
            break;
        default:
            if (message.IsMouse()) WriteMouse(message);
            return;
    }
    Write(event);
}

void DemoRecorder::WriteMouse(WindowMessage& message) {
    // Positions are kept to what 12 bits hold; a drag beyond the window's left or top edge reads 0.
    int32_t x = std::clamp(message.x, 0, 4095);
    int32_t y = std::clamp(message.y, 0, 4095);
    DemoEvent move;
    if (std::abs(x - mMouseX) > MaxRelativeMove || std::abs(y - mMouseY) > MaxRelativeMove) {
        move.code = DemoCode::MouseMoveTo;
        move.a = x;
        move.b = y;
        Write(move);
    } else if (x != mMouseX || y != mMouseY) {
        move.isShort = true;
        move.code = DemoCode::MouseMoveBy;
        move.a = x - mMouseX;
        move.b = y - mMouseY;
        Write(move);
    }
    mMouseX = x;
    mMouseY = y;
    message.x = x;
    message.y = y;
    if (message.IsButtonPress() || message.IsButtonRelease()) {
        DemoEvent button;
        button.isShort = true;
        button.code = DemoCode::MouseButton;
        button.a = message.IsButtonPress() ? 1 : 0;
        button.b = PressCode(message.kind);
        Write(button);
    }
}

DemoFile DemoRecorder::Finish(uint32_t seed, const std::string& productVersion) const {
    DemoFile file;
    file.seed = seed;
    file.productVersion = productVersion;
    file.markers = mMarkers;
    file.demoLength = mStepCounter();
    file.events.assign(mBuffer.Data(), mBuffer.Data() + mBuffer.ByteLength());
    // A file always holds at least one byte of events.
    if (file.events.empty()) file.events.push_back(0);
    return file;
}

bool DemoRecorder::Save(const std::string& path, uint32_t seed, const std::string& productVersion) const {
    std::vector<uint8_t> bytes = Finish(seed, productVersion).Serialize();
    return WriteFileAtomically(path,
                               std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace Zorbel
