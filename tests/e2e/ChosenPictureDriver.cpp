// The real game with pictures the player chooses: a stand-in for the desktop's chooser program answers
// each "Change Picture" with a path the driver names. A camera's IMG_0001.JPG becomes the next
// picture; a truncated PNG, a folder and a named pipe each bring the notice and the game goes on;
// picture bombs are refused or loaded without the game's memory passing 300 MB; and the game still
// ends normally. Run under with_xvfb.sh with the game's path.
#include "e2e/GameSession.h"
#include "imagelib/PictureFiles.h"

#include <sys/stat.h>

using namespace GameE2E;

namespace {

constexpr uint32_t PictureColor = 0xFF2080C0u;

// Centres of the menu's buttons at rest, in the window.
constexpr int ChangePictureX = 396, ChangePictureY = 341;
constexpr int NewGameX = 188, NewGameY = 393;
constexpr int CancelX = 400, CancelY = 393;
constexpr int QuitX = 612, QuitY = 393;
// The middle of the preview in the panel.
constexpr int PreviewX = 396, PreviewY = 282;

void Write(const std::filesystem::path& path, const PictureFiles::Bytes& bytes) {
    PictureFiles::WriteFile(path.string(), bytes);
}

// Answers a message box; the focus goes back to the game's window, as a window manager would hand it
// back (Xvfb has none), since the game takes no clicks without it.
void CloseBox(const Window& box, const Window& game) {
    Key(box, "Return");
    Run("xdotool windowfocus --sync " + game.id + " 2>/dev/null");
}

} // namespace

int main(int argc, char** argv) {
    // The memory bound is on the whole game, or, for a game built with the address sanitizer (whose
    // own bookkeeping costs more than the game), on what the pictures add to its start-up peak.
    if (argc != 3 ||
        (std::strncmp(argv[2], "--peak=", 7) != 0 && std::strncmp(argv[2], "--growth=", 9) != 0)) {
        std::fprintf(stderr, "usage: ChosenPictureDriver TESSERINE --peak=MB|--growth=MB\n");
        return 2;
    }
    const bool growthOnly = argv[2][2] == 'g';
    const long limit = std::atol(std::strchr(argv[2], '=') + 1);
    Checks check;
    GameProcess game("tesserine-chosen");
    const std::filesystem::path folder = game.Folder();

    // The chooser stand-in: zenity that notes each call and prints the path in the answer file. Without
    // a session bus the desktop portal is out of the way.
    std::filesystem::create_directories(folder / "bin");
    const std::filesystem::path answer = folder / "answer";
    const std::filesystem::path calls = folder / "calls";
    {
        std::ofstream(folder / "bin" / "zenity")
            << "#!/bin/sh\necho >> '" << calls.string() << "'\ncat '" << answer.string() << "'\n";
        std::filesystem::permissions(folder / "bin" / "zenity", std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        setenv("PATH", ((folder / "bin").string() + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    // The pictures: a camera photo with its upper-case name, and the bad ones.
    auto photo = PictureFiles::MakeImage(1600, 1200, [](int, int) { return PictureColor; });
    const std::filesystem::path camera = folder / "IMG_0001.JPG";
    check(Zorbel::ImageLib::WriteJpeg(camera.string(), *photo), "a camera photo is written");
    const std::filesystem::path png = folder / "whole.png";
    check(Zorbel::ImageLib::WritePng(png.string(), *photo), "a PNG is written");
    PictureFiles::Bytes pngBytes = PictureFiles::ReadFile(png.string());
    pngBytes.resize(pngBytes.size() / 2);
    Write(folder / "truncated.png", pngBytes);
    std::filesystem::create_directories(folder / "folder.png");
    mkfifo((folder / "pipe.png").c_str(), 0600);
    Write(folder / "bomb.gif", PictureFiles::GifBomb());
    Write(folder / "bomb.jpg", PictureFiles::JpegBomb());
    Write(folder / "bomb.png", PictureFiles::PngBomb());

    // Freed blocks the sanitizer holds back to catch late uses would count as the game's own.
    const char* asan = std::getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":quarantine_size_mb=8").c_str(), 1);
    std::optional<Window> found = StartToMenu(game, argv[1], check);
    if (!found) return 1;
    const Window w = *found;

    const long before = game.PeakMegabytes();
    // A click a loaded machine lets go unheeded (the chooser is never called) is made again; one that was
    // heeded never is, so the chooser runs once.
    auto choose = [&](const std::filesystem::path& path) {
        std::ofstream(answer) << path.string() << "\n";
        auto called = [&] {
            std::error_code error;
            const auto size = std::filesystem::file_size(calls, error);
            return error ? 0u : static_cast<unsigned>(size);
        };
        const unsigned earlier = called();
        for (int attempt = 0; attempt < 3; ++attempt) {
            Click(w, ChangePictureX, ChangePictureY);
            if (WaitFor([&] { return called() > earlier; }, 8)) return;
        }
    };

    // Each bad file: the notice (a message box window of the game's title, or, where the desktop cannot
    // show one, its text on standard error), and the game answers again once it is closed.
    for (const char* name : {"truncated.png", "folder.png", "pipe.png"}) {
        const std::string path = (folder / name).string();
        const std::string message = "There was an error loading the file: " + path;
        choose(path);
        std::optional<Window> box;
        const bool told = WaitFor(
            [&] {
                for (const Window& window : GameWindows())
                    if (window.width != 800) return box = window, true;
                return game.Errors().find(message) != std::string::npos;
            },
            30);
        check(told, std::string("choosing ") + name + " brings the notice");
        if (box) CloseBox(*box, w);
        check(WaitFor([&] { return GameWindows().size() == 1; }, 20) && game.Running(),
              std::string("after ") + name + " the game goes on with one window");
        check(game.Errors().find("FATAL ERROR") == std::string::npos, "no fatal error was reported");
    }

    // The bombs: each is refused with the notice or loaded, and the memory stays within bounds.
    for (const char* name : {"bomb.gif", "bomb.jpg", "bomb.png"}) {
        choose(folder / name);
        std::optional<Window> box;
        WaitFor(
            [&] {
                for (const Window& window : GameWindows())
                    if (window.width != 800) return box = window, true;
                return false;
            },
            5);
        if (box) CloseBox(*box, w);
        check(WaitFor([&] { return GameWindows().size() == 1; }, 20) && game.Running(),
              std::string("after ") + name + " the game goes on");
    }
    const long peak = game.PeakMegabytes();
    std::printf("peak memory: %ld MB before the pictures, %ld MB after\n", before, peak);
    const long measured = growthOnly ? peak - before : peak;
    check(before > 0 && peak > 0 && measured <= limit,
          std::string(growthOnly ? "the pictures add " : "the game's peak memory is ") +
              std::to_string(measured) + " MB (at most " + std::to_string(limit) + ")");

    // The camera photo by its own name: the preview shows it, and the next game is made of it.
    choose(camera);
    auto previewShows = [&](const XwdImage& shot) {
        return Near(shot.At(w.x + PreviewX, w.y + PreviewY), PictureColor);
    };
    check(ScreenshotWhen(previewShows, 20).has_value(), "IMG_0001.JPG is shown in the preview");
    Click(w, NewGameX, NewGameY);
    auto boardShows = [&](const XwdImage& shot) {
        return !MenuShown(shot, w) && Near(shot.At(w.x + 500, w.y + 375), PictureColor) &&
               Near(shot.At(w.x + 700, w.y + 525), PictureColor);
    };
    check(ScreenshotWhen(boardShows, 20).has_value(), "and the new game is made of it");

    // The menu again, and Quit ends the game normally.
    check(OpenMenu(w), "a right click brings the menu back");
    Click(w, CancelX, CancelY);
    check(ScreenshotWhen([&](const XwdImage& shot) { return boardShows(shot); }, 20).has_value(),
          "Cancel goes back to the game");
    check(OpenMenu(w), "the menu once more");
    Click(w, QuitX, QuitY);
    std::optional<int> code = game.WaitForExit(30);
    check(code == 0, "Quit ends the game with code 0 (" + (code ? std::to_string(*code) : "no exit") + ")");
    return check.Failures() == 0 ? 0 : 1;
}
