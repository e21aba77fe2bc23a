#include "framework/net/HTTPResponseParser.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using Verdict = HTTPResponseParser::Verdict;

namespace {

struct Parsed {
    Verdict verdict;
    std::string content;
};

// Feeds the response in pieces of the given size; with close, the stream then ends.
Parsed Parse(std::string_view response, size_t piece, bool close = true) {
    HTTPResponseParser parser;
    std::string content;
    for (size_t at = 0; at < response.size(); at += piece)
        parser.Feed(response.substr(at, piece), content);
    return {close ? parser.End() : parser.GetVerdict(), content};
}

// The same outcome for every way of cutting the response into pieces.
Parsed ParseEveryWay(std::string_view response, bool close = true) {
    Parsed whole = Parse(response, response.size() + 1, close);
    for (size_t piece = 1; piece <= 7; ++piece) {
        Parsed cut = Parse(response, piece, close);
        EXPECT_EQ(cut.verdict, whole.verdict) << "in pieces of " << piece;
        EXPECT_EQ(cut.content, whole.content) << "in pieces of " << piece;
    }
    return whole;
}

} // namespace

TEST(HTTPResponseParserTest, BodiesByLengthAndByChunksEndWithoutTheStreamEnding) {
    Parsed length = ParseEveryWay("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello world", false);
    EXPECT_EQ(length.verdict, Verdict::Complete);
    EXPECT_EQ(length.content, "hello");

    Parsed chunks = ParseEveryWay("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                  "5\r\nhello\r\n 1 \r\n,\r\nf\r\n and more words\r\n0\r\nTrailer: x\r\n\r\n",
                                  false);
    EXPECT_EQ(chunks.verdict, Verdict::Complete);
    EXPECT_EQ(chunks.content, "hello, and more words");

    Parsed empty = ParseEveryWay("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", false);
    EXPECT_EQ(empty.verdict, Verdict::Complete);
    EXPECT_EQ(empty.content, "");
}

TEST(HTTPResponseParserTest, HeaderNamesInAnyCaseAndValuesWithWhiteSpace) {
    Parsed chunks =
        ParseEveryWay("HTTP/1.1 200 OK\r\ntRANSFER-eNCODING:\tChunked \r\n\r\n2\r\nok\r\n0\r\n\r\n", false);
    EXPECT_EQ(chunks.content, "ok");
    Parsed length = ParseEveryWay("HTTP/1.1 200 OK\r\ncontent-length:   2  \r\n\r\nok!", false);
    EXPECT_EQ(length.verdict, Verdict::Complete);
    EXPECT_EQ(length.content, "ok");
    // "identity" is no encoding at all; any other value means chunks, and chunks win over a length.
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 200 OK\r\nTransfer-Encoding: IDENTITY\r\n\r\nplain").content, "plain");
    Parsed gzip = ParseEveryWay(
        "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nTransfer-Encoding: gzip, chunked\r\n\r\n2\r\nab\r\n0\r\n");
    EXPECT_EQ(gzip.content, "ab");
}

TEST(HTTPResponseParserTest, AnUnreadableChunkSizeEndsTheBody) {
    // An extension after ";", a size beyond 32 bits, or a sign is not a number by the integer rule.
    for (std::string_view size : {"3;name=value", "100000000", "-3", "0x3", "", "zz"}) {
        std::string response = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n" +
                               std::string(size) + "\r\nxyz\r\n0\r\n\r\n";
        Parsed parsed = ParseEveryWay(response, false);
        EXPECT_EQ(parsed.verdict, Verdict::Complete) << size;
        EXPECT_EQ(parsed.content, "ab") << size;
    }
    std::string endless = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" +
                          std::string(2 * HTTPResponseParser::MaxChunkLineBytes, '0');
    EXPECT_EQ(Parse(endless, 100, false).verdict, Verdict::Complete);
}

TEST(HTTPResponseParserTest, StatusDecidesBeforeAnyBody) {
    Parsed missing = ParseEveryWay("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", false);
    EXPECT_EQ(missing.verdict, Verdict::NotFound);
    EXPECT_EQ(missing.content, "");
    EXPECT_EQ(ParseEveryWay("HTTP/1.0 301 Moved\r\n\r\n").verdict, Verdict::BadStatus);
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 2\r\n\r\n").verdict, Verdict::BadStatus);
    EXPECT_EQ(ParseEveryWay("Content-Length: 2\r\n\r\nok").verdict, Verdict::BadStatus);
    // Without a body expected, the headers are the whole answer.
    HTTPResponseParser head(false);
    std::string content;
    EXPECT_EQ(head.Feed("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n", content), Verdict::Complete);
}

TEST(HTTPResponseParserTest, TheEndOfTheStreamCompletesOnlyABodyThatRunsUntilIt) {
    Parsed untilClose = ParseEveryWay("HTTP/1.1 200 OK\r\nContent-Length: junk\r\n\r\nto the end\r\n");
    EXPECT_EQ(untilClose.verdict, Verdict::Complete);
    EXPECT_EQ(untilClose.content, "to the end\r\n");
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 200 OK\r\nContent-Length: -4\r\n\r\nall").content, "all");

    Parsed cut = ParseEveryWay("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\ncut");
    EXPECT_EQ(cut.verdict, Verdict::Truncated);
    EXPECT_EQ(cut.content, "cut");
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\ncut").verdict,
              Verdict::Truncated);
    EXPECT_EQ(ParseEveryWay("HTTP/1.1 200 OK\r\nServer: x").verdict, Verdict::Truncated);
    EXPECT_EQ(ParseEveryWay("").verdict, Verdict::Truncated);
}

TEST(HTTPResponseParserTest, AHeaderSectionWithoutEndIsRefused) {
    std::string flood = "HTTP/1.1 200 OK\r\n";
    while (flood.size() <= HTTPResponseParser::MaxHeaderBytes)
        flood += "X-Filler: " + std::string(100, 'f') + "\r\n";
    EXPECT_EQ(Parse(flood, 4096, false).verdict, Verdict::BadStatus);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\n" + std::string(HTTPResponseParser::MaxHeaderBytes, 'x'), 4096, false)
                  .verdict,
              Verdict::BadStatus);
}
