#pragma once

#include "framework/net/HTTPTransferDemo.h"

#include <string>
#include <vector>

namespace ZorbelTest {

// The transfer side of a demo, without an application: an update step the test advances by hand and
// the transfer-result events in the order they were written, each at its step. Playback takes them in
// the same strict order as a demo file would. Transfer ids are kept relative to the first id of the run,
// so that a recording made earlier in the same process plays back to the ids of a later run. It is the
// process-wide transfer demo for as long as it lives.
class FakeTransferDemo : public Zorbel::HTTPTransferDemo {
public:
    struct Event {
        int32_t step = 0;
        int32_t transferId = 0;
        int32_t result = 0;
        std::string content;
    };

    // Records from firstId on.
    explicit FakeTransferDemo(int32_t firstId) : mFirstId(firstId), mRecording(true) {
        Zorbel::SetHTTPTransferDemo(this);
    }
    // Plays the events back, for a run whose first id is firstId.
    FakeTransferDemo(int32_t firstId, std::vector<Event> events)
        : mFirstId(firstId), mRecording(false), mEvents(std::move(events)) {
        Zorbel::SetHTTPTransferDemo(this);
    }
    FakeTransferDemo(const FakeTransferDemo&) = delete;
    FakeTransferDemo& operator=(const FakeTransferDemo&) = delete;
    ~FakeTransferDemo() override { Zorbel::SetHTTPTransferDemo(nullptr); }

    void SetStep(int32_t step) { mStep = step; }
    const std::vector<Event>& Events() const { return mEvents; }
    size_t Consumed() const { return mNext; }

    bool IsRecording() const override { return mRecording; }
    bool IsPlaying() const override { return !mRecording; }
    void WriteTransferResult(int32_t transferId, int32_t result, const std::string& content) override {
        mEvents.push_back({mStep, transferId - mFirstId, result, content});
    }
    bool ReadTransferResult(int32_t transferId, int32_t& result, std::string& content) override {
        if (mNext >= mEvents.size()) return false;
        const Event& event = mEvents[mNext];
        if (event.step != mStep || event.transferId != transferId - mFirstId) return false;
        result = event.result;
        content = event.content;
        ++mNext;
        return true;
    }

private:
    int32_t mFirstId;
    bool mRecording;
    int32_t mStep = 0;
    std::vector<Event> mEvents;
    size_t mNext = 0;
};

} // namespace ZorbelTest
