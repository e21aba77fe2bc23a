// zorbel-demo-dump: prints what a demo file holds, one line per fact, for reading and for diffing
// two recordings. See Usage for the output format, which is kept stable.
//
//   zorbel-demo-dump FILE
#include "framework/app/DemoEvents.h"
#include "framework/app/DemoFile.h"
#include "framework/app/ExitCodes.h"
#include "game/GameApp.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

using namespace Zorbel;

namespace {

constexpr int32_t StepMs = 10;

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: zorbel-demo-dump FILE\n"
                 "\n"
                 "Prints the header, the markers and every event of a demo file, one per line:\n"
                 "  version N                       format version of the file\n"
                 "  seed N                          random seed of the recorded run\n"
                 "  product-version 'TEXT'          product version the demo was recorded with\n"
                 "  length N steps HH:MM:SS.mmm     update steps recorded, and as time at 10 ms a step\n"
                 "  marker STEP HH:MM:SS.mmm NAME   one line per marker\n"
                 "  event STEP KIND [PAYLOAD]       one line per event, STEP the update step it belongs to\n"
                 "Kinds and payloads: move-by DX DY, move-to X Y, button press|release CODE (1 left,\n"
                 "2 left double, -1 right, -2 right double, 3 middle), activate 0|1, minimised 0|1,\n"
                 "key-down CODE, key-up CODE, char CODE, wheel NOTCHES, close, pointer-entered,\n"
                 "pointer-left, loading-done, settings-read ok TYPE LENGTH | failed, settings-write\n"
                 "ok|failed, file-read ok LENGTH | failed, transfer ID RESULT LENGTH, sync LENGTH,\n"
                 "display-mode windowed|full-screen REFRESH, filler.\n"
                 "A demo of another product version is dumped after a line \"warning: ...\"; a damaged\n"
                 "event stream ends with one. A file the game would refuse to play prints the game's\n"
                 "message on standard error and exits with 3.\n");
}

std::string Time(int64_t steps) {
    int64_t ms = steps * StepMs;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                  static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                  static_cast<long long>(ms % 1000));
    return text;
}

std::string Payload(const DemoEvent& e) {
    auto n = [](int64_t v) { return std::to_string(v); };
    if (e.isShort) {
        if (e.code == DemoCode::MouseMoveBy) return n(e.a) + " " + n(e.b);
        return std::string(e.a ? "press " : "release ") + n(e.b);
    }
    switch (e.code) {
        case DemoCode::MouseMoveTo:
            return n(e.a) + " " + n(e.b);
        case DemoCode::Activate:
        case DemoCode::Minimised:
        case DemoCode::KeyDown:
        case DemoCode::KeyUp:
        case DemoCode::Char:
        case DemoCode::Wheel:
            return n(e.a);
        case DemoCode::SettingsRead:
            return e.flag ? "ok " + n(e.type) + " " + n(static_cast<int64_t>(e.bytes.size())) : "failed";
        case DemoCode::SettingsWrite:
            return e.flag ? "ok" : "failed";
        case DemoCode::FileRead:
            return e.flag ? "ok " + n(static_cast<int64_t>(e.bytes.size())) : "failed";
        case DemoCode::Transfer:
            return n(e.a) + " " + n(e.b) + " " + n(static_cast<int64_t>(e.bytes.size()));
        case DemoCode::Sync:
            return n(static_cast<int64_t>(e.bytes.size()));
        case DemoCode::DisplayMode:
            return std::string(e.flag ? "windowed " : "full-screen ") + n(e.a);
        default:
            return std::string();
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        Usage(stdout);
        return 0;
    }
    if (argc != 2) {
        Usage(stderr);
        return 2;
    }
    DemoFile file;
    DemoFileResult result = ReadDemoFile(argv[1], Tesserine::GameApp::ProductVersion, file, true);
    if (result.problem == DemoFileProblem::NotFound || result.problem == DemoFileProblem::Invalid) {
        std::fprintf(stderr, "%s\n", result.message.c_str());
        return EXIT_CODE_DEMO;
    }
    if (result.problem == DemoFileProblem::OtherVersion) std::printf("warning: %s\n", result.message.c_str());

    std::printf("version %d\n", static_cast<int>(file.version));
    std::printf("seed %u\n", static_cast<unsigned>(file.seed));
    std::printf("product-version '%s'\n", file.productVersion.c_str());
    std::printf("length %d steps %s\n", static_cast<int>(file.demoLength), Time(file.demoLength).c_str());
    for (const DemoMarker& marker : file.markers)
        std::printf("marker %d %s %s\n", static_cast<int>(marker.step), Time(marker.step).c_str(),
                    marker.name.c_str());
    DecodedDemoStream stream = DecodeDemoStream(file.events.data(), file.events.size());
    for (const DemoEvent& event : stream.events) {
        std::string payload = Payload(event);
        std::printf("event %d %s%s%s\n", static_cast<int>(event.step), event.Name().c_str(),
                    payload.empty() ? "" : " ", payload.c_str());
    }
    if (!stream.complete) std::printf("warning: the event stream is damaged after the last event shown\n");
    return 0;
}
