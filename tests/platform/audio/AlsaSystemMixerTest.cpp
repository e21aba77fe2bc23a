// The desktop volume through ALSA, checked against a real sound server: a PulseAudio daemon of the
// test's own, with a null sink, in a runtime folder of its own, reached through ALSA's pulse plugin.
#include "framework/platform/audio/AlsaSystemMixer.h"

#include "framework/platform/process/Subprocess.h"
#include "framework/sound/DSoundManager.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

// A PulseAudio daemon with one null sink, "zorbel_test", in a runtime folder of its own. It answers
// once started; should the test end without stopping it, it ends itself after ten idle seconds.
class PulseServer {
public:
    PulseServer() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zorbel-pulse-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        folder = made ? made : "";
        environment.Set("XDG_RUNTIME_DIR", folder);
        environment.Set("HOME", folder);
        environment.Set("PULSE_RUNTIME_PATH", folder + "/pulse");
        environment.Set("PULSE_STATE_PATH", folder + "/state");
        environment.Set("PULSE_SERVER", "unix:" + folder + "/native");
    }
    ~PulseServer() {
        Run("pulseaudio", {"--kill"});
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // False, with what the daemon said, when it does not start.
    bool Start(std::string& why) {
        ProcessOutcome started =
            Run("pulseaudio",
                {"-n", "--daemonize=yes", "--exit-idle-time=10", "--disable-shm=yes", "--log-target=stderr",
                 "--load=module-null-sink sink_name=zorbel_test",
                 "--load=module-native-protocol-unix auth-anonymous=1 socket=" + folder + "/native"});
        why = started.started ? started.errors : "pulseaudio is not installed";
        return started.exitCode == 0 && Run("pactl", {"info"}).exitCode == 0;
    }

    // The null sink's volume in the server's units (65536 is 100 %), or −1.
    static long SinkVolume() {
        std::string text = Run("pactl", {"get-sink-volume", "zorbel_test"}).output;
        size_t at = text.find("front-left: ");
        return at == std::string::npos ? -1 : std::stol(text.substr(at + 12));
    }

    // Runs a program, ended after twenty seconds should it hang.
    static ProcessOutcome Run(const std::string& program, std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-k", "5", "20", program});
        return RunProcess(FindProgramOnPath("timeout"), arguments);
    }

private:
    std::string folder;
    ScopedEnvironment environment;
};

} // namespace

TEST(AlsaSystemMixerTest, TheSystemVolumeIsTheSoundServersOutputVolume) {
    PulseServer server;
    std::string why;
    if (!server.Start(why))
        GTEST_SKIP() << "no PulseAudio daemon could be started, so no ALSA volume to test: " << why;

    SoundServices services;
    services.systemMixer = std::make_unique<AlsaSystemMixer>();
    DSoundManager manager(std::move(services), false);
    EXPECT_EQ(PulseServer::SinkVolume(), 65536);
    EXPECT_DOUBLE_EQ(manager.GetSystemVolume(), 1.0);

    // Half is 32767 of 65535, which the server keeps as 32767 of its 65536.
    manager.SetSystemVolume(0.5);
    EXPECT_EQ(PulseServer::SinkVolume(), 32767);
    EXPECT_NEAR(manager.GetSystemVolume(), 0.5, 1.0 / 65535);

    ASSERT_EQ(PulseServer::Run("pactl", {"set-sink-volume", "zorbel_test", "16384"}).exitCode, 0);
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
