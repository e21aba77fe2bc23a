#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace Zorbel {

class NameResolver;
class NetConnection;

// Sends one HTTP/1.1 request that the caller built (request line, headers with "Host:", body) to the
// host of a URL and collects the body of the response on a worker thread, while the caller polls.
// "https" URLs go through TLS with the system's trusted certificates. While a demo is recorded each
// change of the result is written into it; while one plays back no connection is made and the result
// and content come from the demo (see HTTPTransferDemo).
//
// The caller polls UpdateStatus (on the main thread) and judges the end by the result: RESULT_IDLE and
// RESULT_IN_PROGRESS are not finished, every other code is final.
class HTTPTransfer {
public:
    enum : int32_t {
        RESULT_DONE = 0,
        RESULT_IDLE = 1,
        RESULT_IN_PROGRESS = 2,
        RESULT_NOT_FOUND = 3,
        RESULT_HTTP_ERROR = 4,
        RESULT_ABORTED = 5,
        RESULT_SOCKET_ERROR = 6,
        RESULT_HOST_NOT_FOUND = 7,
        RESULT_CONNECT_FAILED = 8,
        RESULT_SEND_FAILED = 9,
    };
    // What a result code means, in a few words ("done", "host not found", ...).
    static const char* ResultMeaning(int32_t result);

    HTTPTransfer();
    HTTPTransfer(const HTTPTransfer&) = delete;
    HTTPTransfer& operator=(const HTTPTransfer&) = delete;
    // Aborts a transfer still running and waits for its worker.
    virtual ~HTTPTransfer();

    // Names are resolved through this resolver (the system's when null). It is borrowed, must outlive
    // the transfer, and is only changed while no transfer runs.
    void SetNameResolver(NameResolver* resolver) { mResolver = resolver; }

    // Starts sending the request, exactly as given, to the URL's host and port.
    void SendRequest(const std::string& url, const std::string& request);
    // Resets, then takes a new transfer id and the URL's parts; the result becomes RESULT_IN_PROGRESS.
    void PrepareTransfer(const std::string& url);
    // Aborts a running transfer and waits until its worker has ended, then returns to idle with a new
    // transfer id.
    void ResetTransfer();
    // Records the result into a demo being recorded, or takes it from a demo being played.
    void UpdateStatus();
    // Polls the status until the worker has ended (during playback: takes every result the demo holds
    // for this transfer at the current step).
    void WaitForTransfer();

    int32_t GetResult() const;
    // The body received so far; whole once the result is RESULT_DONE.
    std::string GetContent() const;
    // Moves the content out (it is empty afterwards), for large bodies once the transfer has ended.
    std::string TakeContent();

    int32_t GetTransferId() const { return mTransferId; }
    int32_t GetLastReportedResult() const { return mLastReported; }
    bool IsStarted() const { return mStarted; }
    bool IsThreadRunning() const { return mThreadRunning; }
    const std::string& GetUrl() const { return mUrl; }
    const std::string& GetProtocol() const { return mProtocol; }
    const std::string& GetHost() const { return mHost; }
    int32_t GetPort() const { return mPort; }
    const std::string& GetPath() const { return mPath; }

private:
    static int32_t TakeTransferId();

    bool IsPlayingDemo() const;
    bool TakeResultFromDemo();
    void SetResult(int32_t result);
    // A failure: the result, and stop.
    void Fail(int32_t result);
    void JoinWorker();

    // The worker thread's steps.
    void Work();
    bool Connect(NetConnection& connection);
    bool SendAll(NetConnection& connection);
    void ReceiveResponse(NetConnection& connection);

    std::atomic<int32_t> mTransferId;
    std::string mRequest;
    size_t mRequestSent = 0;
    std::string mUrl;
    std::string mProtocol;
    std::string mHost;
    int32_t mPort = 80;
    std::string mPath;
    bool mSecure = false;
    NameResolver* mResolver = nullptr;

    // Shared with the worker: the flags are atomic, and the content and result are kept under the lock.
    std::atomic<bool> mStarted{false};
    std::atomic<bool> mThreadRunning{false};
    std::atomic<bool> mStop{false};
    std::atomic<bool> mAbortRequested{false};
    mutable std::mutex mLock;
    std::string mContent;
    int32_t mResult = RESULT_IDLE;
    std::atomic<int32_t> mLastReported{RESULT_IDLE};

    std::thread mWorker;
};

} // namespace Zorbel
