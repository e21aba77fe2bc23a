#pragma once

#include "framework/debug/CrashHandoff.h"

#include <string>

namespace Zorbel {

// Where crash reports go: the report server setting (ZORBEL_REPORT_SERVER) as a host, "host:port",
// or an http or https URL whose scheme chooses TLS and whose path is ignored. The request always goes
// to "/trovix_error.php" on that host.
struct ReportServer {
    bool configured = false;
    // The URL to hand to the transfer.
    std::string url;
    // The "Host:" header's value: host, or host:port as it was given.
    std::string host;

    static ReportServer Parse(const std::string& setting);
};

// The crash report upload: a multipart form POST of the application's fields, the product, the
// user's text, the error title and the report, with the demo file attached when there is one.
class ReportUpload {
public:
    static constexpr const char* kBoundary = "---------------------------7d3e1f30eec";

    // The whole request for host, with demoBytes as the demo part when the handoff has a demo.
    static std::string BuildRequest(const CrashHandoff& handoff, const std::string& userText,
                                    const std::string& host, const std::string& demoBytes);
    // The same, reading the demo file of the handoff (an unreadable file is sent empty).
    static std::string BuildRequest(const CrashHandoff& handoff, const std::string& userText,
                                    const std::string& host);
};

} // namespace Zorbel
