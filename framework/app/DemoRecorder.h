#pragma once

#include "framework/app/Buffer.h"
#include "framework/app/DemoEvents.h"
#include "framework/app/DemoFile.h"
#include "framework/platform/WindowMessage.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Zorbel {

// Writes the events of a run into a demo's event stream, each stamped with the update step at which
// it arrived, and the finished demo into its file.
class DemoRecorder {
public:
    // A pointer move of more than this in either direction is written as an absolute position.
    static constexpr int32_t MaxRelativeMove = 31;
    // The largest step delta an event header holds; longer gaps are bridged by filler events.
    static constexpr int32_t MaxStepDelta = 15;

    // stepCounter tells the current update step.
    explicit DemoRecorder(std::function<int32_t()> stepCounter) : mStepCounter(std::move(stepCounter)) {}

    // The step delta of a new event, after filler events for every 15 steps beyond the first.
    void WriteEventHeader();
    // A whole event at the current step.
    void Write(const DemoEvent& event);
    // A long event without payload at the current step.
    void WriteLong(int32_t code);

    // A window message taken from the queue. For mouse messages the position is written as a move
    // (relative up to 31 pixels, else absolute) and a press or release follows; message is changed to
    // the position as written, so that the run handles exactly what its replay will.
    void WriteMessage(WindowMessage& message);

    void AddMarker(const std::string& name) { mMarkers.push_back({name, mStepCounter()}); }
    const std::vector<DemoMarker>& GetMarkers() const { return mMarkers; }

    // The demo so far as a file: the stream, the markers and the current step as its length.
    DemoFile Finish(uint32_t seed, const std::string& productVersion) const;
    // Writes it atomically; false (and no file) when it cannot be written.
    bool Save(const std::string& path, uint32_t seed, const std::string& productVersion) const;

    const Buffer& GetBuffer() const { return mBuffer; }
    int32_t GetEventCount() const { return mEventCount; }

private:
    void WriteMouse(WindowMessage& message);

    std::function<int32_t()> mStepCounter;
    Buffer mBuffer;
    int32_t mLastEventStep = 0;
    int32_t mEventCount = 0;
    int32_t mMouseX = 0;
    int32_t mMouseY = 0;
    std::vector<DemoMarker> mMarkers;
};

} // namespace Zorbel
