#pragma once

#include <map>
#include <optional>
#include <string>

namespace Zorbel {

// What the crash windows say and offer, set in the crashed process and shown by the reporter.
struct CrashWindowSettings {
    bool allowSubmitting = true;
    // The report server: host, host:port or an http/https URL (empty: none).
    std::string reportServer;
    std::string crashHeader = "An unexpected error has occured!";
    std::string submitHeader =
        "Please help out by providing as much information as you can about this crash.";
    std::string connectionFailure = "Failed to connect to server.";
};

// Everything the crash windows and the upload need, passed from the crashed process to the reporter
// process that shows them (a crashed process is not trusted to draw). The encoding is a list of
// named, length-prefixed values: "name length\n" + the bytes + "\n".
struct CrashHandoff {
    std::string report;
    std::string errorTitle;
    std::string demoFile;
    bool hasDemo = false;
    std::string productName;
    std::string productVersion;
    std::map<std::string, std::string> fields;
    // Whether the application existed: "Send Report" and "Continue" need it.
    bool hasApplication = false;
    CrashWindowSettings windows;

    std::string Encode() const;
    // Nullopt for text that is not a whole encoding.
    static std::optional<CrashHandoff> Decode(const std::string& encoded);
};

} // namespace Zorbel
