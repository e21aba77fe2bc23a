#include "tools/fetch/FetchRequest.h"

#include <gtest/gtest.h>

using ZorbelFetch::BuildFetchRequest;
using ZorbelFetch::FetchOptions;

TEST(FetchRequestTest, AGetCarriesNoBodyAndTheHostWithoutTheDefaultPort) {
    FetchOptions options;
    options.url = "http://reports.tesserine.test/check";
    EXPECT_EQ(BuildFetchRequest(options, "ignored"),
              "GET /check HTTP/1.1\r\nHost: reports.tesserine.test\r\nConnection: close\r\n\r\n");
    options.url = "https://reports.tesserine.test";
    EXPECT_EQ(BuildFetchRequest(options, ""),
              "GET / HTTP/1.1\r\nHost: reports.tesserine.test\r\nConnection: close\r\n\r\n");
    options.url = "https://reports.tesserine.test:80/";
    EXPECT_NE(BuildFetchRequest(options, "").find("\r\nHost: reports.tesserine.test:80\r\n"),
              std::string::npos);
    options.url = "http://[::1]:8080/";
    EXPECT_NE(BuildFetchRequest(options, "").find("\r\nHost: [::1]:8080\r\n"), std::string::npos);
}

TEST(FetchRequestTest, APostCarriesTheFileWithItsLengthTypeAndHeaders) {
    FetchOptions options;
    options.url = "reports.tesserine.test:8080/upload";
    options.post = true;
    options.contentType = "text/plain";
    options.headers = {"X-One: 1", "X-Two: two"};
    EXPECT_EQ(BuildFetchRequest(options, "body\r\n"),
              "POST /upload HTTP/1.1\r\nHost: reports.tesserine.test:8080\r\nContent-Type: text/plain\r\n"
              "Content-Length: 6\r\nX-One: 1\r\nX-Two: two\r\nConnection: close\r\n\r\nbody\r\n");
}
