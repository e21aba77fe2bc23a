// Peak memory of loading pictures, each load in a child process of its own so that its peak is its
// own: the three tiny files that claim 16384 x 16384 pictures (the tests' GIF, JPEG and PNG bombs),
// beside a child that loads nothing and a real 24-megapixel photograph (6000 x 4000 JPEG) loaded in
// full and for display at 800 x 600, as the game shows its pictures. A bomb goes through both
// LoadImageFile and LoadImageFileForDisplay with alpha lookup. What loads is then copied into a
// display picture, as the application's GetImage does while it still holds the loaded one. The
// counter peak_MB is the child's largest resident set; load_ms the wall time of the child.
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "imagelib/PictureFiles.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Zorbel::ImageLib;
using namespace PictureFiles;

namespace {

enum Subject { Nothing, GifBombFile, JpegBombFile, PngBombFile, PhotoFull, PhotoForDisplay };

const ScratchFolder& Folder() {
    static const ScratchFolder* folder = new ScratchFolder;
    return *folder;
}

// The files, made once before any child is started.
std::string PathOf(Subject subject) {
    static const bool made = [] {
        WriteFile(Folder().Path("bomb.gif"), GifBomb());
        WriteFile(Folder().Path("bomb.jpg"), JpegBomb());
        WriteFile(Folder().Path("bomb.png"), PngBomb());
        auto photo = MakeImage(6000, 4000, [](int x, int y) {
            return 0xFF000000u | uint32_t((x * 7 + y) & 0xFF) << 16 | uint32_t((x ^ y) & 0xFF) << 8 |
                   uint32_t((x * y) & 0xFF);
        });
        return WriteJpeg(Folder().Path("photo.jpg"), *photo);
    }();
    if (!made) return std::string();
    switch (subject) {
        case GifBombFile:
            return Folder().Path("bomb.gif");
        case JpegBombFile:
            return Folder().Path("bomb.jpg");
        case PngBombFile:
            return Folder().Path("bomb.png");
        case PhotoFull:
        case PhotoForDisplay:
            return Folder().Path("photo.jpg");
        case Nothing:
            break;
    }
    return std::string();
}

// The application's copy of a loaded picture.
bool Show(const std::unique_ptr<Image>& picture) {
    if (!picture) return false;
    Zorbel::ImageContext context;
    Zorbel::MemoryImage shown(context);
    shown.SetPixels(picture->GetBits(), picture->GetWidth(), picture->GetHeight(), true);
    return shown.GetWidth() == picture->GetWidth();
}

// 1 when the child got a picture, 0 when it got none, -1 when it did not end normally.
int LoadInChild(Subject subject, const std::string& path, double& peakMegabytes) {
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        bool loaded = false;
        if (subject == PhotoFull)
            loaded = Show(LoadImageFile(path, true));
        else if (subject == PhotoForDisplay)
            loaded = Show(LoadImageFileForDisplay(path, true, 800, 600));
        else if (subject != Nothing)
            loaded = Show(LoadImageFile(path, true)) || Show(LoadImageFileForDisplay(path, true, 800, 600));
        _exit(loaded ? 1 : 0);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)) return -1;
    peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return WEXITSTATUS(status);
}

void BM_PeakMemory(benchmark::State& state) {
    const auto subject = static_cast<Subject>(state.range(0));
    const std::string path = PathOf(subject);
    if (path.empty() && subject != Nothing) {
        state.SkipWithError("the test pictures could not be made");
        return;
    }
    double peak = 0;
    double loadMs = 0;
    int found = 0;
    for (auto _ : state) {
        auto begin = std::chrono::steady_clock::now();
        found = LoadInChild(subject, path, peak);
        loadMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    }
    if (found < 0) state.SkipWithError("the child did not end normally");
    state.counters["peak_MB"] = peak;
    state.counters["load_ms"] = benchmark::Counter(loadMs, benchmark::Counter::kAvgIterations);
    const char* const names[] = {"nothing loaded",  "35-byte GIF bomb",  "JPEG bomb",
                                 "261 KB PNG bomb", "24 MP photo, full", "24 MP photo for display"};
    state.SetLabel(std::string(names[subject]) + (subject == Nothing ? ""
                                                  : found > 0        ? ", loaded"
                                                                     : ", refused"));
}
BENCHMARK(BM_PeakMemory)
    ->DenseRange(Nothing, PhotoForDisplay)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
