#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Zorbel {

// Reads an HTTP/1.x response from its bytes as they arrive, in pieces of any size, and collects the
// body. It understands the status line (200 is accepted, 404 and every other status refused), the
// "Transfer-Encoding" and "Content-Length" headers, and bodies delimited by chunks, by the length, or
// by the end of the stream. Header names are matched in any case and values without the white space
// around them. It knows nothing of sockets, so it can be fed from anywhere (the fuzz target does).
class HTTPResponseParser {
public:
    enum class Verdict {
        // More bytes are wanted.
        Reading,
        // The body is whole.
        Complete,
        // The status was 404.
        NotFound,
        // Another status than 200 and 404, a header section without a status line, or one too long.
        BadStatus,
        // The stream ended before the headers or the body the headers promised.
        Truncated,
    };

    // Header sections larger than this (counting every CR LF) are refused rather than collected
    // without end.
    static constexpr size_t MaxHeaderBytes = 64 * 1024;
    // A chunk-size line longer than this (with its CR LF) cannot be a size; it ends the body like any
    // unreadable size.
    static constexpr size_t MaxChunkLineBytes = 1024;

    // Without a body expected (the answer to a "HEAD" request), the response ends with its headers.
    explicit HTTPResponseParser(bool bodyExpected = true) : mBodyExpected(bodyExpected) {}

    // Takes the next bytes of the stream and appends what they carry of the body to content. Bytes
    // after the end of the response are ignored.
    Verdict Feed(std::string_view bytes, std::string& content);
    // The stream has ended.
    Verdict End();

    Verdict GetVerdict() const { return mVerdict; }
    bool IsChunked() const { return mChunked; }

private:
    enum class Phase { Headers, ChunkSize, ChunkData, ChunkEnd, Length, UntilClose, Done };

    // Moves bytes into mLine up to and including the next CR LF; true when a whole line is there
    // (then mLine holds it without the CR LF). Fails the line when it grows beyond limit bytes.
    bool TakeLine(std::string_view& bytes, size_t limit, bool& tooLong);
    void HandleHeaderLine(std::string_view line, std::string& content);
    void StartBody(std::string& content);
    void StartChunk(std::string_view line);
    void AppendBody(std::string_view& bytes, std::string& content);
    void Finish(Verdict verdict);

    bool mBodyExpected;
    Phase mPhase = Phase::Headers;
    Verdict mVerdict = Verdict::Reading;
    std::string mLine;
    size_t mHeaderBytes = 0;
    bool mStatusSeen = false;
    bool mChunked = false;
    // The "Content-Length" value as C's atoi reads it (held to 63 bits), and whether it was plain digits.
    int64_t mContentLength = 0;
    bool mLengthIsDigits = false;
    // Body bytes still to come in the current chunk or length; CR LF bytes to skip after a chunk.
    int64_t mRemaining = 0;
};

} // namespace Zorbel
