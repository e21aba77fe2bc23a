#include "framework/net/HTTPResponseParser.h"

#include "framework/platform/text/StringToInt.h"

#include <algorithm>

namespace Zorbel {

namespace {

// A body announced with a length is given room for at most this much before it arrives, so that a
// server's word alone cannot take memory.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr int64_t MaxReservedBody = int64_t{1} << 20;
#else
constexpr int64_t MaxReservedBody = int64_t{128} << 20;
#endif

constexpr std::string_view CrLf = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

bool IsAllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

HTTPResponseParser::Verdict HTTPResponseParser::Feed(std::string_view bytes, std::string& content) {
    bool tooLong = false;
    while (!bytes.empty() && mVerdict == Verdict::Reading) {
        switch (mPhase) {
            case Phase::Headers:
                if (!TakeLine(bytes, MaxHeaderBytes - mHeaderBytes, tooLong)) {
                    if (tooLong) Finish(Verdict::BadStatus);
                    break;
                }
                mHeaderBytes += mLine.size() + CrLf.size();
                HandleHeaderLine(mLine, content);
                break;
            case Phase::ChunkSize:
                if (TakeLine(bytes, MaxChunkLineBytes, tooLong))
                    StartChunk(mLine);
                else if (tooLong)
                    Finish(Verdict::Complete);
                break;
            case Phase::ChunkData:
            case Phase::Length:
            case Phase::UntilClose:
                AppendBody(bytes, content);
                break;
            case Phase::ChunkEnd: {
                size_t skipped = std::min<size_t>(bytes.size(), static_cast<size_t>(mRemaining));
                bytes.remove_prefix(skipped);
                mRemaining -= static_cast<int64_t>(skipped);
                if (mRemaining == 0) mPhase = Phase::ChunkSize;
                break;
            }
            case Phase::Done:
                return mVerdict;
        }
    }
    return mVerdict;
}

HTTPResponseParser::Verdict HTTPResponseParser::End() {
    if (mVerdict == Verdict::Reading)
        Finish(mPhase == Phase::UntilClose ? Verdict::Complete : Verdict::Truncated);
    return mVerdict;
}

bool HTTPResponseParser::TakeLine(std::string_view& bytes, size_t limit, bool& tooLong) {
    // A CR LF may be split between two pieces, so the line is only complete once the LF has come.
    for (;;) {
        size_t feed = bytes.find('\n');
        size_t take = feed == std::string_view::npos ? bytes.size() : feed + 1;
        if (mLine.size() + take > limit) {
            tooLong = true;
            return false;
        }
        mLine.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (feed == std::string_view::npos) return false;
        if (mLine.size() >= 2 && mLine[mLine.size() - 2] == '\r') {
            mLine.resize(mLine.size() - 2);
            return true;
        }
    }
}

void HTTPResponseParser::HandleHeaderLine(std::string_view line, std::string& content) {
    if (line.empty()) {
        StartBody(content);
    } else if (line.starts_with("HTTP/1.")) {
        mStatusSeen = true;
        std::string_view status = line.substr(std::min<size_t>(9, line.size()), 3);
        if (status == "404")
            Finish(Verdict::NotFound);
        else if (status != "200")
            Finish(Verdict::BadStatus);
    } else if (size_t colon = line.find(':'); colon != std::string_view::npos) {
        std::string_view name = line.substr(0, colon);
        std::string_view value = Trim(line.substr(colon + 1));
        if (EqualsIgnoringCase(name, "Transfer-Encoding") && !EqualsIgnoringCase(value, "identity")) {
            mChunked = true;
        } else if (EqualsIgnoringCase(name, "Content-Length")) {
            mContentLength = LeadingDecimal(value);
            mLengthIsDigits = IsAllDigits(value);
        }
    }
    mLine.clear();
}

void HTTPResponseParser::StartBody(std::string& content) {
    if (!mStatusSeen) {
        Finish(Verdict::BadStatus);
    } else if (!mBodyExpected || (!mChunked && mLengthIsDigits && mContentLength == 0)) {
        Finish(Verdict::Complete);
    } else if (mChunked) {
        mPhase = Phase::ChunkSize;
    } else if (mContentLength > 0) {
        mPhase = Phase::Length;
        mRemaining = mContentLength;
        content.reserve(content.size() + static_cast<size_t>(std::min(mContentLength, MaxReservedBody)));
    } else {
        mPhase = Phase::UntilClose;
    }
}

void HTTPResponseParser::StartChunk(std::string_view line) {
    // The size is read as a hexadecimal number by the framework's integer rule, so anything more on the
    // line (a chunk extension, say) makes it unreadable, and an unreadable size ends the body.
    int32_t size = 0;
    bool readable = StringToInt("0x" + std::string(Trim(line)), size);
    mLine.clear();
    if (!readable || size <= 0) {
        Finish(Verdict::Complete);
        return;
    }
    mPhase = Phase::ChunkData;
    mRemaining = size;
}

void HTTPResponseParser::AppendBody(std::string_view& bytes, std::string& content) {
    size_t take = bytes.size();
    if (mPhase != Phase::UntilClose) take = static_cast<size_t>(std::min<int64_t>(mRemaining, take));
    content.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    if (mPhase == Phase::UntilClose) return;
    mRemaining -= static_cast<int64_t>(take);
    if (mRemaining > 0) return;
    if (mPhase == Phase::Length) {
        Finish(Verdict::Complete);
    } else {
        mPhase = Phase::ChunkEnd;
        mRemaining = static_cast<int64_t>(CrLf.size());
    }
}

void HTTPResponseParser::Finish(Verdict verdict) {
    mVerdict = verdict;
    mPhase = Phase::Done;
}

} // namespace Zorbel
