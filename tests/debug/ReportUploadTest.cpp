#include "framework/debug/ReportUpload.h"

#include <gtest/gtest.h>

namespace Zorbel {
namespace {

TEST(ReportServerTest, TakesAHostAHostWithPortOrAUrlWhosePathIsIgnored) {
    ReportServer plain = ReportServer::Parse("reports.example.org");
    EXPECT_TRUE(plain.configured);
    EXPECT_EQ(plain.url, "http://reports.example.org/trovix_error.php");
    EXPECT_EQ(plain.host, "reports.example.org");
    ReportServer port = ReportServer::Parse(" 127.0.0.1:8080 ");
    EXPECT_EQ(port.url, "http://127.0.0.1:8080/trovix_error.php");
    EXPECT_EQ(port.host, "127.0.0.1:8080");
    ReportServer secure = ReportServer::Parse("HTTPS://crash.example.org:8443/upload/here.php");
    EXPECT_EQ(secure.url, "https://crash.example.org:8443/trovix_error.php");
    EXPECT_EQ(secure.host, "crash.example.org:8443");
    EXPECT_FALSE(ReportServer::Parse("").configured);
    EXPECT_FALSE(ReportServer::Parse("   ").configured);
    EXPECT_FALSE(ReportServer::Parse("ftp://example.org").configured);
    EXPECT_FALSE(ReportServer::Parse("http:///path").configured);
}

CrashHandoff Handoff() {
    CrashHandoff handoff;
    handoff.productName = "Tesserine";
    handoff.productVersion = " 0.9b";
    handoff.errorTitle = "Exception at 000F:00000010";
    handoff.report = "Exception: Access Violation\r\n";
    handoff.fields = {{"zeta", "last"}, {"alpha", "first"}};
    return handoff;
}

TEST(ReportUploadTest, BuildsTheMultipartPostWithTheFieldsInOrder) {
    std::string request = ReportUpload::BuildRequest(Handoff(), "it froze", "127.0.0.1:8080", "");
    const std::string b = "-----------------------------7d3e1f30eec";
    std::string body =
        b + "\r\nContent-Disposition: form-data; name=\"alpha\"\r\n\r\nfirst\r\n" + b +
        "\r\nContent-Disposition: form-data; name=\"zeta\"\r\n\r\nlast\r\n" + b +
        "\r\nContent-Disposition: form-data; name=\"prod\"\r\n\r\nTesserine\r\n" + b +
        "\r\nContent-Disposition: form-data; name=\"version\"\r\n\r\n 0.9b\r\n" + b +
        "\r\nContent-Disposition: form-data; name=\"usertext\"\r\n\r\nit froze\r\n" + b +
        "\r\nContent-Disposition: form-data; name=\"errortitle\"\r\n\r\nException at 000F:00000010\r\n" + b +
        "\r\nContent-Disposition: form-data; name=\"errortext\"\r\n\r\nException: Access Violation\r\n\r\n" +
        b + "--\r\n";
    EXPECT_EQ(request,
              "POST /trovix_error.php HTTP/1.1\r\n"
              "Content-Type: multipart/form-data; boundary=---------------------------7d3e1f30eec\r\n"
              "User-Agent: Mozilla/4.0 (compatible; orvane)\r\n"
              "Host: 127.0.0.1:8080\r\n"
              "Content-Length: " +
                  std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    EXPECT_EQ(request.find("demofile"), std::string::npos);
}

TEST(ReportUploadTest, AttachesTheDemoAsAFilePart) {
    CrashHandoff handoff = Handoff();
    handoff.hasDemo = true;
    std::string demo("DEMO\0\x01\x02", 7);
    std::string request = ReportUpload::BuildRequest(handoff, "", "h", demo);
    std::string part =
        "-----------------------------7d3e1f30eec\r\nContent-Disposition: form-data; name=\"demofile\"; "
        "filename=\"orvane.dmo\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
        demo + "\r\n-----------------------------7d3e1f30eec--\r\n";
    ASSERT_GE(request.size(), part.size());
    EXPECT_EQ(request.substr(request.size() - part.size()), part);
}

} // namespace
} // namespace Zorbel
