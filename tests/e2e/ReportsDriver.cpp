// The developer reports of the real game, driven through its window on an X server with real key
// presses (xdotool) and checked against screenshots of the server (xwd). Run under with_xvfb.sh with
// the game's path. The game runs from a copy in a folder of its own, which is then its working
// folder, so that "_screenshots" and "_dump" land there and not in the build.
//
// With the menu at rest and the pointer outside the window: Ctrl + Alt + D switches the debug keys
// on and F11 writes "_screenshots/image1.png", which must equal the window's pixels on the X server;
// F3 puts the frame-rate counter at the bottom right of the window; Shift + F11 writes the image dump,
// whose page a headless Chromium then loads with every picture and thumbnail. Quit ends the game.
#include "GameWindow.h"
#include "framework/imagelib/ImageLib.h"
#include "support/WholeFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>

extern char** environ;

using namespace GameE2E;

namespace {

namespace fs = std::filesystem;

using ZorbelTest::PollUntil;
using ZorbelTest::Sight;

// The window's 800 x 600 pixels as the X server shows them.
std::vector<uint32_t> WindowPixels(const XwdImage& shot, const Window& w) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            pixels.push_back(shot.At(w.x + x, w.y + y) & 0xFFFFFF);
    return pixels;
}

// The frame-rate box at the bottom right: black from x = 740 to 789 on its last row (y = 589), with
// light text inside it.
bool FrameRateShown(const XwdImage& shot, const Window& w) {
    int bright = 0;
    for (int x = 740; x < 790; ++x)
        if ((shot.At(w.x + x, w.y + 589) & 0xFFFFFF) != 0) return false;
    for (int y = 570; y < 590; ++y)
        for (int x = 740; x < 790; ++x)
            bright += (shot.At(w.x + x, w.y + y) & 0x808080) == 0x808080;
    return bright >= 20;
}

// The dump's rows: the count of "<TR>" lines of a complete page; 0 while it is incomplete.
int DumpRows(const fs::path& page) {
    const std::string text = ZorbelTest::ReadWholeFile(page.string());
    if (text.find("</TABLE></CENTER></BODY></HTML>") == std::string::npos) return 0;
    int rows = 0;
    for (size_t at = text.find("<TR>\n"); at != std::string::npos; at = text.find("<TR>\n", at + 1))
        ++rows;
    return rows;
}

std::string Numbered(const char* pattern, int k) {
    char name[32];
    std::snprintf(name, sizeof name, pattern, k);
    return name;
}

// Loads the dump's page in a headless Chromium: every thumbnail of the page and every picture it links
// to must load as an image. Skipped, saying so, without Chromium.
void CheckPageInBrowser(const fs::path& folder, int rows) {
    const std::string browser = Run("command -v chromium 2>/dev/null");
    if (browser.empty()) {
        std::printf("SKIPPED: chromium is not installed; the dump's page was not rendered\n");
        return;
    }
    std::ofstream(folder / "check.html")
        << "<!DOCTYPE html><html><body><div id=result>pending</div>\n"
           "<iframe id=page src=\"_dump/imagelist.html\" width=1400 height=4000></iframe>\n"
           "<script>\n"
           "function load(src) { return new Promise(function(done) { var i = new Image();\n"
           "  i.onload = function() { done(i.naturalWidth > 0); }; i.onerror = function() { done(false); };\n"
           "  i.src = src; }); }\n"
           "document.getElementById('page').onload = function() {\n"
           "  var d = this.contentDocument, sources = [], i;\n"
           "  for (i = 0; i < d.images.length; ++i) sources.push(d.images[i].src);\n"
           "  var links = d.getElementsByTagName('a');\n"
           "  for (i = 0; i < links.length; ++i) sources.push(links[i].href);\n"
           "  Promise.all(sources.map(load)).then(function(ok) {\n"
           "    document.getElementById('result').textContent = 'loaded ' + ok.filter(Boolean).length +\n"
           "      ' of ' + ok.length + ', thumbnails ' + d.images.length; }); };\n"
           "</script></body></html>\n";
    const std::string flags = " --headless --no-sandbox --disable-gpu --allow-file-access-from-files"
                              " --user-data-dir=" +
                              (folder / "browser").string();
    const std::string dom =
        Run("timeout 120 chromium" + flags + " --virtual-time-budget=20000 --dump-dom 'file://" +
            (folder / "check.html").string() + "' 2>/dev/null");
    const std::string expected = "loaded " + std::to_string(2 * rows) + " of " + std::to_string(2 * rows) +
                                 ", thumbnails " + std::to_string(rows);
    Check(dom.find(expected) != std::string::npos,
          "the browser shows every picture and thumbnail of the dump (" + expected + ")");

    // And what it draws: the page's screenshot holds the thumbnails, not just the page's colour.
    const fs::path picture = folder / "page.png";
    Run("timeout 120 chromium" + flags + " --window-size=1280,1600 --screenshot='" + picture.string() +
        "' 'file://" + (folder / "_dump" / "imagelist.html").string() + "' >/dev/null 2>&1");
    std::unique_ptr<Zorbel::ImageLib::Image> page = Zorbel::ImageLib::ReadPng(picture.string());
    int drawn = 0;
    for (size_t i = 0; page && i < page->GetPixelCount(); ++i) {
        const uint32_t c = page->GetBits()[i] & 0xFFFFFF;
        drawn += c != 0xEEEEFF && c != 0xFFFFFF && c != 0;
    }
    Check(page && drawn > 64 * 64, "the page's screenshot shows the pictures");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ReportsDriver TESSERINE\n");
        return 2;
    }
    const fs::path built = fs::absolute(argv[1]);
    const fs::path work = fs::temp_directory_path() / ("tesserine-reports-" + std::to_string(getpid()));
    const fs::path folder = work / "game";
    fs::create_directories(folder);
    fs::create_directories(work / "run");
    fs::permissions(work / "run", fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (work / "run").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    // The program's folder is its working folder: a copy of the game beside the build's artwork.
    const fs::path game = folder / "tesserine";
    fs::copy_file(built, game);
    for (const char* data : {"images", "fonts"})
        if (fs::exists(built.parent_path() / data))
            fs::create_directory_symlink(built.parent_path() / data, folder / data);

    pid_t pid = 0;
    char* gameArgv[] = {const_cast<char*>(game.c_str()), nullptr};
    if (posix_spawn(&pid, game.c_str(), nullptr, nullptr, gameArgv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", game.c_str());
        return 1;
    }
    const Window w = FindGameWindow();
    Check(!w.id.empty(), "the game shows its window");
    if (w.id.empty()) {
        WaitForExit(pid, 0);
        return 1;
    }
    // The pointer rests outside the window, so that no cursor and no lit button is in the frame.
    Run("xdotool mousemove 0 0");
    Check(AwaitScreen(w, "the menu at rest", [&](const XwdImage& shot) { return MenuShown(shot, w); })
              .has_value(),
          "the menu comes to rest");

    Run("xdotool windowfocus --sync " + w.id);
    Run("xdotool key ctrl+alt+d F11");
    const fs::path shotFile = folder / "_screenshots" / "image1.png";
    std::unique_ptr<Zorbel::ImageLib::Image> shot;
    PollUntil(shotFile.string(), [&] {
        shot = Zorbel::ImageLib::ReadPng(shotFile.string());
        return Sight{shot != nullptr, "no readable file"};
    });
    Check(shot && shot->GetWidth() == 800 && shot->GetHeight() == 600, "F11 writes _screenshots/image1.png");
    std::optional<XwdImage> screen = Screenshot();
    if (shot && screen && shot->GetWidth() == 800 && shot->GetHeight() == 600) {
        // Both hold the same 24-bit frame; the tolerance is exactness: no channel of any pixel differs.
        const std::vector<uint32_t> shown = WindowPixels(*screen, w);
        int differing = 0;
        for (size_t i = 0; i < shown.size(); ++i)
            differing += (shot->GetBits()[i] & 0xFFFFFF) != shown[i];
        Check(differing == 0, "the screenshot equals the window on the X server (" +
                                  std::to_string(differing) + " pixels differ)");
    }

    Run("xdotool key F3");
    Check(AwaitScreen(
              w, "the frame rate at the bottom right",
              [&](const XwdImage& now) { return FrameRateShown(now, w); }, Rest::WantedHeld)
              .has_value(),
          "F3 shows the frame rate at the bottom right");

    Run("xdotool key shift+F11");
    const fs::path page = folder / "_dump" / "imagelist.html";
    int rows = 0;
    const bool dumped =
        PollUntil("the dump's page and its last thumbnail", [&] {
            rows = DumpRows(page);
            return Sight{rows > 0 && fs::exists(folder / "_dump" / Numbered("thumb%04d.jpg", rows - 1)),
                         std::to_string(rows) + " rows"};
        }).expected;
    Check(dumped,
          "Shift + F11 writes the dump's page, pictures and thumbnails (" + std::to_string(rows) + " rows)");
    if (dumped) {
        bool all = true;
        for (int k = 0; k < rows; ++k)
            all = all &&
                  Zorbel::ImageLib::ReadPng((folder / "_dump" / Numbered("img%04d.png", k)).string()) &&
                  Zorbel::ImageLib::ReadJpeg((folder / "_dump" / Numbered("thumb%04d.jpg", k)).string());
        Check(all, "every picture and thumbnail of the dump reads back");
        CheckPageInBrowser(folder, rows);
    }

    Click(w, 612, 393, 1);
    Check(ExitedWithZero(WaitForExit(pid, 30)), "Quit ends the game with code 0");
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return failures == 0 ? 0 : 1;
}
