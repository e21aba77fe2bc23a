#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace Zorbel {

// The loading thread: the game's loading hook runs on it while the main loop goes on drawing, and its
// end is handled on the main thread by the next update step. Until then the main thread leaves it most
// of the processor (the throttle), and frames are drawn less often.
class LoadingThread {
public:
    LoadingThread() = default;
    LoadingThread(const LoadingThread&) = delete;
    LoadingThread& operator=(const LoadingThread&) = delete;
    // Waits for the work to end.
    ~LoadingThread();

    // Runs work on a thread of its own; the loading is done when it returns.
    void Start(std::function<void()> work);
    // The loading is over without a thread of its own to wait for.
    void MarkDone() { mDone = true; }
    // Waits for the thread, when there is one, to end.
    void Join();

    bool IsStarted() const { return mStarted; }
    bool IsDone() const { return mDone; }
    // Started and not yet done.
    bool IsRunning() const { return mStarted && !mDone; }
    bool IsHandled() const { return mHandled; }
    bool IsThrottling() const { return mThrottle; }
    // On the main thread: true exactly once, at the first look after the work was done; the throttle
    // ends then.
    bool TakeCompletion();

    // 1 once the end was handled, 0 before the thread starts, else done / total of the counters that
    // the loading hook keeps (at most 1; 0 without a total).
    double GetProgress() const;
    std::atomic<int32_t>& DoneCount() { return mDoneCount; }
    std::atomic<int32_t>& TotalCount() { return mTotalCount; }

private:
    std::thread mThread;
    bool mStarted = false;
    std::atomic<bool> mDone{false};
    bool mHandled = false;
    bool mThrottle = false;
    std::atomic<int32_t> mDoneCount{0};
    std::atomic<int32_t> mTotalCount{0};
};

} // namespace Zorbel
