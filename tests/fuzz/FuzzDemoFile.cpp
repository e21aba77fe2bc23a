// Opens a demo file from arbitrary bytes and plays its whole event stream through the player, step by
// step, as a playback would take it: the loop's events and every kind an operation reads. The decoded
// stream and what the player took must agree.
#include "framework/app/DemoEvents.h"
#include "framework/app/DemoFile.h"
#include "framework/app/DemoPlayer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Zorbel;
    DemoFile file;
    DemoFileResult result = ParseDemoFile(data, size, " 0.9b", file, true);
    if (result.problem == DemoFileProblem::Invalid) return 0;
    DecodedDemoStream stream = DecodeDemoStream(file.events.data(), file.events.size());

    int32_t step = 0;
    DemoPlayer player([&step] { return step; });
    player.Load(file);
    size_t taken = 0;
    static const int32_t readCodes[] = {DemoCode::SettingsRead, DemoCode::SettingsWrite, DemoCode::FileRead,
                                        DemoCode::Transfer, DemoCode::Sync};
    // Every event moves the step at most 15 further, so the walk ends after that many steps per event.
    const int64_t lastStep = static_cast<int64_t>(file.events.size()) * 8 * 15 / 10 + 16;
    for (; step <= lastStep && !player.IsAtEnd(); ++step) {
        for (bool progress = true; progress;) {
            DemoEvent event;
            progress = player.TakeDispatched(event);
            for (int32_t code : readCodes) {
                DemoEvent read;
                if (player.Take(code, read)) progress = true;
            }
            if (progress) ++taken;
        }
        player.ReadEventHeader();
    }
    if (!player.IsAtEnd()) __builtin_trap();
    if (stream.complete && player.GetSkippedCount() == 0 &&
        player.GetEventCount() < static_cast<int32_t>(stream.events.size()))
        __builtin_trap();
    (void)taken;
    return 0;
}
