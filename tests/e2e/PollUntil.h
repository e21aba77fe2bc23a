#pragma once

// The one way the end-to-end drivers and probes wait: they look at the screen, the window or the process
// again and again until what they expect is there, never for a fixed time that a loaded machine may
// overrun.
#include "support/Eventually.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace ZorbelTest {

// What one look found: whether the awaited state is there and, in words, what was seen instead.
struct Sight {
    bool expected = false;
    std::string seen;
};

// Looks every 100 ms until the look reports the expected state or the patience runs out. When it never
// comes, prints what was awaited and what the last look saw. Returns the last sight.
template <typename Look>
Sight PollUntil(const std::string& awaited, Look look,
                std::chrono::milliseconds patience = std::chrono::seconds(20)) {
    Sight last;
    const bool seen = Eventually(
        [&] {
            last = look();
            return last.expected;
        },
        patience, std::chrono::milliseconds(100));
    if (!seen)
        std::fprintf(
            stderr, "waited %lld s for %s; last seen: %s\n",
            static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(patience).count()),
            awaited.c_str(), last.seen.c_str());
    return last;
}

} // namespace ZorbelTest
