#pragma once

#include "framework/app/Buffer.h"
#include "framework/app/DemoEvents.h"
#include "framework/app/DemoFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Zorbel {

// Reads a demo's event stream back in step with the update clock. The playback loop carries out the
// input events that are due at the current update step; settings, files, transfers and synchronised
// values are taken by the operation that needs them when it runs, in the order they were recorded.
class DemoPlayer {
public:
    // stepCounter tells the current update step.
    explicit DemoPlayer(std::function<int32_t()> stepCounter) : mStepCounter(std::move(stepCounter)) {}

    // Takes a demo file (as read by ReadDemoFile); the stream starts at its first event.
    void Load(DemoFile file);
    const DemoFile& GetFile() const { return mFile; }
    int32_t GetDemoLength() const { return mFile.demoLength; }
    const std::vector<DemoMarker>& GetMarkers() const { return mFile.markers; }

    // Reads the next event's header when the last one was consumed; true when that event is due at
    // the current step. Events left behind by a replay that went out of step are skipped.
    bool ReadEventHeader();
    bool NextIsShort() const { return mNextIsShort; }
    int32_t NextCode() const { return mNextCode; }
    // Every event has been read.
    bool IsAtEnd() const { return mAtEnd; }

    // Takes the next event when it is due now and is the long event code: its payload, consumed. When
    // accept is given and refuses the payload, the event stays where it was for another reader.
    bool Take(int32_t code, DemoEvent& event, const std::function<bool(const DemoEvent&)>& accept = {});
    // The next event when it is due now and the playback loop carries it out: decoded and consumed.
    bool TakeDispatched(DemoEvent& event);
    // The next due event is one the playback loop carries out (the update step waits for it).
    bool IsDispatchDue();

    // The position of the replayed pointer: moves update it as they are taken.
    int32_t GetMouseX() const { return mMouseX; }
    int32_t GetMouseY() const { return mMouseY; }
    // The recording handled the loading thread's completion at or before the current step.
    bool IsLoadingRecorded() const { return mLoadingRecorded; }
    int32_t GetEventCount() const { return mEventCount; }
    int32_t GetSkippedCount() const { return mSkippedCount; }

private:
    // Decodes the payload of the event whose header was read and marks it consumed.
    bool Consume(DemoEvent& event);

    std::function<int32_t()> mStepCounter;
    DemoFile mFile;
    Buffer mBuffer;
    int32_t mLastEventStep = 0;
    bool mNextEventPending = true;
    bool mNextIsShort = false;
    int32_t mNextCode = 0;
    bool mAtEnd = false;
    int32_t mEventCount = 0;
    int32_t mSkippedCount = 0;
    int32_t mMouseX = 0;
    int32_t mMouseY = 0;
    bool mLoadingRecorded = false;
};

} // namespace Zorbel
