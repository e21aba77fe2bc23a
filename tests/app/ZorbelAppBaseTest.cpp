#include "app/AppHarness.h"

#include "framework/app/ExitCodes.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/FModMusicInterface.h"
#include "framework/sound/MusicInterface.h"
#include "support/RecordingMusicLibrary.h"

#include <algorithm>
#include <regex>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class LifecycleTest : public AppFixture {
protected:
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const MessageBoxRequest& request : windows.MessageBoxes())
            texts.push_back(request.caption + ": " + request.text);
        return texts;
    }
};

// Runs the body with the working directory in a fresh folder.
class InFolder {
public:
    explicit InFolder(const std::string& path) : mOld(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~InFolder() { std::filesystem::current_path(mOld); }

private:
    std::filesystem::path mOld;
};

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

} // namespace

TEST_F(LifecycleTest, ConstructionSetsEveryDefault) {
    TestApp& a = MakeApp();
    EXPECT_EQ(gAppBase, &a);
    EXPECT_EQ(a.mWindowTitle, "ZorbelApp");
    EXPECT_EQ(a.GetWidth(), 640);
    EXPECT_EQ(a.GetHeight(), 480);
    EXPECT_DOUBLE_EQ(a.GetMusicVolume(), 0.85);
    EXPECT_DOUBLE_EQ(a.GetSfxVolume(), 0.85);
    EXPECT_EQ(a.GetScreenModes().GetPreferredX(), -1);
    EXPECT_TRUE(a.IsWindowed());
    EXPECT_EQ(a.GetDemo().GetFileName(), "zorbelapp.dmo");
    EXPECT_EQ(a.GetString("DIALOG_BUTTON_OK"), "OK");
    EXPECT_EQ(a.GetString("DIALOG_BUTTON_CANCEL"), "CANCEL");
    EXPECT_EQ(a.GetString("NEW_VERSION_BODY"),
              "There is an update available for this product.  Would you like "
              "to visit the web site to download it?");
    EXPECT_EQ(a.GetString("NO_SUCH_STRING"), "");
    a.SetString("DIALOG_BUTTON_OK", "Fine");
    EXPECT_EQ(a.GetString("DIALOG_BUTTON_OK"), "Fine");
    app.reset();
    EXPECT_EQ(gAppBase, nullptr);
}

TEST_F(LifecycleTest, InitMakesTheWindowsCursorsDisplayAndSound) {
    TestApp& a = StartApp();
    ASSERT_FALSE(exitCode.has_value());
    const HeadlessWindowSystem::WindowRecord* main = windows.FindWindow(a.GetMainWindow());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->desc.title, "ZorbelApp");
    EXPECT_EQ(main->client.width, 640);
    EXPECT_EQ(main->client.height, 480);
    EXPECT_EQ(widgets->screenWidth, 640);
    EXPECT_EQ(widgets->image, display->GetScreenImage());
    EXPECT_EQ(display->initCount, 1);
    EXPECT_TRUE(display->initWindowed[0]);
    ASSERT_NE(a.GetSoundManager(), nullptr);
    EXPECT_FALSE(a.GetSoundManager()->HasDevice());
    EXPECT_DOUBLE_EQ(static_cast<DSoundManager*>(a.GetSoundManager())->GetMasterLevel(), 0.85);
    ASSERT_NE(a.GetMusicPlayer(), nullptr);
    EXPECT_DOUBLE_EQ(a.GetAudio().GetMusicLevel(), 0.85);
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(LifecycleTest, TheWindowIsCentredAtTheGoldenSectionOfTheWorkArea) {
    windows.SetWorkArea({0, 0, 1024, 736});
    TestApp& a = StartApp();
    PixelRect frame = windows.FrameRect(a.GetMainWindow());
    EXPECT_EQ(frame.width, 648);
    EXPECT_EQ(frame.height, 508);
    EXPECT_EQ(frame.x, (1024 - 648) / 2);
    EXPECT_EQ(frame.y, static_cast<int>(0.382 * (736 - 508)));
}

TEST_F(LifecycleTest, APreferredPositionIsKeptFourPixelsInsideTheWorkArea) {
    windows.SetWorkArea({0, 0, 1024, 736});
    StoreInteger("PreferredX", -300);
    StoreInteger("PreferredY", 5000);
    TestApp& a = StartApp();
    PixelRect frame = windows.FrameRect(a.GetMainWindow());
    EXPECT_EQ(frame.x, 4);
    EXPECT_EQ(frame.y, 736 - 508 - 4);
}

TEST_F(LifecycleTest, AWindowThatWouldNotFitStartsInFullScreen) {
    TestApp& a = MakeApp();
    a.mWidth = 1024;
    a.mHeight = 600;
    a.Init();
    EXPECT_FALSE(a.IsWindowed());
    EXPECT_TRUE(windows.FindWindow(a.GetMainWindow())->desc.fullScreen);
    EXPECT_FALSE(display->initWindowed[0]);
}

TEST_F(LifecycleTest, CommandLineParameters) {
    // A quoted program path without its closing quote: the whole line is ignored.
    StartApp();
    ZorbelAppBase::SetProgramCommandLine("\"/opt/zorbel/app -play -nonsense");
    MakeApp().Init();
    EXPECT_FALSE(exitCode.has_value());
    EXPECT_FALSE(app->GetDemo().IsPlaying());

    StartApp("-recnum");
    EXPECT_TRUE(app->GetDemo().IsRecording());
    EXPECT_EQ(app->GetDemo().GetRecordKeep(), 5);
    StartApp("-recnum=3");
    EXPECT_EQ(app->GetDemo().GetRecordKeep(), 3);
    StartApp("-recnum=x");
    EXPECT_EQ(app->GetDemo().GetRecordKeep(), 5);

    // "-demofile" alone only names the file.
    StartApp("-demofile=\"my run.dmo\"");
    EXPECT_EQ(app->GetDemo().GetFileName(), "my run.dmo");
    EXPECT_FALSE(app->GetDemo().IsPlaying());
    EXPECT_FALSE(app->GetDemo().IsRecording());

    StartApp("-record -screensaver");
    EXPECT_TRUE(app->GetDemo().IsRecording());
    EXPECT_TRUE(app->IsScreenSaverMode());
    EXPECT_FALSE(app->mSingleInstance);
    EXPECT_EQ(app->GetCursor(), ZorbelAppBase::CURSOR_NONE);
    EXPECT_FALSE(exitCode.has_value());
}

TEST_F(LifecycleTest, PlayNumberCountsFromTheNewest) {
    auto parse = [&](const std::string& parameter) {
        MakeApp().SplitCommandLine(parameter);
        return app->GetDemo().GetPlayNumber();
    };
    EXPECT_EQ(parse("-playnum=1"), 1);
    EXPECT_TRUE(app->GetDemo().IsPlaying());
    EXPECT_EQ(parse("-playnum=3"), 3);
    EXPECT_EQ(parse("-playnum=0"), 1);
    EXPECT_EQ(parse("-playnum=-4"), 1);
    EXPECT_EQ(parse("-playnum"), 1);
    // The later of "-play" and "-record" wins.
    MakeApp().SplitCommandLine("-play -record");
    EXPECT_TRUE(app->GetDemo().IsRecording());
    EXPECT_FALSE(app->GetDemo().IsPlaying());
}

TEST_F(LifecycleTest, AnUnknownParameterIsShownAndEndsTheProgramWithCodeTwo) {
    TestApp& a = StartApp("-record -fast");
    EXPECT_EQ(exitCode, EXIT_CODE_COMMAND_LINE);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"FATAL ERROR: Invalid Command Line Param: -fast"});
    EXPECT_EQ(windows.MessageBoxes()[0].style, MessageBoxStyle::Ok | MessageBoxStyle::IconError);
    // Init stopped where the process would have ended.
    EXPECT_EQ(a.GetMainWindow(), 0u);
    EXPECT_EQ(display, nullptr);
}

TEST_F(LifecycleTest, TwoBlanksGiveAnEmptyInvalidParameter) {
    StartApp("-record  -screensaver");
    EXPECT_EQ(exitCode, EXIT_CODE_COMMAND_LINE);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"FATAL ERROR: Invalid Command Line Param: "});
}

TEST_F(LifecycleTest, PlayingAMissingDemoIsReportedAndEndsTheProgram) {
    StartApp("-play -demofile=/nonexistent/run.dmo");
    EXPECT_EQ(exitCode, 3);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"FATAL ERROR: Demo file not found: /nonexistent/run.dmo"});
    EXPECT_FALSE(app->GetDemo().IsPlaying());

    // A file that is not a demo is refused the same way, with its own message.
    std::string demo = folder.path + "/run.dmo";
    std::ofstream(demo) << "demo";
    StartApp("-play -demofile=" + demo);
    EXPECT_EQ(exitCode, 3);
    EXPECT_EQ(Boxes().back(), "FATAL ERROR: Invalid demo file.");
    EXPECT_FALSE(app->GetDemo().IsPlaying());
    EXPECT_EQ(app->GetMainWindow(), 0u);
}

TEST_F(LifecycleTest, DisplayFailuresAreReportedAndEndTheProgramWithCodeOne) {
    initResults = {DisplayResult::SurfaceFail};
    StartApp();
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"FATAL ERROR: Failed to initialize DirectDraw: RESULT_SURFACE_FAIL "
                                       "CreateSurface Windowed Primary: DDERR_GENERIC"});
}

TEST_F(LifecycleTest, AnUnusableDesktopDepthForcesFullScreen) {
    initResults = {DisplayResult::InvalidColorDepth};
    TestApp& a = StartApp();
    EXPECT_FALSE(exitCode.has_value());
    EXPECT_TRUE(a.IsForcedFullScreen());
    EXPECT_FALSE(a.IsWindowed());
    EXPECT_EQ(display->initWindowed, (std::vector<bool>{true, false}));
    // A forced mode cannot be left.
    a.SwitchScreenMode(true);
    EXPECT_FALSE(a.IsWindowed());
}

TEST_F(LifecycleTest, FullScreenRefusedFallsBackToAWindowAndBothRefusedEndsTheProgram) {
    StoreInteger("ScreenMode", 1);
    initResults = {DisplayResult::ExclusiveFail};
    TestApp& a = StartApp();
    EXPECT_FALSE(exitCode.has_value());
    EXPECT_TRUE(a.IsForcedWindowed());
    EXPECT_TRUE(a.IsWindowed());
    EXPECT_EQ(display->initWindowed, (std::vector<bool>{false, true}));

    app.reset();
    StoreInteger("ScreenMode", 1);
    initResults = {DisplayResult::DisplayChangeFail, DisplayResult::InvalidColorDepth};
    StartApp();
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(Boxes().back(), "FATAL ERROR: Please set your desktop color depth to 16 bit.");
}

TEST_F(LifecycleTest, ShutdownTwiceDoesNothingTheSecondTime) {
    TestApp& a = StartApp();
    a.Shutdown();
    EXPECT_TRUE(a.IsShuttingDown());
    EXPECT_FALSE(windows.IsVisible(a.GetMainWindow()));
    std::filesystem::remove(SettingsFile());
    a.Shutdown();
    EXPECT_EQ(a.beforeShutdownCount, 1);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
    // Start after a shutdown returns at once.
    a.Start();
    EXPECT_EQ(a.GetUpdateCount(), 0);
}

TEST_F(LifecycleTest, TheErrorLogIsTruncatedByTheFirstMessageOfARun) {
    InFolder in(folder.path);
    {
        std::ofstream old(ErrorLog::DefaultFileName);
        old << "left from an earlier run\n";
    }
    TestApp& a = MakeApp();
    clock.Set(123456);
    a.LogError("first problem");
    a.LogError("second problem");
    std::vector<std::string> lines = Lines(ErrorLog::DefaultFileName);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("first problem \\d\\d:\\d\\d:\\d\\d 123456")))
        << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("second problem \\d\\d:\\d\\d:\\d\\d 123456")));

    MakeApp().LogError("next run");
    lines = Lines(ErrorLog::DefaultFileName);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("next run ", 0), 0u);
}

TEST_F(LifecycleTest, InScreenSaverModeMessagesOnlyGoToTheErrorLog) {
    InFolder in(folder.path);
    TestApp& a = StartApp("-screensaver");
    a.Popup("cannot load");
    EXPECT_EQ(a.MessageBox("question", "caption", MessageBoxStyle::YesNo), MessageBoxAnswer::Ok);
    EXPECT_TRUE(windows.MessageBoxes().empty());
    std::vector<std::string> lines = Lines(ErrorLog::DefaultFileName);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("cannot load ", 0), 0u);
    EXPECT_EQ(lines[1].rfind("question ", 0), 0u);
}

TEST_F(LifecycleTest, ScreenSaverModeClosesOnInputAfterThreeMoves) {
    TestApp& a = StartApp("-screensaver");
    a.GetLoading().MarkDone();
    for (int i = 0; i < 4; ++i) {
        Post(MessageKind::MouseMove, 0, 100 + i, 100);
        RunUntil(clock.Milliseconds() + 20);
        EXPECT_FALSE(a.IsShuttingDown()) << i;
    }
    // The same position again does not count.
    Post(MessageKind::MouseMove, 0, 103, 100);
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_FALSE(a.IsShuttingDown());
    Post(MessageKind::MouseMove, 0, 120, 100);
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_TRUE(a.IsShuttingDown());
    EXPECT_TRUE(widgets->Inputs().empty());

    StartApp("-screensaver").GetLoading().MarkDone();
    Post(MessageKind::KeyDown, 'A');
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_TRUE(app->IsShuttingDown());
}

TEST_F(LifecycleTest, ASoundThatCannotBeDuplicatedSaysHeyAndEndsTheProgramWithCodeFive) {
    // A sound device whose mixer has no room for a single voice.
    openAudio = [] { return AudioOutput::Open(std::make_unique<HeadlessAudioSink>(), 0); };
    TestApp& a = StartApp();
    ASSERT_TRUE(a.GetSoundManager()->HasDevice());
    InFolder inFolder(folder.path);
    std::ofstream("boop.wav", std::ios::binary)
        << std::string("RIFF\x28\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0\x10\0"
                       "data\x04\0\0\0\x01\0\x02\0",
                       48);
    int32_t id = a.GetSoundManager()->LoadSoundByName("boop");
    ASSERT_EQ(id, 255);
    a.PlaySample(id, -300);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Hey: DSERR_ALLOCATED"});
    EXPECT_EQ(exitCode, 5);
}

TEST_F(LifecycleTest, TheMusicPlayerFollowsTheSoundSwitchesAndAMissingLibraryEndsTheProgramWithCodeFour) {
    auto log = std::make_shared<CallLog>();
    loadMusicLibrary = [log](const std::string&) {
        return std::make_unique<RecordingMusicLibrary>(nullptr, log, std::set<std::string>{});
    };
    TestApp& a = StartApp();
    EXPECT_NE(dynamic_cast<BassMusicInterface*>(a.GetMusicPlayer()), nullptr);
    // The stored music volume reaches the library as whole percentages.
    EXPECT_EQ(log->back(), "BASS_SetConfig(5,85)");
    a.Mute();
    EXPECT_EQ(log->back(), "BASS_SetConfig(5,0)");

    MakeApp().mUseFmodMusic = true;
    app->Init();
    EXPECT_NE(dynamic_cast<FModMusicInterface*>(app->GetMusicPlayer()), nullptr);
    MakeApp().mNoSound = true;
    app->Init();
    MusicInterface* silent = app->GetMusicPlayer();
    ASSERT_NE(silent, nullptr);
    EXPECT_EQ(typeid(*silent), typeid(MusicInterface));

    loadMusicLibrary = [](const std::string&) { return nullptr; };
    StartApp();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: Can't find bass.dll."});
    EXPECT_EQ(exitCode, 4);
}

TEST_F(LifecycleTest, MuteAndUnmuteCount) {
    TestApp& a = StartApp();
    auto& sound = static_cast<DSoundManager&>(*a.GetSoundManager());
    a.Mute();
    a.Mute(true);
    EXPECT_TRUE(a.IsMuted());
    EXPECT_DOUBLE_EQ(a.GetAudio().GetMusicLevel(), 0.0);
    EXPECT_DOUBLE_EQ(sound.GetMasterLevel(), 0.0);
    a.Unmute(true);
    EXPECT_TRUE(a.IsMuted());
    a.SetMusicVolume(0.5);
    EXPECT_DOUBLE_EQ(a.GetAudio().GetMusicLevel(), 0.0);
    a.Unmute();
    EXPECT_FALSE(a.IsMuted());
    EXPECT_DOUBLE_EQ(a.GetAudio().GetMusicLevel(), 0.5);
    EXPECT_DOUBLE_EQ(sound.GetMasterLevel(), 0.85);
    // Unmuting more often than muting changes nothing.
    a.Unmute();
    a.Unmute(true);
    EXPECT_EQ(a.GetAudio().GetMuteCount(), 0);
    EXPECT_EQ(a.GetAudio().GetAutoMuteCount(), 0);
    a.Mute();
    EXPECT_TRUE(a.IsMuted());
    a.SetMasterVolume(0.3);
    EXPECT_DOUBLE_EQ(a.GetSfxVolume(), 0.3);
    // The desktop's volume control keeps whole steps of 1/65535.
    EXPECT_EQ(*systemVolume, 19660u);
    EXPECT_NEAR(a.GetMasterVolume(), 0.3, 1.0 / 65535);
}

TEST_F(LifecycleTest, SharedImagesAreCountedAndFreedByTheUpdateStepOnceUnreferenced) {
    TestApp& a = StartApp();
    bool isNew = false;
    SharedImageRef first = a.GetSharedImage("!board", "cels", &isNew);
    EXPECT_TRUE(isNew);
    ASSERT_NE(first->image, nullptr);
    SharedImageRef second = a.GetSharedImage("!BOARD", "Cels", &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(first, second);
    size_t liveImages = a.GetImageContext().LiveImageCount();

    first.reset();
    a.UpdateFrames();
    EXPECT_EQ(a.GetImageContext().LiveImageCount(), liveImages);
    second.reset();
    a.UpdateFrames();
    EXPECT_EQ(a.GetImageContext().LiveImageCount(), liveImages - 1);
    SharedImageRef again = a.GetSharedImage("!board", "cels", &isNew);
    EXPECT_TRUE(isNew);

    // A picture that cannot be loaded gives an entry without an image.
    SharedImageRef missing = a.GetSharedImage("no/such/picture.png", "", &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(missing->image, nullptr);
    EXPECT_EQ(a.GetImage("no/such/picture.png"), nullptr);
}

TEST_F(LifecycleTest, PicturesForTheDisplayComeInReducedToWhatCoversIt) {
    TestApp& a = StartApp();
    auto picture = ImageLib::Image::Create(2000, 1500);
    ASSERT_NE(picture, nullptr);
    std::fill_n(picture->GetBits(), picture->GetPixelCount(), 0xFF2080C0u);
    const std::string path = folder.path + "/Large.PNG";
    ASSERT_TRUE(ImageLib::WritePng(path, *picture));

    std::unique_ptr<MemoryImage> full = a.GetImage(path);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->GetWidth(), 2000);
    std::unique_ptr<MemoryImage> shown = a.GetImageForDisplay(path, 800, 600);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->GetWidth(), 1000);
    EXPECT_EQ(shown->GetHeight(), 750);
    EXPECT_EQ(shown->GetPixels()[750 * 1000 / 2], 0xFF2080C0u);
    EXPECT_EQ(a.GetImageForDisplay(folder.path + "/none.png", 800, 600), nullptr);
}

TEST_F(LifecycleTest, OpeningAWebPageSucceedsWhenTheWindowLosesTheActivation) {
    TestApp& a = StartApp();
    a.GetLoading().MarkDone();
    int opened = 0;
    windows.SetUrlHandler([&](const std::string&) { return ++opened, true; });
    EXPECT_TRUE(a.OpenURL("https://example.invalid/", true));
    EXPECT_TRUE(a.OpenURL("https://example.invalid/", true));
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(a.GetWebPage().IsPending());
    Post(MessageKind::Activate, 0);
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_FALSE(a.GetWebPage().IsPending());
    // Asked to quit once the page is open.
    EXPECT_TRUE(a.IsShuttingDown());
}

TEST_F(LifecycleTest, OpeningAWebPageFailsAfterTwelveActiveSeconds) {
    TestApp& a = StartApp();
    a.GetLoading().MarkDone();
    a.mInsideMainLoop = true;
    windows.SetUrlHandler([](const std::string&) { return true; });
    EXPECT_TRUE(a.OpenURL("https://example.invalid/", true));
    RunUntil(clock.Milliseconds() + 11900);
    EXPECT_TRUE(a.GetWebPage().IsPending());
    RunUntil(clock.Milliseconds() + 200);
    EXPECT_FALSE(a.GetWebPage().IsPending());
    EXPECT_FALSE(a.IsShuttingDown());

    // A browser that cannot be started fails at once.
    windows.SetUrlHandler([](const std::string&) { return false; });
    EXPECT_FALSE(a.OpenURL("https://example.invalid/other", false));
    EXPECT_FALSE(a.GetWebPage().IsPending());
}

TEST_F(LifecycleTest, InformationTextAndClipboard) {
    TestApp& a = StartApp();
    clock.Advance(3723 * 1000);
    std::string text = a.GetInfoText();
    EXPECT_TRUE(
        std::regex_search(text, std::regex("^Product: ZorbelTest\r\nVersion: [^\r]*\r\nTime Loaded: "
                                           "01:02:03\r\nFullscreen: No\r\nPrimary ThreadId: [0-9a-f]+\r\n")))
        << text;
    EXPECT_NE(text.find("Display: fake"), std::string::npos);
    EXPECT_TRUE(a.CopyToClipboard("Tesserine \xE9"));
    EXPECT_EQ(windows.ClipboardText(), "Tesserine \xE9");
}
