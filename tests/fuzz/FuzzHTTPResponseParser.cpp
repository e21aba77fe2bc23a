// The response parser over arbitrary bytes: no crash, no body larger than the stream, and the same
// outcome however the stream is cut into pieces.
#include "framework/net/HTTPResponseParser.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using Zorbel::HTTPResponseParser;

namespace {

struct Parsed {
    HTTPResponseParser::Verdict verdict;
    std::string content;
};

Parsed Parse(std::string_view stream, size_t piece, bool bodyExpected) {
    HTTPResponseParser parser(bodyExpected);
    Parsed parsed;
    for (size_t at = 0; at < stream.size(); at += piece)
        parser.Feed(stream.substr(at, piece), parsed.content);
    parsed.verdict = parser.End();
    return parsed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the size of the pieces and whether a body is expected.
    size_t piece = 1 + data[0] % 61;
    bool bodyExpected = data[0] < 0xF0;
    std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

    Parsed cut = Parse(stream, piece, bodyExpected);
    if (cut.content.size() > stream.size()) std::abort();
    Parsed whole = Parse(stream, stream.size() + 1, bodyExpected);
    if (whole.verdict != cut.verdict || whole.content != cut.content) std::abort();
    return 0;
}
