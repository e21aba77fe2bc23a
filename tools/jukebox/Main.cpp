// zorbel-jukebox: plays one music file through either music player, for trying music out and for
// checking the music output.
//
//   zorbel-jukebox [--fmod] [--level L] [--max L] [--fade-in SPEED] [--fade-out-after SECONDS]
//                  [--offset N] [--no-loop] [--seconds N] FILE
//
// The default player takes streams (".wav", ".ogg", ".mp3") and tracker modules; with --fmod, FILE is a
// module, or without an extension a sample song (FILE.ogg, cached as WAV beside it). Fades run one step
// every 10 ms. Exit codes: 0 played, 1 no audio device or a song that cannot be loaded, 2 a wrong
// command line, 4 a music library that is missing.
#include "framework/app/ExitCodes.h"
#include "framework/platform/files/Path.h"
#include "framework/sound/AudioOutput.h"
#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/FModMusicInterface.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace Zorbel;

constexpr int32_t SongId = 1;
constexpr auto UpdatePeriod = std::chrono::milliseconds(10);
constexpr double DefaultFadeOutSpeed = 0.01;

struct Options {
    bool fmod = false;
    double level = 1.0;
    double max = -1.0;
    double fadeIn = 0.0;
    double fadeOutAfter = -1.0;
    int32_t offset = 0;
    bool noLoop = false;
    double seconds = -1.0;
    std::string file;
};

const char Usage[] = "usage: zorbel-jukebox [--fmod] [--level L] [--max L] [--fade-in SPEED] "
                     "[--fade-out-after SECONDS] [--offset N] [--no-loop] [--seconds N] FILE\n";

bool ParseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0';
}

bool ParseValue(const std::string& name, double value, Options& options) {
    if (name == "--level")
        options.level = value;
    else if (name == "--max")
        options.max = value;
    else if (name == "--fade-in")
        options.fadeIn = value;
    else if (name == "--fade-out-after")
        options.fadeOutAfter = value;
    else if (name == "--offset")
        options.offset = static_cast<int32_t>(value);
    else if (name == "--seconds")
        options.seconds = value;
    else
        return false;
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--fmod") {
            options.fmod = true;
        } else if (argument == "--no-loop") {
            options.noLoop = true;
        } else if (argument.rfind("--", 0) != 0) {
            if (!options.file.empty()) return false;
            options.file = argument;
        } else {
            double value = 0;
            if (i + 1 >= argc || !ParseNumber(argv[++i], value) || !ParseValue(argument, value, options))
                return false;
        }
    }
    return !options.file.empty();
}

bool LoadFile(MusicInterface& player, const Options& options) {
    if (options.fmod && GetFileName(options.file).find('.') == std::string::npos)
        return static_cast<FModMusicInterface&>(player).LoadSampleSong(SongId, options.file, !options.noLoop);
    return player.LoadSong(SongId, options.file);
}

int Play(const Options& options, const std::shared_ptr<AudioOutput>& output) {
    MusicServices services;
    services.output = output;
    services.libraryMissing = [](const std::string& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        std::exit(EXIT_CODE_AUDIO_BACKEND);
    };
    std::unique_ptr<MusicInterface> player;
    if (options.fmod)
        player = std::make_unique<FModMusicInterface>(0, services);
    else
        player = std::make_unique<BassMusicInterface>(0, services);
    if (!LoadFile(*player, options)) {
        std::fprintf(stderr, "cannot load song: %s\n", options.file.c_str());
        return 1;
    }
    player->SetMusicLevel(options.level);
    if (options.max >= 0) player->SetSongMaxLevel(SongId, options.max);
    if (options.fadeIn > 0)
        player->FadeSongIn(SongId, options.offset, options.fadeIn, options.noLoop);
    else
        player->PlaySong(SongId, options.offset, options.noLoop);

    auto start = std::chrono::steady_clock::now();
    auto next = start;
    bool fadingOut = false;
    for (;;) {
        next += UpdatePeriod;
        std::this_thread::sleep_until(next);
        player->UpdateFades();
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!fadingOut && options.fadeOutAfter >= 0 && elapsed >= options.fadeOutAfter) {
            player->FadeSongOut(SongId, true, options.fadeIn > 0 ? options.fadeIn : DefaultFadeOutSpeed);
            fadingOut = true;
        }
        if (options.seconds >= 0 ? elapsed >= options.seconds : !player->IsSongPlaying(SongId)) break;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    std::shared_ptr<AudioOutput> output = AudioOutput::OpenDefault();
    if (!output) {
        std::fputs("no audio device\n", stderr);
        return 1;
    }
    return Play(options, output);
}
