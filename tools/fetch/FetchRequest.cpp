#include "FetchRequest.h"

#include "framework/net/HTTPUrl.h"

namespace ZorbelFetch {

namespace {

// Appends each piece, which keeps GCC 12's overlap warning about "text" + string quiet.
template <typename... Pieces>
void Append(std::string& text, const Pieces&... pieces) {
    (text.append(pieces), ...);
}

std::string HostHeader(const Zorbel::HTTPUrl& url) {
    std::string host;
    // An IPv6 address goes in brackets.
    if (url.host.find(':') != std::string::npos)
        Append(host, "[", url.host, "]");
    else
        host = url.host;
    int32_t defaultPort = url.IsSecure() ? Zorbel::HTTPUrl::DefaultTlsPort : Zorbel::HTTPUrl::DefaultPort;
    if (url.port != defaultPort) Append(host, ":", std::to_string(url.port));
    return host;
}

} // namespace

std::string BuildFetchRequest(const FetchOptions& options, const std::string& body) {
    Zorbel::HTTPUrl url = Zorbel::HTTPUrl::Parse(options.url);
    std::string request;
    Append(request, options.post ? "POST " : "GET ", url.path, " HTTP/1.1\r\n");
    Append(request, "Host: ", HostHeader(url), "\r\n");
    if (!options.contentType.empty()) Append(request, "Content-Type: ", options.contentType, "\r\n");
    if (options.post) Append(request, "Content-Length: ", std::to_string(body.size()), "\r\n");
    for (const std::string& header : options.headers)
        Append(request, header, "\r\n");
    Append(request, "Connection: close\r\n\r\n");
    if (options.post) request += body;
    return request;
}

} // namespace ZorbelFetch
