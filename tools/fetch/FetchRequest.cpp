#include "FetchRequest.h"

#include "framework/net/HTTPUrl.h"

namespace ZorbelFetch {

namespace {

std::string HostHeader(const Zorbel::HTTPUrl& url) {
    std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
    int32_t defaultPort = url.IsSecure() ? Zorbel::HTTPUrl::DefaultTlsPort : Zorbel::HTTPUrl::DefaultPort;
    if (url.port != defaultPort) host += ":" + std::to_string(url.port);
    return host;
}

} // namespace

std::string BuildFetchRequest(const FetchOptions& options, const std::string& body) {
    Zorbel::HTTPUrl url = Zorbel::HTTPUrl::Parse(options.url);
    std::string request = (options.post ? "POST " : "GET ") + url.path + " HTTP/1.1\r\n";
    request += "Host: " + HostHeader(url) + "\r\n";
    if (!options.contentType.empty()) request += "Content-Type: " + options.contentType + "\r\n";
    if (options.post) request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    for (const std::string& header : options.headers)
        request += header + "\r\n";
    request += "Connection: close\r\n\r\n";
    return options.post ? request + body : request;
}

} // namespace ZorbelFetch
