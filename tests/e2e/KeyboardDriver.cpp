// The real game played with the keyboard: after New Game the arrow keys slide the tile beside the gap
// the way they point, and while Space is held the finished picture stands in for the board, which
// comes back as it was on release. Run under with_xvfb.sh with the game's path.
#include "e2e/GameSession.h"
#include "framework/imagelib/ImageLib.h"

using namespace GameE2E;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: KeyboardDriver TESSERINE\n");
        return 2;
    }
    Checks check;
    GameProcess game("tesserine-keys");
    std::optional<Window> found = StartToMenu(game, argv[1], check);
    if (!found) return 1;
    const Window w = *found;
    auto oneGap = [&](const XwdImage& shot) {
        return !MenuShown(shot, w) && BlackCells(shot, w).size() == 1;
    };
    // A click on a loaded machine may go unheeded; while the menu stays, New Game is clicked again.
    std::optional<XwdImage> shot;
    for (int attempt = 0; attempt < 3; ++attempt) {
        Click(w, 188, 393);
        shot = ScreenshotWhen(oneGap, 8);
        if (shot && oneGap(*shot)) break;
        if (shot && !MenuShown(*shot, w)) {
            shot = ScreenshotWhen(oneGap, 20);
            break;
        }
    }
    check(shot && oneGap(*shot), "New Game deals a puzzle with one gap");
    if (!shot || !oneGap(*shot)) return 1;
    int gap = BlackCells(*shot, w)[0];

    // A few moves, each with the arrow that has a tile to move: the gap goes where that tile was.
    for (int move = 0; move < 4; ++move) {
        const int row = gap / 4, column = gap % 4;
        std::string key;
        int to = -1;
        if (move % 2 == 0) {
            key = column < 3 ? "Left" : "Right";
            to = column < 3 ? gap + 1 : gap - 1;
        } else {
            key = row < 3 ? "Up" : "Down";
            to = row < 3 ? gap + 4 : gap - 4;
        }
        // Keys are ignored until the menu has slid all the way out, which a screenshot cannot tell
        // apart from its last steps: the first move may take another press.
        for (int attempt = 0; attempt < (move == 0 ? 5 : 1); ++attempt) {
            Key(w, key);
            shot = ScreenshotWhen(
                [&](const XwdImage& s) {
                    std::vector<int> black = BlackCells(s, w);
                    return black.size() == 1 && black[0] == to;
                },
                move == 0 ? 2 : 10);
            if (shot && BlackCells(*shot, w) == std::vector<int>{to}) break;
        }
        std::vector<int> black = shot ? BlackCells(*shot, w) : std::vector<int>{};
        check(black.size() == 1 && black[0] == to, "the " + key + " arrow moves the gap from cell " +
                                                       std::to_string(gap) + " to " + std::to_string(to));
        gap = to;
    }

    // Inside the tiles, away from their pulsing frames, two screenshots show the same.
    auto sameInside = [&](const XwdImage& a, const XwdImage& b) {
        for (int y = 10; y < 600; y += 37)
            for (int x = 10; x < 800; x += 41)
                if (x % 200 > 20 && x % 200 < 180 && y % 150 > 20 && y % 150 < 130 &&
                    !Near(a.At(w.x + x, w.y + y), b.At(w.x + x, w.y + y)))
                    return false;
        return true;
    };
    // The last slide comes to its end first.
    std::optional<XwdImage> board = Screenshot();
    WaitFor(
        [&] {
            std::optional<XwdImage> next = Screenshot();
            const bool settled = next && board && sameInside(*next, *board);
            board = next;
            return settled;
        },
        20);

    // Space held: the whole picture, no gap; released: the board with its gap where it was.
    Run("xdotool windowfocus " + w.id + " keydown space");
    shot = ScreenshotWhen([&](const XwdImage& s) { return BlackCells(s, w).empty(); }, 20);
    // The game's own picture is drawn at its own size, 800 x 600.
    auto picture = Zorbel::ImageLib::LoadImageFile(
        (std::filesystem::path(argv[1]).parent_path() / "images" / "quibBG").string(), false);
    bool whole = shot && picture && picture->GetWidth() == 800 && picture->GetHeight() == 600;
    for (int y = 3; whole && y < 600; y += 23)
        for (int x = 3; whole && x < 800; x += 29)
            whole = Near(shot->At(w.x + x, w.y + y), picture->GetBits()[y * 800 + x]);
    check(whole, "while Space is held the whole finished picture shows, without frames or gap");
    Run("xdotool windowfocus " + w.id + " keyup space");
    shot = ScreenshotWhen(
        [&](const XwdImage& s) {
            std::vector<int> black = BlackCells(s, w);
            return black.size() == 1 && black[0] == gap && board && sameInside(s, *board);
        },
        20);
    check(shot && board && sameInside(*shot, *board), "releasing Space brings the board back as it was");

    // The game still ends normally.
    Run("xdotool windowfocus " + w.id + " key Escape");
    check(WaitForMenuAtRest(w, 20), "Escape brings the menu");
    Click(w, 612, 393);
    check(game.WaitForExit(30) == 0, "Quit ends the game with code 0");
    return check.Failures() == 0 ? 0 : 1;
}
