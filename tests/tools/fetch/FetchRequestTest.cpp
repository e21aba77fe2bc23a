// The requests themselves are checked end to end in ZorbelFetchTest; the default ports cannot be.
#include "tools/fetch/FetchRequest.h"

#include <gtest/gtest.h>

using ZorbelFetch::BuildFetchRequest;
using ZorbelFetch::FetchOptions;

TEST(FetchRequestTest, HostCarriesThePortOnlyWhenItIsNotTheProtocolsOwn) {
    auto host = [](const std::string& url) {
        FetchOptions options;
        options.url = url;
        std::string request = BuildFetchRequest(options, "");
        size_t start = request.find("Host: ");
        return request.substr(start + 6, request.find("\r\n", start) - start - 6);
    };
    EXPECT_EQ(host("http://reports.tesserine.test/check"), "reports.tesserine.test");
    EXPECT_EQ(host("https://reports.tesserine.test"), "reports.tesserine.test");
    EXPECT_EQ(host("https://reports.tesserine.test:80/"), "reports.tesserine.test:80");
    EXPECT_EQ(host("reports.tesserine.test:443/"), "reports.tesserine.test:443");
    EXPECT_EQ(host("http://[::1]:8080/"), "[::1]:8080");
}
