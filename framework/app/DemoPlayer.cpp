#include "framework/app/DemoPlayer.h"

#include <cstdio>

namespace Zorbel {

void DemoPlayer::Load(DemoFile file) {
    mFile = std::move(file);
    mBuffer.Assign(mFile.events.data(), mFile.events.size());
    mLastEventStep = 0;
    mNextEventPending = true;
    mAtEnd = false;
    mEventCount = 0;
    mSkippedCount = 0;
    mMouseX = mMouseY = 0;
    mLoadingRecorded = false;
}

bool DemoPlayer::ReadEventHeader() {
    int32_t step = mStepCounter();
    for (;;) {
        if (mAtEnd) return false;
        if (mNextEventPending) {
            // What is left after the last event is padding.
            if (mBuffer.BitsRemaining() < MinDemoEventBits) {
                mAtEnd = true;
                return false;
            }
            mLastEventStep += static_cast<int32_t>(mBuffer.GetBits(4));
            mNextIsShort = mBuffer.GetBits(1) != 0;
            mNextCode = static_cast<int32_t>(mBuffer.GetBits(mNextIsShort ? 1 : 5));
            mNextEventPending = false;
            ++mEventCount;
        }
        if (mLastEventStep >= step) return mLastEventStep == step;
        // An event of a past step that nothing took: the replay has gone out of step with the
        // recording. It is dropped so that the events after it still come at their steps.
        if (mSkippedCount++ == 0)
            std::fprintf(stderr, "Demo playback out of step at update %d\n", static_cast<int>(step));
        DemoEvent skipped;
        if (!Consume(skipped)) return false;
    }
}

bool DemoPlayer::Consume(DemoEvent& event) {
    event.step = mLastEventStep;
    event.isShort = mNextIsShort;
    event.code = mNextCode;
    mNextEventPending = true;
    if (!ReadDemoPayload(mBuffer, event)) {
        // A damaged stream cannot be read past this point.
        mAtEnd = true;
        return false;
    }
    if (event.isShort && event.code == DemoCode::MouseMoveBy) {
        mMouseX += event.a;
        mMouseY += event.b;
    } else if (!event.isShort && event.code == DemoCode::MouseMoveTo) {
        mMouseX = event.a;
        mMouseY = event.b;
    } else if (!event.isShort && event.code == DemoCode::LoadingDone) {
        mLoadingRecorded = true;
    }
    return true;
}

bool DemoPlayer::Take(int32_t code, DemoEvent& event, const std::function<bool(const DemoEvent&)>& accept) {
    if (!ReadEventHeader() || mNextIsShort || mNextCode != code) return false;
    size_t before = mBuffer.ReadPosition();
    if (!Consume(event)) return false;
    if (accept && !accept(event)) {
        mBuffer.SetReadPosition(before);
        mNextEventPending = false;
        return false;
    }
    return true;
}

bool DemoPlayer::IsDispatchDue() {
    if (!ReadEventHeader()) return false;
    DemoEvent probe;
    probe.isShort = mNextIsShort;
    probe.code = mNextCode;
    return probe.IsDispatched();
}

bool DemoPlayer::TakeDispatched(DemoEvent& event) {
    if (!IsDispatchDue()) return false;
    return Consume(event);
}

} // namespace Zorbel
