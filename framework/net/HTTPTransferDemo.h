#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// Where HTTP transfers meet demo recording and playback. While a demo is recorded, every change of a
// transfer's result is written into it; while one plays, no connection is made and results come from
// it instead. The application implements this over its demo and installs it with SetHTTPTransferDemo
// for as long as it records or plays. Transfers call it from UpdateStatus on the main thread (and ask
// IsPlaying from SendRequest on whichever thread sends).
class HTTPTransferDemo {
public:
    virtual ~HTTPTransferDemo() = default;

    virtual bool IsRecording() const = 0;
    virtual bool IsPlaying() const = 0;
    // Recording: writes the transfer-result event at the current update step.
    virtual void WriteTransferResult(int32_t transferId, int32_t result, const std::string& content) = 0;
    // Playback: when the event due at the current update step is a transfer result for transferId, takes
    // its result and content, marks the event consumed and returns true. Otherwise leaves the demo's
    // read position where it was and returns false.
    virtual bool ReadTransferResult(int32_t transferId, int32_t& result, std::string& content) = 0;
};

// The demo every transfer consults unless it was given its own; none (null) by default. The demo must
// stay alive until it is replaced.
void SetHTTPTransferDemo(HTTPTransferDemo* demo);
HTTPTransferDemo* GetHTTPTransferDemo();

} // namespace Zorbel
