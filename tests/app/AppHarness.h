#pragma once

#include "framework/app/ZorbelAppBase.h"
#include "framework/platform/files/FileSettingsStore.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"
#include "framework/sound/AudioOutput.h"
#include "support/FakeDisplayDevice.h"
#include "support/FakeSystemMixer.h"
#include "support/RecordingWidgetLayer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

namespace ZorbelTest {

// An application with its internals in reach of the tests.
class TestApp : public Zorbel::ZorbelAppBase {
public:
    explicit TestApp(Zorbel::AppPlatform platform) : ZorbelAppBase(std::move(platform)) {
        mSettingsKey = "ZorbelTest\\App";
        mProductName = "ZorbelTest";
    }

    bool ChangeDirectoryHook(const std::string&) override { return true; }
    void LoadingThreadBody() override {
        if (loadingBody) loadingBody();
    }
    void LoadingFinished() override { ++loadingFinishedCount; }
    void BeforeShutdownHook() override {
        ++beforeShutdownCount;
        if (onShutdown) onShutdown();
    }
    void WriteSettings() override {
        if (onWriteSettings) onWriteSettings();
        ZorbelAppBase::WriteSettings();
    }

    using ZorbelAppBase::GetAudio;
    using ZorbelAppBase::GetCursorController;
    using ZorbelAppBase::GetDebugKeys;
    using ZorbelAppBase::GetDemo;
    using ZorbelAppBase::GetDeveloperReports;
    using ZorbelAppBase::GetLoading;
    using ZorbelAppBase::GetMessagePump;
    using ZorbelAppBase::GetPlaybackDialogs;
    using ZorbelAppBase::GetScreenModes;
    using ZorbelAppBase::GetStepClock;
    using ZorbelAppBase::GetWebPage;
    using ZorbelAppBase::mAllowMonitorPowerOff;
    using ZorbelAppBase::mCommandLineDone;
    using ZorbelAppBase::mHeight;
    using ZorbelAppBase::mInsideMainLoop;
    using ZorbelAppBase::mNoSound;
    using ZorbelAppBase::mProductVersion;
    using ZorbelAppBase::mScreenSaverMode;
    using ZorbelAppBase::mSettingsKey;
    using ZorbelAppBase::mSingleInstance;
    using ZorbelAppBase::mUseFmodMusic;
    using ZorbelAppBase::mWidth;
    using ZorbelAppBase::mWindowTitle;
    using ZorbelAppBase::StartLoadingThread;

    std::function<void()> loadingBody;
    std::function<void()> onShutdown;
    std::function<void()> onWriteSettings;
    int loadingFinishedCount = 0;
    int beforeShutdownCount = 0;
};

// A headless desktop whose screen saver the test decides.
class TestDesktop : public Zorbel::HeadlessWindowSystem {
public:
    using HeadlessWindowSystem::HeadlessWindowSystem;
    bool QueryScreenSaver(Zorbel::ScreenSaverState& out) override {
        if (!screenSaver) return false;
        out = *screenSaver;
        return true;
    }
    std::optional<Zorbel::ScreenSaverState> screenSaver;
};

// A temporary folder that is removed again.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zorbel-app-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        path = made ? made : "";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

// A whole application on a headless desktop, a hand-driven clock, a memory display and a recording
// widget layer, with its settings in a temporary XDG_CONFIG_HOME.
class AppFixture : public ::testing::Test {
protected:
    AppFixture() : clock(1000), windows(clock), configRoot(folder.path + "/config"), store(configRoot) {
        setenv("XDG_CONFIG_HOME", configRoot.c_str(), 1);
        windows.SetMessageBoxPolicy([](const Zorbel::MessageBoxRequest& request) {
            return Zorbel::DefaultMessageBoxAnswer(request);
        });
        Zorbel::ZorbelAppBase::SetProgramCommandLine("\"/opt/zorbel/app\"");
    }
    ~AppFixture() override {
        app.reset();
        unsetenv("XDG_CONFIG_HOME");
    }

    Zorbel::AppPlatform Platform() {
        Zorbel::AppPlatform platform;
        platform.windowSystem = &windows;
        platform.clock = &clock;
        platform.settingsStore = &store;
        platform.createDisplay = [this](Zorbel::ZorbelAppBase& owner) {
            auto device = std::make_unique<FakeDisplayDevice>(owner.GetImageContext());
            device->initResults = initResults;
            display = device.get();
            return device;
        };
        platform.createWidgetLayer = [this] {
            auto layer = std::make_unique<RecordingWidgetLayer>();
            widgets = layer.get();
            return layer;
        };
        platform.exitProcess = [this](int code) { exitCode = code; };
        platform.instanceFolder = folder.path;
        // No sound device, and a volume control of our own: tests never touch the desktop's sound.
        platform.openAudio = [this] { return openAudio ? openAudio() : nullptr; };
        platform.createSystemMixer = [this] { return std::make_unique<FakeSystemMixer>(systemVolume); };
        platform.loadMusicLibrary = loadMusicLibrary;
        return platform;
    }

    TestApp& MakeApp() {
        app.reset();
        display = nullptr;
        widgets = nullptr;
        exitCode.reset();
        app = std::make_unique<TestApp>(Platform());
        return *app;
    }

    // Makes and initialises an application with the given arguments after the program path.
    TestApp& StartApp(const std::string& arguments = "") {
        Zorbel::ZorbelAppBase::SetProgramCommandLine("\"/opt/zorbel/app\"" +
                                                     (arguments.empty() ? "" : " " + arguments));
        MakeApp().Init();
        return *app;
    }

    // Runs update steps until the clock reaches the moment. Every step sleeps or draws, so a hundred
    // of them a millisecond is far more than the way there can take.
    void RunUntil(uint32_t ms) {
        const int64_t limit = (int64_t(static_cast<int32_t>(ms - clock.Milliseconds())) + 1) * 100 + 1000;
        for (int64_t call = 0;
             call < limit && static_cast<int32_t>(clock.Milliseconds() - ms) < 0 && !app->IsShuttingDown();
             ++call)
            app->UpdateApp();
        EXPECT_TRUE(static_cast<int32_t>(clock.Milliseconds() - ms) >= 0 || app->IsShuttingDown())
            << "the clock stood still at " << clock.Milliseconds() << " on the way to " << ms;
    }

    void Post(Zorbel::MessageKind kind, int32_t value = 0, int32_t x = 0, int32_t y = 0,
              uint8_t buttons = 0) {
        // Fields in declaration order: window, kind, value, x, y, buttons, repeat.
        windows.PostMessage(Zorbel::WindowMessage{app->GetMainWindow(), kind, value, x, y, buttons, false});
    }

    std::string SettingsFile() const { return configRoot + "/ZorbelTest/App/settings.ini"; }

    std::optional<int32_t> StoredInteger(const std::string& name) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (!store.Read("SOFTWARE\\ZorbelTest\\App", name, type, data) || data.size() != 4)
            return std::nullopt;
        int32_t value;
        std::memcpy(&value, data.data(), 4);
        return value;
    }
    void StoreInteger(const std::string& name, int32_t value) {
        ASSERT_TRUE(
            store.Write("SOFTWARE\\ZorbelTest\\App", name, Zorbel::SettingsStore::TYPE_DWORD, &value, 4));
    }

    TempFolder folder;
    Zorbel::ManualClock clock;
    TestDesktop windows;
    std::string configRoot;
    Zorbel::FileSettingsStore store;
    std::deque<uint32_t> initResults;
    std::unique_ptr<TestApp> app;
    FakeDisplayDevice* display = nullptr;
    RecordingWidgetLayer* widgets = nullptr;
    std::optional<int> exitCode;
    std::shared_ptr<uint32_t> systemVolume = std::make_shared<uint32_t>(0);
    // The sound device a test gives the application (none when empty).
    std::function<std::shared_ptr<Zorbel::AudioOutput>()> openAudio;
    // The music libraries the application loads (our own when empty).
    Zorbel::MusicLibraryLoader loadMusicLibrary;
};

} // namespace ZorbelTest
