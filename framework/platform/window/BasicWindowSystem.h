#pragma once

#include "framework/platform/Clock.h"
#include "framework/platform/WindowSystem.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace Zorbel {

class MemoryDisplayDriver;

// What every window system shares: the queue of posted messages, the timers (ticked from the clock
// whenever messages are dispatched, so they are as deterministic as the clock), the message-box and
// web-page policies, and the display drivers that draw into its windows.
class BasicWindowSystem : public WindowSystem {
public:
    explicit BasicWindowSystem(Clock& clock) : mClock(clock) {}
    ~BasicWindowSystem() override;

    // The desktop's own events, then the posted messages, then the due timers.
    void DispatchMessages(const MessageReceiver& receive) override;
    void PostMessage(const WindowMessage& message) override;
    void SetTimer(WindowId window, int32_t timerId, uint32_t periodMs) override;
    void KillTimer(WindowId window, int32_t timerId) override;
    void SetMessageBoxPolicy(MessageBoxPolicy policy) override { mMessageBoxPolicy = std::move(policy); }
    void SetUrlHandler(std::function<bool(const std::string&)> handler) override {
        mUrlHandler = std::move(handler);
    }

    Clock& GetClock() { return mClock; }

    // Display drivers register while they live, so that they hear when their window goes away.
    void RegisterDriver(MemoryDisplayDriver* driver);
    void UnregisterDriver(MemoryDisplayDriver* driver);

protected:
    // Translates the desktop's waiting events and hands each message on; false when receive asked to
    // stop. A desktop in memory has none.
    virtual bool DispatchDesktopEvents(const MessageReceiver&) { return true; }
    // The next posted message, else the next due timer tick.
    bool NextPostedMessage(WindowMessage& out);
    bool NextTimerMessage(WindowMessage& out);
    // Forgets the window's timers and queued messages and tells the drivers.
    void ForgetWindow(WindowId window);

    const MessageBoxPolicy& GetMessageBoxPolicy() const { return mMessageBoxPolicy; }
    const std::function<bool(const std::string&)>& GetUrlHandler() const { return mUrlHandler; }

private:
    struct Timer {
        uint32_t periodMs;
        uint32_t nextMs;
    };

    Clock& mClock;
    std::mutex mPostedMutex;
    std::deque<WindowMessage> mPosted;
    std::map<std::pair<WindowId, int32_t>, Timer> mTimers;
    MessageBoxPolicy mMessageBoxPolicy;
    std::function<bool(const std::string&)> mUrlHandler;
    std::vector<MemoryDisplayDriver*> mDrivers;
};

} // namespace Zorbel
