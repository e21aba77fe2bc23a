#pragma once

#include "game/GameApp.h"

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>

// The game as the benchmarks run it: its pictures read from the build folder, where the artwork was
// drawn, and a hook on every update step for the scripts that play it.
class BenchGame : public Tesserine::GameApp {
public:
    BenchGame(std::string folder, Zorbel::AppPlatform platform, std::unique_ptr<Zorbel::FileChooser> chooser)
        : GameApp(std::move(platform), std::move(chooser)), mFolder(std::move(folder)) {}

    bool ChangeDirectoryHook(const std::string&) override {
        std::filesystem::current_path(mFolder);
        return true;
    }

    void UpdateFrames() override {
        GameApp::UpdateFrames();
        if (onStep) onStep(GetUpdateCount());
    }

    int32_t GetDrawCount() { return GetStepClock().GetDrawCount(); }

    std::function<void(int32_t)> onStep;

private:
    std::string mFolder;
};

// The processor time this thread has used, in microseconds.
inline double ThreadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}
