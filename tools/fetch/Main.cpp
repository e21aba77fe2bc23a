// zorbel-fetch: sends one GET (or POST) through the framework's HTTPTransfer and writes the body to
// standard output. A developer checks with it that a server, such as the crash-report server, answers.
#include "FetchRequest.h"

#include "framework/net/HTTPTransfer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using ZorbelFetch::BuildFetchRequest;
using ZorbelFetch::FetchOptions;

namespace {

// Exit codes beyond the transfer's result codes (sysexits.h numbering).
constexpr int ExitUsage = 64;
constexpr int ExitNoInput = 66;
constexpr int ExitIoError = 74;

const char* const Usage =
    "usage: zorbel-fetch [--post FILE] [--content-type TYPE] [--header \"Name: value\"]... URL\n"
    "Sends a GET (a POST with the file as its body when --post is given) and writes the body of the\n"
    "answer to standard output; the result code and its meaning go to standard error. Exits 0 when the\n"
    "transfer is done, otherwise with the result code (3 to 9).\n";

// Fills options from the arguments; false on a usage error (already reported).
bool ParseArguments(int argc, char** argv, FetchOptions& options) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        bool takesValue = argument == "--post" || argument == "--content-type" || argument == "--header";
        if (takesValue && i + 1 >= argc) {
            std::fprintf(stderr, "zorbel-fetch: %s needs a value\n%s", argument.c_str(), Usage);
            return false;
        }
        if (argument == "--post") {
            options.post = true;
            options.postFile = argv[++i];
        } else if (argument == "--content-type") {
            options.contentType = argv[++i];
        } else if (argument == "--header") {
            std::string header = argv[++i];
            if (header.find(':') == std::string::npos || header.find_first_of("\r\n") != std::string::npos) {
                std::fprintf(stderr, "zorbel-fetch: a header is \"Name: value\" on one line\n%s", Usage);
                return false;
            }
            options.headers.push_back(header);
        } else if (argument.starts_with("-") || !options.url.empty()) {
            std::fprintf(stderr, "zorbel-fetch: unexpected argument \"%s\"\n%s", argument.c_str(), Usage);
            return false;
        } else {
            options.url = argument;
        }
    }
    if (options.url.empty()) {
        std::fprintf(stderr, "zorbel-fetch: no URL given\n%s", Usage);
        return false;
    }
    return true;
}

// False with errno set when the file cannot be opened or read to its end (a folder, say).
bool ReadWholeFile(const std::string& path, std::string& contents) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char block[65536];
    size_t count = 0;
    while ((count = std::fread(block, 1, sizeof(block), file)) > 0)
        contents.append(block, count);
    bool failed = std::ferror(file) != 0;
    int error = errno != 0 ? errno : EIO;
    std::fclose(file);
    errno = error;
    return !failed;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }
    FetchOptions options;
    if (!ParseArguments(argc, argv, options)) return ExitUsage;

    std::string body;
    if (options.post && !ReadWholeFile(options.postFile, body)) {
        std::fprintf(stderr, "zorbel-fetch: cannot read %s: %s\n", options.postFile.c_str(),
                     std::strerror(errno));
        return ExitNoInput;
    }

    Zorbel::HTTPTransfer transfer;
    transfer.SendRequest(options.url, BuildFetchRequest(options, body));
    transfer.WaitForTransfer();
    int32_t result = transfer.GetResult();
    std::string content = transfer.TakeContent();
    if (std::fwrite(content.data(), 1, content.size(), stdout) != content.size() ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "zorbel-fetch: cannot write the body: %s\n", std::strerror(errno));
        return ExitIoError;
    }
    std::fprintf(stderr, "result %d: %s\n", result, Zorbel::HTTPTransfer::ResultMeaning(result));
    return result;
}
