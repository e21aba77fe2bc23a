#include "framework/app/ZorbelAppBase.h"

#include "framework/app/AppSettings.h"
#include "framework/app/AudioControl.h"
#include "framework/app/Buffer.h"
#include "framework/app/CommandLine.h"
#include "framework/app/CrashHooks.h"
#include "framework/app/CursorController.h"
#include "framework/app/DDDisplayDevice.h"
#include "framework/app/DebugKeys.h"
#include "framework/app/DemoSession.h"
#include "framework/app/DesktopScreenSaver.h"
#include "framework/app/DeveloperReports.h"
#include "framework/app/DisplayDevice.h"
#include "framework/app/ExitCodes.h"
#include "framework/app/FrameDump.h"
#include "framework/app/MTRand.h"
#include "framework/app/PlatformServices.h"
#include "framework/app/PlaybackDialogs.h"
#include "framework/app/ProgramInstance.h"
#include "framework/app/ReportText.h"
#include "framework/app/WebPageOpener.h"
#include "framework/app/WidgetManagerLayer.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/FontEngine.h"
#include "framework/platform/audio/AlsaSystemMixer.h"
#include "framework/platform/files/Path.h"
#include "framework/platform/files/ProductVersion.h"
#include "framework/platform/files/ProgramFolders.h"
#include "framework/platform/font/TtfFontEngine.h"
#include "framework/platform/process/SingleInstance.h"
#include "framework/resource/ResourceManager.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"
#include "framework/widget/Dialog.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sys/syscall.h>
#include <unistd.h>

namespace Zorbel {

ZorbelAppBase* gAppBase = nullptr;

namespace {

constexpr const char* RuntimeDownloadAddress = "https://www.libsdl.org/";

} // namespace

void ZorbelAppBase::SetProgramInstance(int argc, const char* const* argv) {
    ProgramInstance::Set(argc, argv);
}

void ZorbelAppBase::SetProgramCommandLine(const std::string& commandLine) {
    ProgramInstance::SetCommandLine(commandLine);
}

// --- Construction and destruction ---

ZorbelAppBase::ZorbelAppBase(AppPlatform platform) : mPlatform(std::move(platform)) {
    gAppBase = this;

    mServices = std::make_unique<PlatformServices>(mPlatform);
    mClock = &mServices->GetClock();
    mWindowSystem = &mServices->GetWindowSystem();
    mSettingsStore = &mServices->GetSettingsStore();
    mStartTick = mClock->Milliseconds();

    mProductVersion = GetProductVersion(ProgramInstance::ProgramPath());

    static const std::pair<const char*, const char*> strings[] = {
        {"DIALOG_BUTTON_OK", "OK"},
        {"DIALOG_BUTTON_CANCEL", "CANCEL"},
        {"UPDATE_CHECK_TITLE", "Update Check"},
        {"UPDATE_CHECK_BODY", "Checking if there are any updates available for this product ..."},
        {"UP_TO_DATE_TITLE", "Up to Date"},
        {"UP_TO_DATE_BODY", "There are no updates available for this product at this time."},
        {"NEW_VERSION_TITLE", "New Version"},
        {"NEW_VERSION_BODY", "There is an update available for this product.  Would you like to visit the "
                             "web site to download it?"},
    };
    for (const auto& [id, text] : strings)
        mStringTable.emplace(id, text);

    mDemo = std::make_unique<DemoSession>();
    mReports = std::make_unique<DeveloperReports>(static_cast<DeveloperReports::Host&>(*this), mImageContext,
                                                  *mClock);
    mCrashHooks = std::make_unique<CrashHooks>(*this);
    mAudio = std::make_unique<AudioControl>();
    // A settings file that cannot be written is told once, in the error log and on standard error.
    mSettings = std::make_unique<AppSettings>(*mSettingsStore, *mDemo, [this](const std::string& problem) {
        LogError(problem);
        std::fprintf(stderr, "%s\n", problem.c_str());
    });
    mWebPage = std::make_unique<WebPageOpener>();
    mDesktopSaver = std::make_unique<DesktopScreenSaver>();
    mCursor = std::make_unique<CursorController>(*mWindowSystem);
    mSharedImages = std::make_unique<SharedImageCache>();
    mLoading = std::make_unique<LoadingThread>();

    mWidgetManager = mPlatform.createWidgetLayer ? mPlatform.createWidgetLayer()
                                                 : std::make_unique<WidgetManagerLayer>(this);
    mResourceManager = std::make_unique<ResourceManager>(this);

    // The collaborators call back through the application's own operations.
    DialogRegistry::Hooks& dialogHooks = *this;
    ScreenModes::Host& screenHost = *this;
    StepClock::Host& clockHost = *this;
    MessagePump::Host& pumpHost = *this;
    mDialogs = std::make_unique<DialogRegistry>(*mWidgetManager, dialogHooks);
    mScreenModes = std::make_unique<ScreenModes>(screenHost, *mWindowSystem, *mWidgetManager);
    mStepClock = std::make_unique<StepClock>(clockHost, *mClock, *mWidgetManager);
    mDebugKeys = std::make_unique<DebugKeys>(static_cast<DebugKeys::Host&>(*this), *mStepClock, *mReports);
    mPump = std::make_unique<MessagePump>(MessagePump::Parts{
        pumpHost, *mWindowSystem, *mWidgetManager, *mClock, *mDemo, *mDebugKeys, *mCursor, *mWebPage});
    mDemo->SetStepCounter([this] { return mStepClock ? mStepClock->GetUpdateCount() : 0; });
    mDemo->SetControlHost(this);
    mPlaybackDialogs = std::make_unique<PlaybackDialogs>(
        PlaybackDialogs::Parts{*this, *mWidgetManager, *mDemo, *mSettings, *mCursor, *mStepClock});
    mFrameDump = FrameDump::FromEnvironment();
}

ZorbelAppBase::~ZorbelAppBase() {
    Shutdown();
    // The recording ends with the run: every event, the settings written at shutdown included.
    if (!mHardExited) mDemo->Save(mRunSeed, mProductVersion);
    mDemo->Stop();
    // Hardware acceleration switched on during the run is confirmed before it is kept.
    if (!mHardExited) mScreenModes->ConfirmHardwareAcceleration(mTitlePrefix, mScreenSaverMode);

    mDialogs.reset();
    mPlaybackDialogs.reset();
    // The overlays' pictures live on the display and their font on the font engine.
    mReports->ReleaseOverlays();
    if (mInvisibleWindow) mWindowSystem->DestroyWindow(mInvisibleWindow);
    mInvisibleWindow = 0;
    mWidgetManager->SetImage(nullptr);
    ProcessSafeDeleteList();
    mPump.reset();
    mStepClock.reset();
    mWidgetManager.reset();
    mFontEngine.reset();
    mResourceManager.reset();
    mSharedImages->Clear(DisplayLock());
    mScreenModes->ReleaseDisplay();
    mAudio->ReleasePlayers();
    mScreenModes->DestroyMainWindow();

    // The loading thread may still be inside the game's loading hook; it must finish before the object
    // it works on goes away.
    mLoading->Join();
    mCursor.reset();
    if (gAppBase == this) gAppBase = nullptr;
    mInstance.reset();
}

// --- Start-up ---

void ZorbelAppBase::Init() {
    mMainThreadId = std::this_thread::get_id();
    mMainThreadTid = static_cast<uint32_t>(syscall(SYS_gettid));
    if (mShuttingDown) return;

    if (mServices->IsWindowSystemMissing()) {
        MessageBoxRequest request;
        request.text = std::string("This application requires DirectX to run.  You can get DirectX at ") +
                       RuntimeDownloadAddress;
        request.caption = "You need DirectX";
        request.style = MessageBoxStyle::IconError;
        DebugOutput(request.text + " (" + mServices->GetWindowSystemError() + ")\r\n");
        mWindowSystem->ShowMessageBox(0, request);
        HardExit(EXIT_CODE_DISPLAY);
        return;
    }

    if (!mCommandLineDone) ParseCommandLine();
    if (Exited()) return;

    if (mScreenSaverMode) mSingleInstance = false;

    if (mSingleInstance) {
        mInstance = std::make_unique<SingleInstance>(mProductName, mPlatform.instanceFolder.empty()
                                                                       ? SingleInstance::DefaultFolder()
                                                                       : mPlatform.instanceFolder);
        if (!mInstance->Acquire()) {
            mInstance.reset();
            HardExit(EXIT_CODE_OK);
            return;
        }
        mNotifyMessage = 1;
    }

    ProgramFolders folders = ProgramFolders::Locate(ProgramInstance::ProgramPath(), mSettingsKey);
    if (!folders.Working().empty() && !ChangeDirectoryHook(folders.Working())) {
        if (!folders.EnterWorkingFolder()) DebugOutput("Cannot change to " + folders.Working() + "\r\n");
    }
    UseDataFolder(folders.Data());

    mRunSeed = mClock->Milliseconds();
    SharedRandom().SRand(mRunSeed);

    if (mDemo->IsPlaying() || mDemo->IsRecording()) {
        std::string message;
        if (!mDemo->Begin(mProductVersion, message)) {
            Popup(message);
            HardExit(EXIT_CODE_DEMO);
            return;
        }
        if (mDemo->IsPlaying()) {
            // The recorded run's seed: the puzzle shuffles as it did then.
            mRunSeed = mDemo->GetSeed();
            SharedRandom().SRand(mRunSeed);
        }
    }

    BeforeSettingsReadHook();
    std::srand(mClock->Milliseconds());
    ReadSettings();

    WindowDesc invisible;
    invisible.title = mWindowTitle;
    invisible.logical = true;
    invisible.clientWidth = 0;
    invisible.clientHeight = 0;
    mInvisibleWindow = mWindowSystem->CreateWindow(invisible);

    mCursor->CreateBuiltinCursors();

    BeforeScreenSizeHook();
    mWidgetManager->SetScreenSize(mWidth, mHeight);

    if (mScreenModes->IsWindowed() && !mScreenModes->GetChangeDesktopMode()) {
        PixelRect area = mWindowSystem->WorkArea();
        if (mWidth >= area.width || mHeight >= area.height) mScreenModes->SetWindowed(false);
    }

    // The desktop's resolution is never changed here: full screen scales the frame instead.
    if (mScreenModes->GetChangeDesktopMode()) {
        mScreenModes->SetChangeDesktopMode(false);
        mScreenModes->SetWindowed(false);
    }

    MakeWindow();
    if (Exited()) return;
    bool recordedWindowed = true;
    int32_t recordedRefreshRate = 0;
    if (mDemo->IsPlaying() && mDemo->ReplayDisplayMode(recordedWindowed, recordedRefreshRate)) {
        mScreenModes->SetWindowed(recordedWindowed);
        mStepClock->SetRefreshRate(recordedRefreshRate);
    }

    if (!GetSoundManager())
        mAudio->SetSoundManager(AudioControl::MakeSoundManager(MakeSoundServices(), mUseFmodMusic));
    SetSfxVolume(mAudio->GetSfxVolume());
    mAudio->SetMusicPlayer(CreateMusicInterface());
    SetMusicVolume(mAudio->GetMusicVolume());

    if (mScreenSaverMode) {
        mCursor->SetCursorId(CURSOR_NONE);
        EnforceCursor();
    }

    mCrashHooks->Install();
    AfterInitHook();
    mInitialised = true;
}

std::unique_ptr<MusicInterface> ZorbelAppBase::CreateMusicInterface() {
    MusicServices services;
    if (SoundManager* sound = GetSoundManager()) services.output = sound->GetOutput();
    services.loadLibrary = mPlatform.loadMusicLibrary;
    services.libraryMissing = [this](const std::string& text) {
        MessageBoxRequest request{text, "Error", MessageBoxStyle::Ok | MessageBoxStyle::IconError};
        mWindowSystem->ShowMessageBox(0, request);
        HardExit(EXIT_CODE_AUDIO_BACKEND);
    };
    return AudioControl::MakeMusicPlayer(mInvisibleWindow, mNoSound, mUseFmodMusic, services);
}

// --- Command line ---

void ZorbelAppBase::ParseCommandLine() {
    bool hasArguments = false;
    std::string arguments = CommandLineArguments(ProgramInstance::CommandLine(), hasArguments);
    mCommandLineDone = true;
    if (hasArguments) SplitCommandLine(arguments);
}

void ZorbelAppBase::SplitCommandLine(const std::string& arguments) {
    Zorbel::SplitCommandLine(arguments, [this](const std::string& name, const std::string& value) {
        if (!Exited()) HandleCommandLineParam(name, value);
    });
}

void ZorbelAppBase::HandleCommandLineParam(const std::string& name, const std::string& value) {
    if (mDemo->HandleCommandLineParam(name, value)) return;
    if (name == "-crash") {
        mCrashHooks->RequestCrash();
    } else if (name == "-screensaver") {
        mScreenSaverMode = true;
    } else {
        Popup("Invalid Command Line Param: " + name);
        HardExit(EXIT_CODE_COMMAND_LINE);
    }
}

// --- The main loop ---

void ZorbelAppBase::Start() {
    if (mShuttingDown) return;
    if (!mCursor->IsThreadRunning())
        mCursor->StartThread(mShuttingDown, mInitialised ? GetDisplay() : nullptr, *mClock,
                             mStepClock->NextDrawMs());
    if (mAutoLoading && !mLoading->IsStarted()) StartLoadingThread();

    if (WindowId main = GetMainWindow()) {
        mWindowSystem->ShowWindow(main, ShowCommand::Show);
        mWindowSystem->RaiseWindow(main);
    }
    uint32_t now = Now();
    mStepClock->StartRun(now);
    mPump->SetLastInputMs(now);
    mDesktopSaver->Restart(now);
    mInsideMainLoop = true;
    uint32_t loopStart = now;

    RunMainLoop();

    ProcessSafeDeleteList();
    mInsideMainLoop = false;
    mLoading->Join();

    if (mHardExited) return;
    DebugOutput(mStepClock->Statistics((Now() - loopStart) / 1000.0));
    AfterMainLoopHook();
    WriteSettings();
}

void ZorbelAppBase::StartLoadingThread() {
    mLoading->Start([this] {
        LoadingThreadBody();
        char line[64];
        std::snprintf(line, sizeof line, "Resource Loading Time: %d\r\n",
                      static_cast<int>(mClock->Milliseconds() - mStartTick));
        DebugOutput(line);
    });
}

void ZorbelAppBase::RunMainLoop() {
    while (!mShuttingDown) {
        mShutdownStarted = false;
        UpdateApp();
    }
}

bool ZorbelAppBase::UpdateApp() {
    for (;;) {
        bool updated = false;
        if (!UpdateAppStep(updated)) return false;
        if (updated) return true;
    }
}

bool ZorbelAppBase::RunUpdateStep() {
    // Nothing moves on once the program is shutting down, whatever step of the loop it was in.
    if (mShuttingDown || mDesktopSaver->IsRunning()) return false;
    // A replayed step waits until the input recorded for it has been carried out.
    if (!mDemo->UpdateMayRun()) return false;
    if (!HandleLoadingCompletion()) return false;
    UpdateFrames();
    return true;
}

bool ZorbelAppBase::HandleLoadingCompletion() {
    if (mLoading->IsHandled()) return true;
    if (mDemo->IsPlaying() && !mDemo->IsStreamOver()) {
        // The completion comes exactly at the step it came in the recording, waiting for the thread
        // when the replay is quicker.
        if (!mDemo->IsLoadingRecorded()) return true;
        if (!mLoading->IsDone()) return false;
    }
    if (mLoading->TakeCompletion()) {
        // Written first, so that whatever the game reads while it sets up follows it in the demo.
        mDemo->LoadingHandled();
        LoadingFinished();
    }
    return true;
}

void ZorbelAppBase::UpdateFrames() {
    mStepClock->CountUpdate();
    if (!mPump->IsMinimised() && mWidgetManager->UpdateStep()) mStepClock->CountDirty();
    mAudio->UpdateMusic();
    mSharedImages->FreeUnreferenced(DisplayLock());
    mStepClock->CheckSmoothPacing();
    if (mFrameDump && mFrameDump->Wants(GetUpdateCount())) {
        DisplayDevice* display = GetDisplay();
        MemoryImage* screen = display ? display->GetScreenImage() : nullptr;
        if (screen) {
            // The frame of this step, drawn now rather than after the burst it belongs to.
            mWidgetManager->DrawDirtyWidgets();
            if (!mFrameDump->Write(GetUpdateCount(), *screen))
                DebugOutput("Cannot write the frame of update " + std::to_string(GetUpdateCount()) + "\r\n");
        }
    }
}

void ZorbelAppBase::RunUpdateFraction(double fraction) {
    if (mStepClock->SmoothUpdatesInEffect() && !mPump->IsMinimised())
        mWidgetManager->UpdateStepFraction(fraction);
}

bool ZorbelAppBase::DrawDirty() {
    if (mScreenModes->IsDisplayLost()) {
        PresentScreen(nullptr);
        mStepClock->SkipDraw();
        return false;
    }
    if (mReports->IsShowingFps()) {
        mReports->UpdateOverlays();
        // The overlays are drawn into the finished frame, so the next frame starts from a clean one.
        mWidgetManager->MarkAllDirty();
    }
    if (DisplayDevice* display = GetDisplay()) {
        // A draw the GPU refused left a hole in the frame that only drawing it all again fills, as
        // nothing else may touch that place for a long time.
        const int32_t errors = display->HardwareErrorCount();
        if (errors != mHardwareErrorsSeen) mWidgetManager->MarkAllDirty();
        mHardwareErrorsSeen = errors;
    }
    uint32_t now = Now();
    if (mDesktopSaver->CheckDue(now)) {
        if (mDesktopSaver->Check(*mWindowSystem, now, mPump->GetLastInputMs(), IsPhysicallyWindowed(),
                                 mScreenSaverMode))
            mWidgetManager->MarkAllDirty();
        AllowScreenBlanking();
    }
    if (mDesktopSaver->IsRunning()) {
        mStepClock->SkipDraw();
        return false;
    }
    return mStepClock->DrawFrame();
}

// The desktop may start its screen saver once loading is over and only in a window, and power the
// monitor off once loading is over when the game allows it.
void ZorbelAppBase::AllowScreenBlanking() {
    mDesktopSaver->AllowBlanking(*mWindowSystem, mLoading->IsHandled() && IsPhysicallyWindowed(),
                                 mLoading->IsHandled() && mAllowMonitorPowerOff);
}

void ZorbelAppBase::PresentScreen(const Rect* clip) {
    if (mStepClock->IsDrawing() || mShuttingDown || mDesktopSaver->IsRunning()) return;
    mScreenModes->Present(clip, mPump->IsActive(), mPump->IsMinimised(), Now());
}

// --- Window messages ---

bool ZorbelAppBase::IsAltKeyUsed(int32_t c) {
    return std::tolower(static_cast<unsigned char>(c)) == 'r';
}

// --- Window, display and screen modes ---

void ZorbelAppBase::Toggle3DMode() {
    DisplayDevice* display = GetDisplay();
    SwitchScreenMode(IsWindowed(), !(display && display->Is3D()), false);
    display = GetDisplay();
    MessageBox(std::string("3D-Mode: ") + (display && display->Is3D() ? "ON" : "OFF"), "Mode Switch", 0);
}

void ZorbelAppBase::SwitchScreenMode(bool wantWindowed, bool want3D, bool force) {
    mScreenModes->SwitchScreenMode(wantWindowed, want3D, force);
}

void ZorbelAppBase::SwitchScreenMode(bool wantWindowed) {
    DisplayDevice* display = GetDisplay();
    SwitchScreenMode(wantWindowed, display && display->Is3D(), false);
}

void ZorbelAppBase::SwitchScreenMode() {
    DisplayDevice* display = GetDisplay();
    SwitchScreenMode(IsWindowed(), display && display->Is3D(), true);
}

void ZorbelAppBase::BeginSystemDialog() {
    DisplayDevice* display = GetDisplay();
    if (!IsPhysicallyWindowed() && display && display->GetScreenImage()) {
        display->ReleaseScreenForSystem();
        mSystemDialogActive = true;
    }
}

void ZorbelAppBase::EndSystemDialog() {
    if (!IsPhysicallyWindowed()) mSystemDialogActive = false;
    ResetStepTiming();
    mWidgetManager->ClearKeyStates();
    mPump->ReleaseModifierKeys();
}

void ZorbelAppBase::HideApplication() {
    mAudio->SilenceMusic();
    if (WindowId main = GetMainWindow()) mWindowSystem->ShowWindow(main, ShowCommand::Hide);
    mHidden = true;
    EnforceCursor();
}

// --- Images ---

void ZorbelAppBase::RestoreAllImages() {
    for (MemoryImage* image : mImageContext.LiveImages())
        image->RestoreAfterReset();
}

void ZorbelAppBase::FreeAllNativeCaches() {
    for (MemoryImage* image : mImageContext.LiveImages())
        image->FreeNativeCaches();
}

void ZorbelAppBase::FreeAllTextures() {
    std::recursive_mutex fallbackLock;
    std::recursive_mutex* lock = DisplayLock();
    std::lock_guard<std::recursive_mutex> guard(lock ? *lock : fallbackLock);
    for (MemoryImage* image : mImageContext.LiveImages())
        image->FreeTexture();
}

std::unique_ptr<MemoryImage> ZorbelAppBase::GetImage(const std::string& path, bool commit) {
    return MakeImage(ImageLib::LoadImageFile(path, true), commit);
}

std::unique_ptr<MemoryImage> ZorbelAppBase::GetImageForDisplay(const std::string& path, int32_t width,
                                                               int32_t height) {
    return MakeImage(ImageLib::LoadImageFileForDisplay(path, true, width, height), true);
}

std::unique_ptr<MemoryImage> ZorbelAppBase::MakeImage(std::unique_ptr<ImageLib::Image> picture, bool commit) {
    if (!picture) return nullptr;
    DisplayDevice* display = GetDisplay();
    std::unique_ptr<MemoryImage> image =
        display ? display->CreateImage() : std::make_unique<MemoryImage>(mImageContext);
    // The decoded pixels move over as they are: a second full-size copy would double the peak.
    const int32_t width = picture->GetWidth(), height = picture->GetHeight();
    image->AdoptPixels(picture->ReleaseBits(), width, height, commit);
    return image;
}

SharedImageRef ZorbelAppBase::GetSharedImage(const std::string& path, const std::string& variant,
                                             bool* isNew) {
    SharedImageCache::Makers makers;
    makers.empty = [this] {
        DisplayDevice* display = GetDisplay();
        return display ? display->CreateImage() : std::make_unique<MemoryImage>(mImageContext);
    };
    makers.load = [this](const std::string& file) { return GetImage(file, false); };
    return mSharedImages->Get(path, variant, isNew, DisplayLock(), makers);
}

std::shared_ptr<MemoryImage> ZorbelAppBase::LoadFontPicture(const std::string& path, bool& isNew) {
    SharedImageRef shared = GetSharedImage(path, "", &isNew);
    if (!shared || !shared->image) return nullptr;
    // The font holds the shared entry itself, so the picture stays while the font uses it.
    return std::shared_ptr<MemoryImage>(shared, shared->image.get());
}

void ZorbelAppBase::ShowFontError(const std::string& text) {
    Popup(text);
}

// --- Messages, strings and the web ---

std::string ZorbelAppBase::GetString(const std::string& id) const {
    auto found = mStringTable.find(id);
    return found == mStringTable.end() ? std::string() : found->second;
}

void ZorbelAppBase::SetString(const std::string& id, const std::string& text) {
    mStringTable[id] = text;
}

bool ZorbelAppBase::CopyToClipboard(const std::string& text) {
    if (mDemo->IsPlaying() && !mDemo->IsHeld()) return false;
    return mWindowSystem->SetClipboardText(text);
}

std::string ZorbelAppBase::GetClipboardText() {
    if (mDemo->IsHeld()) return mWindowSystem->ClipboardText();
    std::string text = mDemo->IsPlaying() ? std::string() : mWindowSystem->ClipboardText();
    mDemo->SyncText(text);
    return text;
}

bool ZorbelAppBase::OpenURL(const std::string& url, bool quitAfter) {
    if (mWebPage->IsPending(url)) return true;
    mWebPage->Begin(url, quitAfter, Now());
    if (mWindowSystem->OpenUrl(url)) return true;
    UrlOpenFailed(url);
    return false;
}

void ZorbelAppBase::UrlOpenSucceeded(const std::string&) {
    mWebPage->Finish();
    if (mWebPage->QuitsAfter()) Shutdown();
}

std::string ZorbelAppBase::GetProductVersion(const std::string& path) {
    return ReadProductVersion(path);
}

std::string ZorbelAppBase::GetInfoText() {
    const std::string loaded = ClockText(Now() - mStartTick);
    char thread[32];
    std::snprintf(thread, sizeof thread, "%x", static_cast<unsigned>(mMainThreadTid));
    std::string text = "Product: " + mProductName + "\r\nVersion: " + mProductVersion +
                       "\r\nTime Loaded: " + loaded +
                       "\r\nFullscreen: " + (IsPhysicallyWindowed() ? "No" : "Yes") +
                       "\r\nPrimary ThreadId: " + thread + "\r\n";
    if (DisplayDevice* display = GetDisplay()) text += display->GetInfoText();
    return text;
}

int ZorbelAppBase::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
    if (mScreenSaverMode) {
        LogError(text);
        return MessageBoxAnswer::Ok;
    }
    BeginSystemDialog();
    MessageBoxRequest request{text, caption, flags};
    int answer = mWindowSystem->ShowMessageBox(GetMainWindow(), request);
    EndSystemDialog();
    return answer;
}

void ZorbelAppBase::Popup(const std::string& text) {
    if (mScreenSaverMode) {
        LogError(text);
        return;
    }
    BeginSystemDialog();
    if (!mShuttingDown) {
        MessageBoxRequest request{text, "FATAL ERROR", MessageBoxStyle::Ok | MessageBoxStyle::IconError};
        mWindowSystem->ShowMessageBox(GetMainWindow(), request);
    }
    EndSystemDialog();
}

FontEngine* ZorbelAppBase::GetFontEngine() {
    if (!mFontEngine) mFontEngine = std::make_unique<TtfFontEngine>();
    return mFontEngine.get();
}

WidgetManager* ZorbelAppBase::GetWidgetManager() {
    return mWidgetManager ? mWidgetManager->GetManager() : nullptr;
}

// --- Sound ---

// --- Settings ---

void ZorbelAppBase::ReadSettings() {
    mSettingsRead = true;
    auto overrideKey = mStringTable.find("RegistryKey");
    if (overrideKey != mStringTable.end()) mSettingsKey = overrideKey->second;
    if (mSettingsKey.empty()) return;

    StoredSettings stored = mSettings->ReadStandard(mSettingsKey);
    // Values are held to what WriteSettings writes, whatever the file was made to say.
    if (stored.musicVolume) mAudio->RestoreMusicVolume(std::clamp(*stored.musicVolume, 0, 100) * 0.01);
    if (stored.sfxVolume) mAudio->RestoreSfxVolume(std::clamp(*stored.sfxVolume, 0, 100) * 0.01);
    if (stored.muted) mAudio->RestoreMuteCount(*stored.muted > 0 ? 1 : 0);
    if (stored.screenMode) mScreenModes->SetWindowed(*stored.screenMode == 0);
    if (stored.preferredX)
        mScreenModes->SetPreferredPosition(*stored.preferredX, mScreenModes->GetPreferredY());
    if (stored.preferredY)
        mScreenModes->SetPreferredPosition(mScreenModes->GetPreferredX(), *stored.preferredY);
    if (stored.customCursors) {
        mCursor->SetCustomCursors(*stored.customCursors != 0);
        EnforceCursor();
    }
    if (stored.waitForVSync) mStepClock->SetWaitForVSync(*stored.waitForVSync != 0);
    if (stored.inProgress) mLastRunClean = *stored.inProgress == 0;

    // Marks the run as under way: a start that still finds it knows the last run did not end cleanly.
    if (!mScreenSaverMode) RegistryWriteInteger("InProgress", 1);
}

void ZorbelAppBase::WriteSettings() {
    StandardSettings values;
    values.musicVolume = AppSettings::VolumeToPercent(mAudio->GetMusicVolume());
    values.sfxVolume = AppSettings::VolumeToPercent(mAudio->GetSfxVolume());
    // Only the player's own mutes are kept: focus loss mutes again by itself.
    values.muted = mAudio->IsMutedByPlayer() ? 1 : 0;
    values.screenMode = IsWindowed() ? 0 : 1;
    values.preferredX = mScreenModes->GetPreferredX();
    values.preferredY = mScreenModes->GetPreferredY();
    values.customCursors = mCursor->GetCustomCursors() ? 1 : 0;
    values.inProgress = 0;
    values.waitForVSync = GetWaitForVSync() ? 1 : 0;
    mSettings->WriteStandard(mSettingsKey, values);
}

// --- Dialogs ---

Dialog* ZorbelAppBase::NewDialog(int32_t id, bool modal, const std::string& header, const std::string& lines,
                                 const std::string& footer, int32_t buttonMode) {
    return new Dialog(this, nullptr, nullptr, id, modal, header, lines, footer, buttonMode);
}

void ZorbelAppBase::AddDialog(Dialog* dialog) {
    AddDialog(dialog->GetId(), dialog);
}

void ZorbelAppBase::KillDialog(Dialog* dialog) {
    KillDialog(dialog->GetId());
}

Dialog* ZorbelAppBase::DoDialog(int32_t id, bool modal, const std::string& header, const std::string& lines,
                                const std::string& footer, int32_t buttonMode) {
    KillDialog(id);
    Dialog* dialog = NewDialog(id, modal, header, lines, footer, buttonMode);
    AddDialog(id, dialog);
    return dialog;
}

void ZorbelAppBase::DialogButtonPressed(int32_t dialogId, int32_t buttonId) {
    if (buttonId == 1000)
        ButtonPressed(dialogId + 2000);
    else if (buttonId == 1001)
        ButtonPressed(dialogId + 3000);
}

void ZorbelAppBase::DialogButtonReleased(int32_t dialogId, int32_t buttonId) {
    if (buttonId == 1000)
        ButtonReleased(dialogId + 2000);
    else if (buttonId == 1001)
        ButtonReleased(dialogId + 3000);
}

// --- Cursors ---

void ZorbelAppBase::SetCursor(int32_t id) {
    mCursor->SetCursorId(id);
    EnforceCursor();
}

void ZorbelAppBase::SetCursorImage(int32_t id, MemoryImage* image) {
    mCursor->SetCursorImage(id, image);
    EnforceCursor();
}

void ZorbelAppBase::SetOverrideCursor(CursorHandle cursor) {
    mCursor->SetOverrideCursor(cursor);
    EnforceCursor();
}

void ZorbelAppBase::EnforceCursor() {
    // The player's own pointer works a dialog that holds the replay.
    mCursor->Enforce(GetDisplay(), mHidden || !mPump->IsMouseInWindow(),
                     mDemo->IsPlaying() && !mDemo->IsHeld());
}

// --- What the collaborators ask of the application ---

PumpState ZorbelAppBase::GetPumpState() {
    PumpState state;
    state.mainWindow = GetMainWindow();
    state.invisibleWindow = mInvisibleWindow;
    state.initialised = mInitialised;
    state.hidden = mHidden;
    state.insideMainLoop = mInsideMainLoop;
    state.shuttingDown = mShuttingDown;
    state.systemDialogActive = mSystemDialogActive;
    state.windowed = IsWindowed();
    state.physicallyWindowed = IsPhysicallyWindowed();
    state.screenModeLocked = IsForcedFullScreen() || IsForcedWindowed();
    state.desktopScreenSaverRunning = mDesktopSaver->IsRunning();
    state.screenSaverMode = mScreenSaverMode;
    state.notifyRegistered = mNotifyMessage != 0;
    return state;
}

bool ZorbelAppBase::TakeMessages() {
    if (mInstance && mInstance->TakeNotice()) {
        WindowMessage notify;
        notify.window = GetMainWindow();
        notify.kind = MessageKind::Notify;
        WindowProc(notify);
    }
    mPump->DispatchWindowMessages();
    mPlaybackDialogs->Settle();
    mDemo->PlaybackStep(*this);
    return ProcessQueuedMessages(false);
}

void ZorbelAppBase::ServiceShutdownRequest() {
    if (!mShutdownPending) return;
    mShutdownPending = false;
    Shutdown();
}

bool ZorbelAppBase::OverlaysShown() {
    return mReports->IsShowingFps();
}

void ZorbelAppBase::DrawOverlays() {
    mReports->DrawOverlays();
}

ReportState ZorbelAppBase::GetReportState() {
    ReportState state;
    state.display = GetDisplay();
    state.width = mWidth;
    state.height = mHeight;
    if (WidgetManager* widgets = GetWidgetManager()) {
        state.pointerX = widgets->GetLastMousePosition().x;
        state.pointerY = widgets->GetLastMousePosition().y;
    }
    if (mDemo->IsPlaying())
        state.demoTimeLeftMs =
            int64_t(mDemo->GetDemoLength() - GetUpdateCount()) * mStepClock->GetFrameTimeMs();
    state.speed = mStepClock->GetSpeed();
    return state;
}

LoopState ZorbelAppBase::GetLoopState() {
    LoopState state;
    DisplayDevice* display = GetDisplay();
    state.shutdownStarted = mShutdownStarted;
    state.loadingHandled = mLoading->IsHandled();
    state.loadingThrottled = mLoading->IsThrottling();
    state.loadingRunning = mLoading->IsRunning();
    state.desktopScreenSaverRunning = mDesktopSaver->IsRunning();
    state.playingDemo = mDemo->IsPlaying();
    state.playbackHeld = mDemo->IsHeld();
    state.physicallyWindowed = IsPhysicallyWindowed();
    state.minimised = mPump->IsMinimised();
    state.cursorChanged = mCursor->HasChanged();
    state.hasDisplay = display != nullptr;
    state.millisecondsPerFrame = display ? display->GetMillisecondsPerFrame() : 0;
    return state;
}

bool ZorbelAppBase::EndProgram(int code) {
    HardExit(code);
    return mHardExited;
}

SoundServices ZorbelAppBase::MakeSoundServices() {
    SoundServices services;
    if (!mNoSound) services.output = mPlatform.openAudio ? mPlatform.openAudio() : AudioOutput::OpenDefault();
    services.systemMixer =
        mPlatform.createSystemMixer ? mPlatform.createSystemMixer() : std::make_unique<AlsaSystemMixer>();
    services.clock = mClock;
    services.duplicationFailed = [this](const std::string& text) {
        if (!text.empty()) {
            MessageBoxRequest request{text, "Hey", MessageBoxStyle::Ok};
            mWindowSystem->ShowMessageBox(GetMainWindow(), request);
        }
        HardExit(EXIT_CODE_SOUND_DUPLICATE);
    };
    return services;
}

std::unique_ptr<DisplayDevice> ZorbelAppBase::MakeDisplay() {
    if (mPlatform.createDisplay) return mPlatform.createDisplay(*this);
    return std::make_unique<DDDisplayDevice>(*this);
}

void ZorbelAppBase::DisplayModeSet(bool windowed, int32_t refreshRate) {
    mStepClock->SetRefreshRate(refreshRate);
    mDemo->DisplayModeSet(windowed, refreshRate);
}

// --- Demos ---

void ZorbelAppBase::ReplayPointerCrossed(bool entered, int32_t x, int32_t y) {
    if (entered) mCursor->SetPointer(x, y);
    mPump->ReplayPointerCrossed(entered, x, y);
}

void ZorbelAppBase::ReplayDisplayMode(bool windowed, int32_t refreshRate) {
    // A playback stays in its window; the game sees the mode the recording had.
    mScreenModes->SetWindowed(windowed);
    mStepClock->SetRefreshRate(refreshRate);
    mWidgetManager->MarkAllDirty();
}

bool ZorbelAppBase::FastForward() {
    if (!mDemo->IsPlaying()) return false;
    if (!mDemo->WantsFastForward(GetUpdateCount())) {
        if (mDemo->IsFastForwardMuted()) {
            if (SoundManager* sound = GetSoundManager()) sound->StopAllInstances();
            Unmute(true);
            mDemo->SetFastForwardMuted(false);
        }
        return false;
    }
    bool once = mDemo->IsSteppingOnce();
    if (!once && !mDemo->IsFastForwardMuted()) {
        Mute(true);
        mDemo->SetFastForwardMuted(true);
    }
    // Steps back to back, with a frame at least once a second so that the player sees the way.
    uint32_t start = Now();
    int32_t waits = 0;
    for (int64_t steps = 0; steps < MaxFastForwardSteps && !mShuttingDown &&
                            mDemo->WantsFastForward(GetUpdateCount()) && Now() - start < 1000;) {
        mPump->DispatchWindowMessages();
        mDemo->PlaybackStep(*this);
        ProcessQueuedMessages(true);
        if (mShuttingDown) break;
        if (RunUpdateStep()) {
            RunUpdateFraction(1.0);
            ProcessSafeDeleteList();
            ++steps;
            waits = 0;
        } else if (++waits > 2) {
            // Waiting for the loading thread: the main loop comes back here at its next step.
            break;
        }
    }
    if (once) mDemo->EndStepOnce();
    if (!mShuttingDown) DrawDirty();
    return true;
}

void ZorbelAppBase::ShowJumpToTimeDialog() {
    mPlaybackDialogs->ShowJumpToTime(mSettingsKey, mWidth, mHeight);
}

void ZorbelAppBase::ShowMarkerListDialog() {
    mPlaybackDialogs->ShowMarkerList(mWidth, mHeight);
}

void ZorbelAppBase::TogglePause() {
    mStepClock->SetPaused(!mStepClock->IsPaused());
    ResetStepTiming();
}

void ZorbelAppBase::JumpToTimeFromEnd(const std::string& time) {
    mDemo->JumpBackFromEnd(time);
}

bool ZorbelAppBase::ReadBufferFromFile(const std::string& path, Buffer& buffer, bool bypassDemo) {
    std::vector<uint8_t> bytes;
    bool read = mDemo->ReadFile(path, bytes, bypassDemo);
    buffer.Assign(bytes.data(), bytes.size());
    return read;
}

void ZorbelAppBase::SyncDemoBuffer(Buffer& buffer) {
    std::vector<uint8_t> bytes(buffer.Data(), buffer.Data() + buffer.ByteLength());
    mDemo->SyncBytes(bytes);
    buffer.Assign(bytes.data(), bytes.size());
}

int32_t ZorbelAppBase::NumberedDemo(const std::string& prefix, int32_t keep, bool deleteOldest) {
    return Zorbel::NumberedDemo(prefix, keep, deleteOldest);
}

// --- Shutdown ---

void ZorbelAppBase::Shutdown() {
    if (mMainThreadId != std::thread::id() && !IsMainThread()) {
        mShutdownPending = true;
        return;
    }
    if (mShuttingDown) return;
    mShutdownStarted = true;
    mShuttingDown = true;
    BeforeShutdownHook();

    // A replay ended with its sound toggled off hands the settings the volumes it had, not 0.
    if (mDemo->IsPlaying()) mDemo->RestoreToggledVolumes();
    mCursor->JoinThread();
    mAudio->StopAllMusic();
    DisplayDevice* display = GetDisplay();
    if (!IsPhysicallyWindowed() && display) display->ReleaseScreenForSystem();
    if (WindowId main = GetMainWindow()) mWindowSystem->ShowWindow(main, ShowCommand::Hide);
    if (mSettingsRead) WriteSettings();
}

void ZorbelAppBase::HardExit(int code) {
    std::fflush(nullptr);
    if (mPlatform.exitProcess) {
        mPlatform.exitProcess(code);
    } else {
        std::_Exit(code);
    }
    // Only a stand-in returns: from here on the application acts as a process that has ended.
    mHardExited = true;
    mShuttingDown = true;
    mShutdownStarted = true;
    mSettingsRead = false;
}

// --- Helpers ---

void ZorbelAppBase::DebugOutput(const std::string& text) {
    std::fputs(text.c_str(), stderr);
}

std::recursive_mutex* ZorbelAppBase::DisplayLock() {
    DisplayDevice* display = GetDisplay();
    return display ? &display->GetLock() : nullptr;
}

} // namespace Zorbel
