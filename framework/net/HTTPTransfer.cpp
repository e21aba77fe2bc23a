#include "framework/net/HTTPTransfer.h"

#include "framework/net/HTTPResponseParser.h"
#include "framework/net/HTTPTransferDemo.h"
#include "framework/net/HTTPUrl.h"
#include "framework/platform/memory/HugePages.h"
#include "framework/platform/net/SocketConnection.h"
#include "framework/platform/net/SystemNameResolver.h"

#include <chrono>
#include <system_error>
#include <vector>

namespace Zorbel {

namespace {

std::atomic<int32_t> gNextTransferId{0};

constexpr auto StatusPollInterval = std::chrono::milliseconds(20);
// Larger than a loopback segment, so a fast server fills it in one call.
constexpr size_t ReceiveBufferSize = 256 * 1024;
// Bodies whose buffer grows beyond this are worth backing with huge pages.
constexpr size_t LargeBody = size_t{8} << 20;

SystemNameResolver& SystemResolver() {
    static SystemNameResolver resolver;
    return resolver;
}

bool IsFinal(int32_t result) {
    return result != HTTPTransfer::RESULT_IDLE && result != HTTPTransfer::RESULT_IN_PROGRESS;
}

} // namespace

const char* HTTPTransfer::ResultMeaning(int32_t result) {
    switch (result) {
        case RESULT_DONE:
            return "done";
        case RESULT_IDLE:
            return "idle";
        case RESULT_IN_PROGRESS:
            return "in progress";
        case RESULT_NOT_FOUND:
            return "not found (status 404)";
        case RESULT_HTTP_ERROR:
            return "the server refused the request (a status other than 200 and 404)";
        case RESULT_ABORTED:
            return "aborted";
        case RESULT_SOCKET_ERROR:
            return "socket error";
        case RESULT_HOST_NOT_FOUND:
            return "host not found";
        case RESULT_CONNECT_FAILED:
            return "connection failed";
        case RESULT_SEND_FAILED:
            return "send failed";
        default:
            return "unknown result";
    }
}

int32_t HTTPTransfer::TakeTransferId() {
    return gNextTransferId.fetch_add(1);
}

HTTPTransfer::HTTPTransfer() : mTransferId(TakeTransferId()) {}

HTTPTransfer::~HTTPTransfer() {
    mAbortRequested = true;
    mStop = true;
    JoinWorker();
}

void HTTPTransfer::SendRequest(const std::string& url, const std::string& request) {
    PrepareTransfer(url);
    mRequest = request;
    mRequestSent = 0;
    mStarted = true;
    if (IsPlayingDemo()) return;
    mThreadRunning = true;
    try {
        mWorker = std::thread(&HTTPTransfer::Work, this);
    } catch (const std::system_error&) {
        // No thread, no socket: the same outcome for the caller.
        mThreadRunning = false;
        mStarted = false;
        SetResult(RESULT_SOCKET_ERROR);
    }
}

void HTTPTransfer::PrepareTransfer(const std::string& url) {
    ResetTransfer();
    mTransferId = TakeTransferId();
    mUrl = url;
    mStop = false;
    mAbortRequested = false;
    {
        std::lock_guard<std::mutex> guard(mLock);
        mResult = RESULT_IN_PROGRESS;
        mContent.clear();
    }
    HTTPUrl parts = HTTPUrl::Parse(url);
    mProtocol = parts.protocol;
    mHost = parts.host;
    mPort = parts.port;
    mPath = parts.path;
    mSecure = parts.IsSecure();
}

void HTTPTransfer::ResetTransfer() {
    if (mThreadRunning) {
        mAbortRequested = true;
        mStop = true;
    }
    // During playback no worker runs; this takes what the demo recorded of the abort instead.
    WaitForTransfer();
    JoinWorker();
    mStarted = false;
    mTransferId = TakeTransferId();
    {
        std::lock_guard<std::mutex> guard(mLock);
        mResult = RESULT_IDLE;
        mContent.clear();
    }
    mLastReported = RESULT_IDLE;
    mStop = false;
    mAbortRequested = false;
    mUrl.clear();
    mRequest.clear();
    mRequestSent = 0;
    mPath.clear();
}

void HTTPTransfer::UpdateStatus() {
    HTTPTransferDemo* demo = GetHTTPTransferDemo();
    if (demo == nullptr) return;
    if (demo->IsPlaying()) {
        TakeResultFromDemo();
        return;
    }
    if (!demo->IsRecording()) return;
    int32_t result = RESULT_IDLE;
    std::string content;
    {
        std::lock_guard<std::mutex> guard(mLock);
        result = mResult;
        if (result == mLastReported) return;
        if (result != RESULT_IN_PROGRESS) content = mContent;
    }
    demo->WriteTransferResult(mTransferId, result, content);
    mLastReported = result;
}

void HTTPTransfer::WaitForTransfer() {
    if (IsPlayingDemo() && !mThreadRunning) {
        // The update step does not advance while this waits, so every result that the recording saw
        // during its wait stands at the current step.
        while (TakeResultFromDemo() && !IsFinal(GetResult())) {
        }
        return;
    }
    while (mStarted) {
        UpdateStatus();
        std::this_thread::sleep_for(StatusPollInterval);
    }
    // The worker may have ended during the last sleep; its final result belongs in the recording too.
    UpdateStatus();
}

int32_t HTTPTransfer::GetResult() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mResult;
}

std::string HTTPTransfer::GetContent() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mContent;
}

std::string HTTPTransfer::TakeContent() {
    std::lock_guard<std::mutex> guard(mLock);
    return std::move(mContent);
}

bool HTTPTransfer::IsPlayingDemo() const {
    HTTPTransferDemo* demo = GetHTTPTransferDemo();
    return demo != nullptr && demo->IsPlaying();
}

bool HTTPTransfer::TakeResultFromDemo() {
    HTTPTransferDemo* demo = GetHTTPTransferDemo();
    int32_t result = RESULT_IDLE;
    std::string content;
    if (demo == nullptr || !demo->ReadTransferResult(mTransferId, result, content)) return false;
    {
        std::lock_guard<std::mutex> guard(mLock);
        mResult = result;
        mContent = std::move(content);
    }
    mLastReported = result;
    return true;
}

void HTTPTransfer::SetResult(int32_t result) {
    std::lock_guard<std::mutex> guard(mLock);
    mResult = result;
}

void HTTPTransfer::Fail(int32_t result) {
    SetResult(result);
    mStop = true;
}

void HTTPTransfer::JoinWorker() {
    if (mWorker.joinable()) mWorker.join();
}

void HTTPTransfer::Work() {
    {
        SocketConnection connection;
        if (Connect(connection) && SendAll(connection)) ReceiveResponse(connection);
    }
    if (mAbortRequested) {
        SetResult(RESULT_ABORTED);
        mStop = true;
    } else {
        std::lock_guard<std::mutex> guard(mLock);
        if (mResult == RESULT_IN_PROGRESS) mResult = RESULT_DONE;
    }
    mThreadRunning = false;
    mStarted = false;
}

bool HTTPTransfer::Connect(NetConnection& connection) {
    NameResolver& resolver = mResolver != nullptr ? *mResolver : SystemResolver();
    bool portValid = mPort > 0 && mPort <= UINT16_MAX;
    std::vector<NetAddress> addresses =
        resolver.Resolve(mHost, portValid ? static_cast<uint16_t>(mPort) : 0, mStop);
    if (mStop) return false;
    if (addresses.empty()) {
        Fail(RESULT_HOST_NOT_FOUND);
        return false;
    }
    // A name may stand for several addresses (IPv6 and IPv4, say); the first that answers is taken.
    NetStatus status = NetStatus::Failed;
    for (size_t i = 0; portValid && i < addresses.size() && status == NetStatus::Failed; ++i)
        status = connection.Connect(addresses[i], mStop);
    if (status == NetStatus::Ok && mSecure) status = connection.StartTls(mHost, mStop);
    if (status == NetStatus::Ok) return true;
    if (status == NetStatus::NoSocket)
        Fail(RESULT_SOCKET_ERROR);
    else if (status != NetStatus::Stopped)
        Fail(RESULT_CONNECT_FAILED);
    return false;
}

bool HTTPTransfer::SendAll(NetConnection& connection) {
    while (mRequestSent < mRequest.size() && !mStop) {
        size_t sent = 0;
        NetStatus status =
            connection.Send(mRequest.data() + mRequestSent, mRequest.size() - mRequestSent, sent, mStop);
        if (status == NetStatus::Ok)
            mRequestSent += sent;
        else if (status == NetStatus::NoSocket)
            Fail(RESULT_SOCKET_ERROR);
        else if (status != NetStatus::Stopped)
            Fail(RESULT_SEND_FAILED);
    }
    return !mStop;
}

void HTTPTransfer::ReceiveResponse(NetConnection& connection) {
    // The answer to HEAD has headers only, whatever length they announce.
    HTTPResponseParser parser(mRequest.compare(0, 5, "HEAD ") != 0);
    mRequest.clear();
    mRequestSent = 0;
    std::vector<char> buffer(ReceiveBufferSize);
    HTTPResponseParser::Verdict verdict = HTTPResponseParser::Verdict::Reading;
    const char* advised = nullptr;
    while (verdict == HTTPResponseParser::Verdict::Reading && !mStop) {
        size_t received = 0;
        NetStatus status = connection.Receive(buffer.data(), buffer.size(), received, mStop);
        if (status == NetStatus::Ok) {
            std::lock_guard<std::mutex> guard(mLock);
            verdict = parser.Feed(std::string_view(buffer.data(), received), mContent);
            if (mContent.capacity() >= LargeBody && mContent.data() != advised) {
                advised = mContent.data();
                PreferHugePages(mContent.data(), mContent.capacity());
            }
        } else if (status == NetStatus::Closed) {
            verdict = parser.End();
        } else if (status == NetStatus::NoSocket) {
            Fail(RESULT_SOCKET_ERROR);
        } else if (status == NetStatus::Failed) {
            // A reset or a broken TLS record: what arrived is not the whole answer.
            Fail(RESULT_CONNECT_FAILED);
        }
    }
    switch (verdict) {
        case HTTPResponseParser::Verdict::NotFound:
            Fail(RESULT_NOT_FOUND);
            break;
        case HTTPResponseParser::Verdict::BadStatus:
            Fail(RESULT_HTTP_ERROR);
            break;
        case HTTPResponseParser::Verdict::Truncated:
            Fail(RESULT_CONNECT_FAILED);
            break;
        default:
            break;
    }
}

} // namespace Zorbel
