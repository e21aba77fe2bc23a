#pragma once

#include <chrono>
#include <thread>

namespace ZorbelTest {

// Polls the condition every 2 ms until it holds (true) or the patience runs out (false), so that a test
// waiting for another thread never hangs.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds patience = std::chrono::seconds(60)) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace ZorbelTest
