#include "framework/net/HTTPUrl.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

void ExpectParts(const std::string& url, const std::string& protocol, const std::string& host, int32_t port,
                 const std::string& path) {
    HTTPUrl parts = HTTPUrl::Parse(url);
    EXPECT_EQ(parts.protocol, protocol) << url;
    EXPECT_EQ(parts.host, host) << url;
    EXPECT_EQ(parts.port, port) << url;
    EXPECT_EQ(parts.path, path) << url;
}

} // namespace

TEST(HTTPUrlTest, ProtocolHostPortAndPath) {
    ExpectParts("scheme://name:8080/dir/file", "scheme", "name", 8080, "/dir/file");
    ExpectParts("http://tesserine.test", "http", "tesserine.test", 80, "/");
    ExpectParts("reports.tesserine.test", "", "reports.tesserine.test", 80, "/");
    ExpectParts("localhost:8000/a?b=c/d", "", "localhost", 8000, "/a?b=c/d");
    ExpectParts("//host/x", "", "host", 80, "/x");
    // The port is read like C's atoi.
    ExpectParts("http://host:12ab/", "http", "host", 12, "/");
    ExpectParts("http://host:/", "http", "host", 0, "/");
    ExpectParts("http://host:99999999999/", "http", "host", INT32_MAX, "/");
}

TEST(HTTPUrlTest, HttpsDefaultsToItsOwnPort) {
    ExpectParts("https://tesserine.test/crash", "https", "tesserine.test", 443, "/crash");
    ExpectParts("HTTPS://tesserine.test:8443/", "HTTPS", "tesserine.test", 8443, "/");
    EXPECT_TRUE(HTTPUrl::Parse("HTTPS://x/").IsSecure());
    EXPECT_FALSE(HTTPUrl::Parse("http://x:443/").IsSecure());
}

TEST(HTTPUrlTest, BracketedIPv6Addresses) {
    ExpectParts("http://[::1]:8080/x", "http", "::1", 8080, "/x");
    ExpectParts("https://[2001:db8::7]/", "https", "2001:db8::7", 443, "/");
    ExpectParts("[fe80::1]", "", "fe80::1", 80, "/");
}
