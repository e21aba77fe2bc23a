#pragma once

#include <chrono>
#include <thread>

namespace ZorbelTest {

// Polls the condition every interval until it holds (true) or the patience runs out (false), so that a
// test waiting for another thread or process never hangs. The patience is generous: on a loaded machine
// what is awaited comes late, and a test must not fail for that.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds patience = std::chrono::seconds(60),
                std::chrono::milliseconds interval = std::chrono::milliseconds(2)) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

} // namespace ZorbelTest
