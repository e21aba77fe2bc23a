// zorbel-play-sound: plays sound files through the framework's sound manager, for trying sounds out and
// for checking the sound output.
//
//   zorbel-play-sound [--volume V] [--pan P] [--pitch S] [--master M] [--fmod] [--loop SECONDS] NAME...
//
// Each NAME is loaded as the sound manager loads it (by name, whatever the extension given), and all of
// them play together, once or looping for the given seconds. Exit codes: 0 played, 1 no audio device or
// a sound that cannot be loaded, 2 a wrong command line, 5 a sound that could not be duplicated.
#include "framework/sound/AudioOutput.h"
#include "framework/sound/DSoundManager.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace Zorbel;

struct Options {
    double volume = 1.0;
    int32_t pan = 0;
    double pitch = 0.0;
    double master = 1.0;
    bool fmod = false;
    double loopSeconds = -1.0;
    std::vector<std::string> names;
};

const char Usage[] = "usage: zorbel-play-sound [--volume V] [--pan P] [--pitch S] [--master M] [--fmod] "
                     "[--loop SECONDS] NAME...\n";

bool ParseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0';
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--fmod") {
            options.fmod = true;
            continue;
        }
        if (argument.rfind("--", 0) != 0) {
            options.names.push_back(argument);
            continue;
        }
        double value = 0;
        if (i + 1 >= argc || !ParseNumber(argv[++i], value)) return false;
        if (argument == "--volume")
            options.volume = value;
        else if (argument == "--pan")
            options.pan = static_cast<int32_t>(value);
        else if (argument == "--pitch")
            options.pitch = value;
        else if (argument == "--master")
            options.master = value;
        else if (argument == "--loop" && value >= 0)
            options.loopSeconds = value;
        else
            return false;
    }
    return !options.names.empty();
}

// The sound manager names sounds without extension and picks the file itself.
std::string WithoutExtension(const std::string& name) {
    size_t part = name.find_last_of("/\\");
    size_t dot = name.rfind('.');
    bool inFilePart = dot != std::string::npos && (part == std::string::npos || dot > part + 1);
    return inFilePart ? name.substr(0, dot) : name;
}

bool AnySounding(const std::vector<SoundInstance*>& instances) {
    for (SoundInstance* instance : instances)
        if (instance->IsSounding()) return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    SoundServices services;
    services.output = AudioOutput::OpenDefault();
    if (!services.output) {
        // A manager without a device would accept every sound without reading it.
        std::fputs("no audio device\n", stderr);
        return 1;
    }
    DSoundManager manager(std::move(services), options.fmod);

    std::vector<SoundInstance*> instances;
    for (const std::string& name : options.names) {
        int32_t id = manager.LoadSoundByName(WithoutExtension(name));
        SoundInstance* instance = id < 0 ? nullptr : manager.CreateInstance(id);
        if (!instance) {
            std::fprintf(stderr, "cannot %s sound: %s\n", id < 0 ? "load" : "play", name.c_str());
            return 1;
        }
        instance->SetLevel(options.volume);
        instance->SetBalance(options.pan);
        instance->ShiftPitch(options.pitch);
        instances.push_back(instance);
    }
    manager.SetMasterLevel(options.master);

    bool loop = options.loopSeconds >= 0;
    for (SoundInstance* instance : instances)
        instance->PlayInstance(loop, false);
    if (loop) {
        std::this_thread::sleep_for(std::chrono::duration<double>(options.loopSeconds));
        for (SoundInstance* instance : instances)
            instance->Halt();
    }
    while (AnySounding(instances))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // The last mixed piece is still on its way through the device's buffers.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return 0;
}
