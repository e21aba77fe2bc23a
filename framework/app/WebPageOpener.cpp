#include "framework/app/WebPageOpener.h"

namespace Zorbel {

void WebPageOpener::Begin(const std::string& url, bool quitAfter, uint32_t now) {
    mQuitAfter = quitAfter;
    mPending = true;
    mUrl = url;
    mOpenMs = now;
    mTimedMs = 0;
    mLastTickMs = now;
}

WebPageOpener::Outcome WebPageOpener::Tick(uint32_t now, bool active) {
    Outcome outcome = Outcome::Undecided;
    if (mPending) {
        // A suspended machine or a long stall says nothing about the browser.
        uint32_t gap = now - mLastTickMs;
        if (gap < 500) mTimedMs += gap;
        uint32_t elapsed = now - mOpenMs;
        if (mTimedMs >= 5000) {
            if (!active && elapsed >= 8000)
                outcome = Outcome::Succeeded;
            else if (active && elapsed >= 12000)
                outcome = Outcome::Failed;
        }
    }
    mLastTickMs = now;
    return outcome;
}

} // namespace Zorbel
