#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// The parts of a URL as a transfer reads them: "protocol://host:port/path". Nothing is decoded or
// checked; a host that cannot be reached fails when the transfer connects.
struct HTTPUrl {
    static constexpr int32_t DefaultPort = 80;
    static constexpr int32_t DefaultTlsPort = 443;

    // The text before "//" without its last character (the ":"); empty without "//".
    std::string protocol;
    // A name, a dotted IPv4 address, or an IPv6 address (written in brackets, kept without them).
    std::string host;
    // As written after the host's ":" (read like C's atoi), else 443 for "https" and 80 for the rest.
    int32_t port = DefaultPort;
    bool portGiven = false;
    // From the first "/" after the host, or "/".
    std::string path = "/";

    static HTTPUrl Parse(const std::string& url);

    // Whether the protocol is "https" (in any case): the connection then goes through TLS.
    bool IsSecure() const;

private:
    void SetPort(const std::string& text);
};

} // namespace Zorbel
