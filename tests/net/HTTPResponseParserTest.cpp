// What the transfer tests cannot easily reach through a socket: every way of cutting a response into
// pieces, the limits, and the odd sizes and headers of the chunk and header rules.
#include "framework/net/HTTPResponseParser.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using Verdict = HTTPResponseParser::Verdict;

namespace {

struct Parsed {
    Verdict verdict;
    std::string content;
    bool operator==(const Parsed&) const = default;
};

// Fed in pieces of the given size, then the end of the stream.
Parsed Parse(std::string_view response, size_t piece) {
    HTTPResponseParser parser;
    std::string content;
    for (size_t at = 0; at < response.size(); at += piece)
        parser.Feed(response.substr(at, piece), content);
    return {parser.End(), content};
}

// The same outcome however the response is cut.
Parsed ParseEveryWay(const std::string& response) {
    Parsed whole = Parse(response, response.size() + 1);
    for (size_t piece = 1; piece <= 5; ++piece)
        EXPECT_TRUE(Parse(response, piece) == whole) << "in pieces of " << piece << ": " << response;
    return whole;
}

const std::string Chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

} // namespace

TEST(HTTPResponseParserTest, ChunksHeadersAndLengthsInEveryForm) {
    EXPECT_EQ(
        ParseEveryWay(Chunked + "5\r\nhello\r\n 1 \r\n,\r\nf\r\n and more words\r\n0\r\nTrailer: x\r\n\r\n"),
        (Parsed{Verdict::Complete, "hello, and more words"}));
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 200 OK\r\ntRANSFER-eNCODING:\tChunked \r\n\r\n2\r\nok\r\n0\r\n"),
              (Parsed{Verdict::Complete, "ok"}));
    // "identity" is no encoding at all; any other value means chunks, which win over a length.
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 200 OK\r\nTransfer-Encoding: IDENTITY\r\n\r\nplain"),
              (Parsed{Verdict::Complete, "plain"}));
    EXPECT_EQ(ParseEveryWay(
                  "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nTransfer-Encoding: gzip\r\n\r\n2\r\nab\r\n0\r\n"),
              (Parsed{Verdict::Complete, "ab"}));
    // A length that is not a number means the body runs until the end of the stream.
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 200 OK\r\nContent-Length: -4\r\n\r\nall"),
              (Parsed{Verdict::Complete, "all"}));
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\ncut"),
              (Parsed{Verdict::Truncated, "cut"}));
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 2\r\n\r\n").verdict, Verdict::BadStatus);
    // Without a body expected (HEAD), the headers are the whole answer.
    std::string content;
    EXPECT_EQ(HTTPResponseParser(false).Feed("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n", content),
              Verdict::Complete);
}

TEST(HTTPResponseParserTest, AnUnreadableChunkSizeEndsTheBody) {
    // An extension after ";", a size beyond 32 bits, a sign or a prefix is not a number by the integer rule.
    for (std::string size :
         std::vector<std::string>{"3;name=value", "100000000", "-3", "0x3", "", "zz", std::string(2000, '0')})
        EXPECT_EQ(ParseEveryWay(Chunked + "2\r\nab\r\n" + size + "\r\nxyz\r\n0\r\n\r\n"),
                  (Parsed{Verdict::Complete, "ab"}))
            << size;
}

TEST(HTTPResponseParserTest, AHeaderSectionWithoutEndIsRefused) {
    std::string flood = "HTTP/1.1 200 OK\r\n";
    while (flood.size() <= HTTPResponseParser::MaxHeaderBytes)
        flood += "X-Filler: " + std::string(100, 'f') + "\r\n";
    EXPECT_EQ(Parse(flood, 4096).verdict, Verdict::BadStatus);
    EXPECT_EQ(
        Parse("HTTP/1.1 200 OK\r\n" + std::string(HTTPResponseParser::MaxHeaderBytes, 'x'), 4096).verdict,
        Verdict::BadStatus);
}
