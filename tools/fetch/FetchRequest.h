#pragma once

#include <string>
#include <vector>

namespace ZorbelFetch {

// What the command line asks for.
struct FetchOptions {
    std::string url;
    // POST with the file's bytes as the body; GET otherwise.
    bool post = false;
    std::string postFile;
    std::string contentType;
    // Whole header lines, "Name: value".
    std::vector<std::string> headers;
};

// The request text: the request line, "Host:" (with the port when it is not the protocol's own),
// "Content-Type:" when given, "Content-Length:" for a POST, the extra headers, "Connection: close", the
// empty line and the body.
std::string BuildFetchRequest(const FetchOptions& options, const std::string& body);

} // namespace ZorbelFetch
