// A game recorded with real mouse input replays to the same pixels: the real game is started with
// "-record", played through the menu, New Game, a few moves and Quit with xdotool; then started with
// "-play" in a fresh settings folder, where it replays the run by itself and ends with code 0 when the
// recorded Quit comes. Both runs dump the screen at the same update steps (ZORBEL_FRAME_DUMP), and
// every frame present in both must be identical. Run under with_xvfb.sh with the game's path.
#include "e2e/GameSession.h"
#include "framework/imagelib/ImageLib.h"

using namespace GameE2E;

namespace {

// Steps spread over a run of a few seconds to a minute; those the run reaches are dumped.
const char* const DumpSteps = "40,120,250,400,600,800,1000,1300,1600,2000,2500,3000,4000,5000";

int CellCentreX(int cell) {
    return (cell % 4) * 200 + 100;
}
int CellCentreY(int cell) {
    return (cell / 4) * 150 + 75;
}

// The cells beside the gap, from which a tile can slide into it.
std::vector<int> Neighbours(int gap) {
    std::vector<int> cells;
    if (gap % 4 > 0) cells.push_back(gap - 1);
    if (gap % 4 < 3) cells.push_back(gap + 1);
    if (gap / 4 > 0) cells.push_back(gap - 4);
    if (gap / 4 < 3) cells.push_back(gap + 4);
    return cells;
}

// The same pixels, or a description of the first difference.
std::string Compare(const std::string& a, const std::string& b) {
    auto first = Zorbel::ImageLib::LoadImageFile(a, false);
    auto second = Zorbel::ImageLib::LoadImageFile(b, false);
    if (!first || !second) return "unreadable";
    if (first->GetWidth() != second->GetWidth() || first->GetHeight() != second->GetHeight()) return "sizes";
    for (size_t i = 0; i < first->GetPixelCount(); ++i)
        if (first->GetBits()[i] != second->GetBits()[i])
            return "pixel " + std::to_string(i % size_t(first->GetWidth())) + "," +
                   std::to_string(i / size_t(first->GetWidth()));
    return "";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: DemoReplayDriver TESSERINE\n");
        return 2;
    }
    Checks check;
    const std::filesystem::path keep =
        std::filesystem::temp_directory_path() / ("tesserine-demo-frames-" + std::to_string(getpid()));
    std::filesystem::remove_all(keep);
    std::filesystem::create_directories(keep / "recorded");
    std::filesystem::create_directories(keep / "replayed");
    const std::string demo = (keep / "game.dmo").string();

    {
        GameProcess game("tesserine-record");
        setenv("ZORBEL_FRAME_DUMP", ((keep / "recorded").string() + ":" + DumpSteps).c_str(), 1);
        std::optional<Window> found = StartToMenu(game, argv[1], check, {"-record", "-demofile=" + demo});
        if (!found) return 1;
        const Window w = *found;
        Click(w, 188, 393);
        auto oneGap = [&](const XwdImage& shot) {
            return !MenuShown(shot, w) && BlackCells(shot, w).size() == 1;
        };
        std::optional<XwdImage> shot = AwaitScreen(w, "a puzzle with one gap", oneGap, Rest::WantedHeld);
        check(shot && oneGap(*shot), "New Game deals a puzzle with one gap");
        if (!shot || !oneGap(*shot)) return 1;
        // Moves with the mouse: each time the tile beside the gap that did not just move.
        int gap = BlackCells(*shot, w)[0];
        int previous = -1;
        int moved = 0;
        for (int move = 0; move < 6; ++move) {
            int from = -1;
            for (int cell : Neighbours(gap))
                if (cell != previous && from < 0) from = cell;
            // A click while the menu is still leaving, or as a slide ends, is ignored: a move may take
            // another.
            for (int attempt = 0; attempt < 3; ++attempt) {
                Click(w, CellCentreX(from), CellCentreY(from));
                shot = ScreenshotWhen(
                    [&](const XwdImage& s) { return BlackCells(s, w) == std::vector<int>{from}; }, 8);
                if (shot && BlackCells(*shot, w) == std::vector<int>{from}) break;
            }
            if (!shot || BlackCells(*shot, w) != std::vector<int>{from}) {
                std::printf("clicked cell %d beside the gap at %d; black cells now:", from, gap);
                for (int cell : shot ? BlackCells(*shot, w) : std::vector<int>{})
                    std::printf(" %d", cell);
                std::printf("\n");
                break;
            }
            previous = gap;
            gap = from;
            ++moved;
        }
        check(moved == 6, "six tiles are moved with the mouse (" + std::to_string(moved) + ")");
        check(OpenMenu(w), "a right click brings the menu back");
        Click(w, 612, 393);
        check(game.WaitForExit(30) == 0, "Quit ends the recording game with code 0");
    }
    check(std::filesystem::exists(demo), "the demo is written");

    {
        GameProcess game("tesserine-replay");
        setenv("ZORBEL_FRAME_DUMP", ((keep / "replayed").string() + ":" + DumpSteps).c_str(), 1);
        check(game.Start(argv[1], {"-play", "-demofile=" + demo}), "the replay starts");
        // The replay takes as long as the recording did; the player's input plays no part in it.
        const std::optional<int> code = game.WaitForExit(180);
        if (code != 0) std::printf("the replay's standard error:\n%s\n", game.Errors().c_str());
        check(code == 0, "the replay ends by itself with code 0 at the recorded Quit (" +
                             (code ? std::to_string(*code) : "no exit") + ")");
    }

    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(keep / "recorded")) {
        const std::filesystem::path replayed = keep / "replayed" / entry.path().filename();
        check(std::filesystem::exists(replayed), "the replay dumps " + entry.path().filename().string());
        if (!std::filesystem::exists(replayed)) continue;
        const std::string difference = Compare(entry.path().string(), replayed.string());
        check(difference.empty(), entry.path().filename().string() + " is the same in both runs" +
                                      (difference.empty() ? "" : " (differs at " + difference + ")"));
        ++compared;
    }
    check(compared >= 5, std::to_string(compared) + " frames compared (at least 5)");
    if (check.Failures() == 0) std::filesystem::remove_all(keep);
    return check.Failures() == 0 ? 0 : 1;
}
