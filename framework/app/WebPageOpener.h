#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// The state of opening a web page in the desktop's browser. Whether the browser came up is never
// reported, so it is guessed from the window: losing the activation counts as success, and so do 8
// seconds without activation; 12 seconds while still active count as failure. Only time in which the
// window's timer ticked steadily (gaps under half a second) counts, and at least 5 seconds of it.
class WebPageOpener {
public:
    enum class Outcome { Undecided, Succeeded, Failed };

    bool IsPending() const { return mPending; }
    bool IsPending(const std::string& url) const { return mPending && mUrl == url; }
    const std::string& GetUrl() const { return mUrl; }
    bool QuitsAfter() const { return mQuitAfter; }

    void Begin(const std::string& url, bool quitAfter, uint32_t now);
    void Finish() { mPending = false; }
    // A tick of the window's timer; the outcome once it can be told.
    Outcome Tick(uint32_t now, bool active);

private:
    bool mPending = false;
    bool mQuitAfter = false;
    std::string mUrl;
    uint32_t mOpenMs = 0;
    uint32_t mTimedMs = 0;
    uint32_t mLastTickMs = 0;
};

} // namespace Zorbel
