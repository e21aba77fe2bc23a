#pragma once

// A sound device that counts the frames it has played: on a busy machine SDL's disk driver falls behind
// the clock, so the tests that capture its output wait for frames rather than for time.
#include "framework/platform/AudioSink.h"
#include "support/Eventually.h"

#include <atomic>
#include <memory>

namespace ZorbelTest {

class CountingSink : public Zorbel::AudioSink {
public:
    explicit CountingSink(std::unique_ptr<Zorbel::AudioSink> device) : mDevice(std::move(device)) {}
    void Start(RenderFunction render) override {
        mDevice->Start([this, render](int16_t* frames, size_t count) {
            render(frames, count);
            played += count;
        });
    }
    void Stop() override { mDevice->Stop(); }

    // Waits until the device has played frames more frames.
    bool WaitForFrames(size_t frames) {
        size_t target = played + frames;
        return Eventually([&] { return played >= target; });
    }

    std::atomic<size_t> played{0};

private:
    std::unique_ptr<Zorbel::AudioSink> mDevice;
};

} // namespace ZorbelTest
