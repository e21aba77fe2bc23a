#include "framework/platform/window/BasicWindowSystem.h"

#include "framework/platform/display/MemoryDisplayDriver.h"

#include <algorithm>

namespace Zorbel {

BasicWindowSystem::~BasicWindowSystem() {
    // Drivers that outlive their window system lose their screen rather than call into a dead object.
    std::vector<MemoryDisplayDriver*> drivers;
    drivers.swap(mDrivers);
    for (MemoryDisplayDriver* driver : drivers)
        driver->WindowSystemGone();
}

void BasicWindowSystem::DispatchMessages(const MessageReceiver& receive) {
    if (!DispatchDesktopEvents(receive)) return;
    WindowMessage message;
    while (NextPostedMessage(message))
        if (!receive(message)) return;
    while (NextTimerMessage(message))
        if (!receive(message)) return;
}

void BasicWindowSystem::PostMessage(const WindowMessage& message) {
    std::lock_guard lock(mPostedMutex);
    mPosted.push_back(message);
}

void BasicWindowSystem::SetTimer(WindowId window, int32_t timerId, uint32_t periodMs) {
    if (periodMs == 0) periodMs = 1;
    mTimers[{window, timerId}] = Timer{periodMs, mClock.Milliseconds() + periodMs};
}

void BasicWindowSystem::KillTimer(WindowId window, int32_t timerId) {
    mTimers.erase({window, timerId});
}

bool BasicWindowSystem::NextPostedMessage(WindowMessage& out) {
    std::lock_guard lock(mPostedMutex);
    if (mPosted.empty()) return false;
    out = mPosted.front();
    mPosted.pop_front();
    return true;
}

bool BasicWindowSystem::NextTimerMessage(WindowMessage& out) {
    uint32_t now = mClock.Milliseconds();
    for (auto& [key, timer] : mTimers) {
        // Unsigned difference, so the tick count may wrap.
        if (static_cast<int32_t>(now - timer.nextMs) < 0) continue;
        // A late timer ticks once and then keeps its rhythm from now, like a coalesced timer message.
        timer.nextMs = now + timer.periodMs;
        out = WindowMessage{};
        out.window = key.first;
        out.kind = MessageKind::Timer;
        out.value = key.second;
        return true;
    }
    return false;
}

void BasicWindowSystem::ForgetWindow(WindowId window) {
    for (auto it = mTimers.begin(); it != mTimers.end();) {
        it = it->first.first == window ? mTimers.erase(it) : std::next(it);
    }
    {
        std::lock_guard lock(mPostedMutex);
        std::erase_if(mPosted, [window](const WindowMessage& m) { return m.window == window; });
    }
    std::vector<MemoryDisplayDriver*> drivers = mDrivers;
    for (MemoryDisplayDriver* driver : drivers)
        driver->WindowDestroyed(window);
}

void BasicWindowSystem::RegisterDriver(MemoryDisplayDriver* driver) {
    mDrivers.push_back(driver);
}

void BasicWindowSystem::UnregisterDriver(MemoryDisplayDriver* driver) {
    std::erase(mDrivers, driver);
}

} // namespace Zorbel
