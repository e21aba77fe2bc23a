// The desktop volume through ALSA, checked against a real sound server: a PulseAudio daemon of the
// test's own, with a null sink, in a runtime folder of its own, reached through ALSA's pulse plugin.
#include "framework/platform/audio/AlsaSystemMixer.h"

#include "framework/platform/process/Subprocess.h"
#include "framework/sound/DSoundManager.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class PulseServer {
public:
    PulseServer() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zorbel-pulse-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        folder = made ? made : "";
        for (const char* sub : {"/run", "/home", "/state"})
            std::filesystem::create_directories(folder + sub);
        environment.Set("XDG_RUNTIME_DIR", folder + "/run");
        environment.Set("HOME", folder + "/home");
        environment.Set("PULSE_RUNTIME_PATH", folder + "/run/pulse");
        environment.Set("PULSE_STATE_PATH", folder + "/state");
        environment.Set("PULSE_SERVER", "unix:" + folder + "/native");
        environment.Unset("PULSE_SINK");
    }
    ~PulseServer() {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // Starts the daemon and waits (ten seconds at most) until it answers; false with the reason in log.
    bool Start() {
        std::string program = FindProgramOnPath("pulseaudio");
        if (program.empty()) return Fail("pulseaudio is not installed");
        std::vector<std::string> arguments = {
            program,
            "-n",
            "--daemonize=no",
            "--exit-idle-time=-1",
            "--use-pid-file=no",
            "--disable-shm=yes",
            "--log-target=stderr",
            "--load=module-null-sink sink_name=zorbel_test",
            "--load=module-native-protocol-unix auth-anonymous=1 socket=" + folder + "/native"};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        std::string logPath = folder + "/log";
        posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (result != 0) {
            pid = 0;
            return Fail("pulseaudio could not be run");
        }
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Pactl({"info"}).exitCode == 0) return true;
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = 0;
                return Fail("the daemon ended");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return Fail("the daemon did not answer within ten seconds");
    }

    void Stop() {
        if (pid == 0) return;
        kill(pid, SIGTERM);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid = 0;
    }

    static ProcessOutcome Pactl(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-k", "2", "10", "pactl"});
        return RunProcess(FindProgramOnPath("timeout"), arguments);
    }

    // The null sink's volume in PulseAudio's units (65536 is 100 %), or −1.
    static long SinkVolume() {
        std::string text = Pactl({"get-sink-volume", "zorbel_test"}).output;
        size_t at = text.find("front-left: ");
        return at == std::string::npos ? -1 : std::stol(text.substr(at + 12));
    }

    std::string why;
    std::string folder;

private:
    bool Fail(const std::string& reason) {
        std::ifstream log(folder + "/log");
        why = reason + ": " +
              std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
        return false;
    }

    ScopedEnvironment environment;
    pid_t pid = 0;
};

} // namespace

TEST(AlsaSystemMixerTest, TheSystemVolumeIsTheSoundServersOutputVolume) {
    PulseServer server;
    if (!server.Start())
        GTEST_SKIP() << "no PulseAudio daemon could be started, so no ALSA volume to test: " << server.why;

    SoundServices services;
    services.systemMixer = std::make_unique<AlsaSystemMixer>();
    DSoundManager manager(std::move(services), false);
    EXPECT_EQ(PulseServer::SinkVolume(), 65536);
    EXPECT_DOUBLE_EQ(manager.GetSystemVolume(), 1.0);

    // Half is 32767 of 65535, which the server keeps as 32767 of its 65536.
    manager.SetSystemVolume(0.5);
    EXPECT_EQ(PulseServer::SinkVolume(), 32767);
    EXPECT_NEAR(manager.GetSystemVolume(), 0.5, 1.0 / 65535);

    ASSERT_EQ(PulseServer::Pactl({"set-sink-volume", "zorbel_test", "16384"}).exitCode, 0);
    EXPECT_NEAR(manager.GetSystemVolume(), 0.25, 1.0 / 65535);
    manager.SetSystemVolume(0.0);
    EXPECT_EQ(PulseServer::SinkVolume(), 0);
}

TEST(AlsaSystemMixerTest, WithoutAMixerTheVolumeReadsZeroAndWritesGoNowhere) {
    AlsaSystemMixer absent("zorbel_no_such_device");
    uint32_t value = 12345;
    EXPECT_FALSE(absent.ReadVolume(value));
    absent.WriteVolume(100);

    SoundServices services;
    services.systemMixer = std::make_unique<AlsaSystemMixer>("zorbel_no_such_device");
    DSoundManager manager(std::move(services), false);
    manager.SetSystemVolume(0.5);
    EXPECT_EQ(manager.GetSystemVolume(), 0.0);
}
