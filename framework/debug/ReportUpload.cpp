#include "framework/debug/ReportUpload.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

namespace Zorbel {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

void AddPart(std::string& body, const std::string& name, const std::string& value) {
    body += std::string("--") + ReportUpload::kBoundary + "\r\nContent-Disposition: form-data; name=\"" +
            name + "\"\r\n" + "\r\n" + value + "\r\n";
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace

ReportServer ReportServer::Parse(const std::string& setting) {
    ReportServer server;
    std::string rest = Trim(setting);
    std::string scheme = "http";
    size_t separator = rest.find("://");
    if (separator != std::string::npos) {
        scheme = Lower(rest.substr(0, separator));
        rest = rest.substr(separator + 3);
    }
    std::string authority = rest.substr(0, rest.find('/'));
    if (authority.empty() || (scheme != "http" && scheme != "https")) return server;
    server.configured = true;
    server.host = authority;
    server.url = scheme + "://" + authority + "/trovix_error.php";
    return server;
}

std::string ReportUpload::BuildRequest(const CrashHandoff& handoff, const std::string& userText,
                                       const std::string& host, const std::string& demoBytes) {
    std::string body;
    for (const auto& [key, value] : handoff.fields)
        AddPart(body, key, value);
    AddPart(body, "prod", handoff.productName);
    AddPart(body, "version", handoff.productVersion);
    AddPart(body, "usertext", userText);
    AddPart(body, "errortitle", handoff.errorTitle);
    AddPart(body, "errortext", handoff.report);
    if (handoff.hasDemo) {
        body += std::string("--") + kBoundary +
                "\r\nContent-Disposition: form-data; name=\"demofile\"; filename=\"orvane.dmo\"\r\n"
                "Content-Type: application/octet-stream\r\n\r\n" +
                demoBytes + "\r\n";
    }
    body += std::string("--") + kBoundary + "--\r\n";
    return std::string("POST /trovix_error.php HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=") +
           kBoundary + "\r\nUser-Agent: Mozilla/4.0 (compatible; orvane)\r\nHost: " + host +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string ReportUpload::BuildRequest(const CrashHandoff& handoff, const std::string& userText,
                                       const std::string& host) {
    return BuildRequest(handoff, userText, host,
                        handoff.hasDemo ? ReadWhole(handoff.demoFile) : std::string());
}

} // namespace Zorbel
