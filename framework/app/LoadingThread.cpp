#include "framework/app/LoadingThread.h"

#include <algorithm>

namespace Zorbel {

LoadingThread::~LoadingThread() {
    Join();
}

void LoadingThread::Start(std::function<void()> work) {
    mThrottle = true;
    mStarted = true;
    mThread = std::thread([this, work = std::move(work)] {
        work();
        mDone = true;
    });
}

void LoadingThread::Join() {
    if (mThread.joinable()) mThread.join();
}

bool LoadingThread::TakeCompletion() {
    if (!mDone || mHandled) return false;
    mHandled = true;
    mThrottle = false;
    return true;
}

double LoadingThread::GetProgress() const {
    if (mHandled) return 1.0;
    if (!mStarted) return 0.0;
    int32_t total = mTotalCount;
    if (total <= 0) return 0.0;
    return std::min(1.0, static_cast<double>(mDoneCount) / total);
}

} // namespace Zorbel
