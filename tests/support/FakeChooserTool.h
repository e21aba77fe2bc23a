#pragma once

#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace ZorbelTest {

// A folder of stand-ins for the desktop's chooser programs (zenity, kdialog), put first on $PATH. Each
// writes the arguments it got to a log, prints the answer it was given and exits with the given code;
// the answers come through the environment so that any bytes pass unharmed. The folder also gets a
// display to show on, since the choosers check for one.
class FakeChooserTools {
public:
    explicit FakeChooserTools(const std::string& name)
        : mFolder(std::filesystem::temp_directory_path() /
                  ("zorbel-tools-" + std::to_string(getpid()) + "-" + name)) {
        std::filesystem::remove_all(mFolder);
        std::filesystem::create_directories(mFolder);
        const char* path = std::getenv("PATH");
        mEnvironment.Set("PATH", mFolder.string() + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
        mEnvironment.Set("DISPLAY", ":97");
        mEnvironment.Unset("WAYLAND_DISPLAY");
        mEnvironment.Set("FAKE_CHOOSER_LOG", Log().string());
        Answer("", 0);
    }
    ~FakeChooserTools() { std::filesystem::remove_all(mFolder); }

    // Installs a stand-in under this name.
    void Install(const std::string& program) const {
        std::filesystem::path file = mFolder / program;
        std::ofstream(file)
            << "#!/bin/sh\n"
               "printf '%s\\0' \"$@\" > \"$FAKE_CHOOSER_LOG\"\n"
               "[ -n \"$FAKE_CHOOSER_ANSWER\" ] && printf '%s\\n' \"$FAKE_CHOOSER_ANSWER\"\n"
               "[ -n \"$FAKE_CHOOSER_ERRORS\" ] && printf '%s\\n' \"$FAKE_CHOOSER_ERRORS\" >&2\n"
               "[ -n \"$FAKE_CHOOSER_SIGNAL\" ] && kill -9 $$\n"
               "exit \"$FAKE_CHOOSER_EXIT\"\n";
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }

    // What the next stand-in prints on standard output (nothing when empty), and its exit code.
    void Answer(const std::string& output, int exitCode, const std::string& errors = "") {
        mEnvironment.Set("FAKE_CHOOSER_ANSWER", output);
        mEnvironment.Set("FAKE_CHOOSER_EXIT", std::to_string(exitCode));
        mEnvironment.Set("FAKE_CHOOSER_ERRORS", errors);
    }
    void DieBySignal() { mEnvironment.Set("FAKE_CHOOSER_SIGNAL", "1"); }

    bool Ran() const { return std::filesystem::exists(Log()); }
    void ForgetRuns() const { std::filesystem::remove(Log()); }
    // The arguments the last stand-in received, after its own name.
    std::vector<std::string> Arguments() const {
        std::ifstream in(Log(), std::ios::binary);
        std::vector<std::string> arguments;
        for (std::string argument; std::getline(in, argument, '\0');)
            arguments.push_back(argument);
        return arguments;
    }

    const std::filesystem::path& Folder() const { return mFolder; }
    ScopedEnvironment& Environment() { return mEnvironment; }

private:
    std::filesystem::path Log() const { return mFolder / "arguments.log"; }

    std::filesystem::path mFolder;
    ScopedEnvironment mEnvironment;
};

} // namespace ZorbelTest
