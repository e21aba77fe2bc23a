// zorbel-crash-reporter: shows the crash windows for a program of ours that crashed, and uploads its
// report when the user asks. The crashed program starts it and writes everything it needs to its
// standard input; it is not meant to be started by hand.
#include "framework/debug/CrashHandoff.h"
#include "framework/debug/CrashReporter.h"
#include "framework/platform/files/ProductVersion.h"
#include "tools/crash-reporter/ReporterApp.h"

#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>

ZORBEL_PRODUCT_VERSION("1.0");

namespace {

// More than any report and its fields: a larger handoff is not one of ours.
constexpr size_t kLargestHandoff = 64u << 20;

std::string ReadStandardInput() {
    std::string bytes;
    char buffer[65536];
    ssize_t n;
    while ((n = read(STDIN_FILENO, buffer, sizeof buffer)) > 0 && bytes.size() < kLargestHandoff)
        bytes.append(buffer, static_cast<size_t>(n));
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    // A crash of the reporter itself leaves its report but starts no reporter of its own: a fault
    // that comes back every time would otherwise start reporters without end.
    Zorbel::CrashReporter::GetOptions().showCrashWindow = false;
    std::optional<Zorbel::CrashHandoff> handoff = Zorbel::CrashHandoff::Decode(ReadStandardInput());
    if (!handoff) {
        std::fprintf(stderr, "zorbel-crash-reporter: no crash report on the standard input\n");
        return 2;
    }
    Zorbel::ZorbelAppBase::SetProgramInstance(argc, argv);
    {
        ReporterApp app(std::move(*handoff));
        app.Init();
        app.Start();
    }
    return 0;
}
