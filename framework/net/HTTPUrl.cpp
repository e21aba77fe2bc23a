#include "framework/net/HTTPUrl.h"

#include "framework/platform/files/Path.h"
#include "framework/platform/text/StringToInt.h"

#include <algorithm>

namespace Zorbel {

HTTPUrl HTTPUrl::Parse(const std::string& url) {
    HTTPUrl parts;
    size_t start = 0;
    size_t slashes = url.find("//");
    if (slashes != std::string::npos) {
        parts.protocol = url.substr(0, slashes == 0 ? 0 : slashes - 1);
        start = slashes + 2;
    }
    size_t slash = url.find('/', start);
    parts.host = url.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (slash != std::string::npos) parts.path = url.substr(slash);

    // An IPv6 address is bracketed because of the colons in it; only a colon after the bracket starts
    // the port.
    size_t colon = parts.host.find(':');
    size_t closing = parts.host.find(']');
    if (!parts.host.empty() && parts.host.front() == '[' && closing != std::string::npos) {
        colon = parts.host.compare(closing + 1, 1, ":") == 0 ? closing + 1 : std::string::npos;
        if (colon != std::string::npos) parts.SetPort(parts.host.substr(colon + 1));
        parts.host = parts.host.substr(1, closing - 1);
    } else if (colon != std::string::npos) {
        parts.SetPort(parts.host.substr(colon + 1));
        parts.host.resize(colon);
    }
    if (!parts.portGiven && parts.IsSecure()) parts.port = DefaultTlsPort;
    return parts;
}

void HTTPUrl::SetPort(const std::string& text) {
    port = static_cast<int32_t>(std::clamp<int64_t>(LeadingDecimal(text), INT32_MIN, INT32_MAX));
    portGiven = true;
}

bool HTTPUrl::IsSecure() const {
    return StringToLower(protocol) == "https";
}

} // namespace Zorbel
