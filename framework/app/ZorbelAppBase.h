#pragma once

#include "framework/app/AppPlatform.h"
#include "framework/app/AppSettings.h"
#include "framework/app/AudioControl.h"
#include "framework/app/CursorController.h"
#include "framework/app/DebugKeys.h"
#include "framework/app/DemoSession.h"
#include "framework/app/DeveloperReports.h"
#include "framework/app/DialogRegistry.h"
#include "framework/app/ErrorLog.h"
#include "framework/app/LoadingThread.h"
#include "framework/app/MessagePump.h"
#include "framework/app/PlatformServices.h"
#include "framework/app/ScreenModes.h"
#include "framework/app/SharedImageCache.h"
#include "framework/app/StepClock.h"
#include "framework/app/WebPageOpener.h"
#include "framework/app/WidgetLayer.h"
#include "framework/font/FontHost.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/Rect.h"
#include "framework/platform/Clock.h"
#include "framework/platform/WindowMessage.h"
#include "framework/platform/WindowSystem.h"
#include "framework/resource/ResourceHost.h"
#include "framework/widget/ButtonListener.h"
#include "framework/widget/DialogListener.h"
#include "framework/widget/WidgetHost.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace Zorbel {

class Buffer;
class Clock;
class CrashHooks;
class FrameDump;
class DeveloperReports;
class DesktopScreenSaver;
class Dialog;
class DisplayDevice;
class FontEngine;
class MemoryImage;
class MusicInterface;
class PlaybackDialogs;
class ResourceManager;
class SettingsStore;
class SingleInstance;
class SoundManager;
class Widget;
class WidgetLayer;
class WidgetManager;
namespace ImageLib {
class Image;
}

// The application object: exactly one per process, and a game derives from it. It runs the program
// from Init through the main loop of Start to Shutdown, and offers the program-wide services (images,
// messages and the error log, screen modes, cursors, volumes, strings). It is also the host of the
// widget tree: dialogs report their buttons to it and wait on its update steps.
//
// The work is done by collaborators that the application owns, each with its own header: the message
// pump (window messages, focus), the step clock (update and draw pacing, deferred deletion), the
// screen modes (main window and display device), the cursor controller, the dialog registry, the
// shared-image cache, the settings, sound and volumes, the demo session (the one door of every input,
// for recording and playback), the debug keys, the developer reports and the crash hooks. This class
// keeps the product's identity, the order of start-up and shutdown, and the virtual operations through
// which a game takes part; the collaborators call back into those, so an override is always heard.
class ZorbelAppBase : public ButtonListener,
                      public DialogListener,
                      public WidgetHost,
                      public FontHost,
                      public ResourceHost,
                      private MessagePump::Host,
                      private StepClock::Host,
                      private ScreenModes::Host,
                      private DialogRegistry::Hooks,
                      private DemoSession::PlaybackSink,
                      private DemoSession::ControlHost,
                      private DebugKeys::Host,
                      private DeveloperReports::Host {
public:
    // Cursor numbers of SetCursor.
    using enum CursorController::CursorId;

    static constexpr int32_t MaxPendingMs = StepClock::MaxPendingMs;
    static constexpr int32_t DrawTimerId = ScreenModes::DrawTimerId;
    // A fast forward presents a frame at least every second, and at the latest after this many steps.
    static constexpr int64_t MaxFastForwardSteps = 1000000;

    explicit ZorbelAppBase(AppPlatform platform = {});
    ZorbelAppBase(const ZorbelAppBase&) = delete;
    ZorbelAppBase& operator=(const ZorbelAppBase&) = delete;

    // The program entry hands over its arguments before it creates the application.
    static void SetProgramInstance(int argc, const char* const* argv);
    // Replaces the command line that ParseCommandLine reads (the whole line, program path first).
    static void SetProgramCommandLine(const std::string& commandLine);

    // --- Main loop and frame timing ---
    bool ProcessTimeStep(bool allowSleep) override { return mStepClock->ProcessTimeStep(allowSleep); }
    virtual void UpdateFrames();
    bool RunUpdateStep() override;
    void RunUpdateFraction(double fraction) override;
    void MakeWindow() override { mScreenModes->MakeWindow(WindowLook{mWindowTitle, mWidth, mHeight}); }
    void EnforceCursor() override;
    void RestoreAllImages() override;
    void FreeAllNativeCaches() override;
    void FreeAllTextures() override;
    virtual void LoadingFinished() {}
    ~ZorbelAppBase() override;
    virtual std::unique_ptr<MusicInterface> CreateMusicInterface();
    virtual void AfterInitHook() {}
    virtual void BeforeShutdownHook() {}
    virtual void AfterMainLoopHook() {}
    virtual void LoadingThreadBody() {}
    virtual void WriteSettings();
    virtual void ReadSettings();
    virtual Dialog* NewDialog(int32_t id, bool modal, const std::string& header, const std::string& lines,
                              const std::string& footer, int32_t buttonMode);
    virtual void BeforeScreenSizeHook() {}
    virtual void BeginSystemDialog();
    virtual void EndSystemDialog();
    int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
    void Popup(const std::string& text) override;
    virtual void LogError(const std::string& text) { mErrorLog.Write(text, Now()); }
    void SafeDeleteWidget(Widget* widget) override { mStepClock->SafeDeleteWidget(widget); }
    void UrlOpenFailed(const std::string&) override { mWebPage->Finish(); }
    void UrlOpenSucceeded(const std::string& url) override;
    virtual bool OpenURL(const std::string& url, bool quitAfter);
    virtual std::string GetProductVersion(const std::string& path);
    const std::string& GetProductName() const { return mProductName; }
    virtual void HideApplication();
    virtual std::string GetInfoText();
    // The crash reporter lets the game add form fields to its upload.
    virtual void AddCrashReportFields(std::map<std::string, std::string>&) {}
    void Shutdown() override;
    virtual void ParseCommandLine();
    virtual void SplitCommandLine(const std::string& arguments);
    virtual void HandleCommandLineParam(const std::string& name, const std::string& value);
    virtual void Start();
    virtual void Init();
    void BeforeDisplayInitHook() override {}
    // True keeps the working directory where it is.
    virtual bool ChangeDirectoryHook(const std::string&) { return false; }
    virtual void PlaySample(int32_t id, int32_t pan) { mAudio->PlaySample(id, pan); }
    virtual void PlaySample(int32_t id) { mAudio->PlaySample(id); }
    virtual double GetMasterVolume() { return mAudio->GetMasterVolume(); }
    double GetMusicVolume() override { return mAudio->GetMusicVolume(); }
    double GetSfxVolume() override { return mAudio->GetSfxVolume(); }
    virtual bool IsMuted() { return mAudio->IsMuted(); }
    virtual void SetMasterVolume(double volume) { mAudio->SetMasterVolume(volume); }
    void SetMusicVolume(double volume) override { mAudio->SetMusicVolume(volume); }
    void SetSfxVolume(double volume) override { mAudio->SetSfxVolume(volume); }
    void Mute(bool autoMute = false) override { mAudio->Mute(autoMute); }
    void Unmute(bool autoMute = false) override { mAudio->Unmute(autoMute); }
    virtual double GetLoadingProgress() { return mLoading->GetProgress(); }
    std::unique_ptr<MemoryImage> GetImage(const std::string& path, bool commit = true) override;
    // A picture that will be shown at width × height: a much larger one is decoded or reduced to a
    // size that still covers it, and only one full-size copy of it is ever held. Null on failure.
    std::unique_ptr<MemoryImage> GetImageForDisplay(const std::string& path, int32_t width, int32_t height);
    SharedImageRef GetSharedImage(const std::string& path, const std::string& variant, bool* isNew) override;
    FontHost* GetFontHost() override { return this; }
    // Image fonts load their pictures through GetSharedImage and show descriptor errors with Popup.
    std::shared_ptr<MemoryImage> LoadFontPicture(const std::string& path, bool& isNew) override;
    void ShowFontError(const std::string& text) override;
    virtual void SwitchScreenMode(bool wantWindowed, bool want3D, bool force);
    void SwitchScreenMode(bool wantWindowed) override;
    virtual void SwitchScreenMode();
    virtual void SetAlphaDisabled(bool disabled) { mScreenModes->SetAlphaDisabled(disabled); }
    virtual Dialog* DoDialog(int32_t id, bool modal, const std::string& header, const std::string& lines,
                             const std::string& footer, int32_t buttonMode);
    virtual Dialog* GetDialog(int32_t id) { return mDialogs->Get(id); }
    virtual void AddDialog(Dialog* dialog);
    virtual void AddDialog(int32_t id, Dialog* dialog) { mDialogs->Add(id, dialog, mWidth, mHeight); }
    virtual void KillDialog(Dialog* dialog);
    bool KillDialog(int32_t id) override { return mDialogs->Kill(id); }
    virtual int32_t GetDialogCount() { return mDialogs->Count(); }
    void ModalOpenHook() override {}
    void ModalCloseHook() override {}
    void FocusGainedHook() override {}
    void FocusLostHook() override {}
    virtual bool IsAltKeyUsed(int32_t c);
    bool DebugKeyDown(int32_t keyCode) override { return mDebugKeys->KeyDown(keyCode); }
    // Shift + F8: hardware acceleration on or off, and a box that says which.
    void Toggle3DMode() override;
    bool DebugKeyDownEx(int32_t, bool, bool) override { return false; }
    // Alt + R asks a developer value-reload facility to read its values again, and F2 starts and stops
    // a profiler; a game that has them overrides these. The framework has neither: the reload fails
    // (and says so on the diagnostic output) and the profiler's report says there is none.
    bool ReloadDeveloperValues() override {
        DebugOutput("No value-reload facility in this program: nothing to read again\r\n");
        return false;
    }
    bool StartProfiler() override { return false; }
    void ShowProfilerReport() override {
        MessageBox("No profiler is built into this program.", "Perf Results", 0);
    }
    void CloseRequested() override {}
    virtual void Fresh3DTestHook() {}
    virtual std::string GetCrashUploadFile() { return std::string(); }
    bool DrawDirty() override;
    void PresentScreen(const Rect* clip) override;
    virtual void BeforeSettingsReadHook() {}
    virtual void RunMainLoop();
    virtual bool UpdateAppStep(bool& updated) { return mStepClock->UpdateAppStep(updated); }
    bool UpdateApp() override;

    // Dialog buttons 1000 and 1001 of dialog d reach the button slots as d + 2000 and d + 3000.
    void DialogButtonPressed(int32_t dialogId, int32_t buttonId) override;
    void DialogButtonReleased(int32_t dialogId, int32_t buttonId) override;

    // --- Not virtual ---
    void SetCursor(int32_t id) override;
    int32_t GetCursor() const { return mCursor->GetCursorId(); }
    // The picture drawn for a cursor number (borrowed; null for the system cursor), and a cursor handle
    // that replaces every cursor number while set (0 clears it).
    void SetCursorImage(int32_t id, MemoryImage* image);
    void SetOverrideCursor(CursorHandle cursor);

    // The window procedure of the main and the invisible window; returns the message's result.
    int32_t WindowProc(const WindowMessage& message) { return mPump->WindowProc(message); }
    // Hands queued messages to the widget layer: the first (or all). True while messages remain.
    bool ProcessQueuedMessages(bool all) { return mPump->ProcessQueuedMessages(all); }

    std::string GetString(const std::string& id) const override;
    DialogListener* GetDialogListener() override { return this; }
    FontEngine* GetFontEngine() override;
    void SetString(const std::string& id, const std::string& text);

    // Not during a demo's playback, unless the player copies from a dialog that holds it.
    bool CopyToClipboard(const std::string& text) override;
    // A recording keeps what was pasted, and its playback pastes that again.
    std::string GetClipboardText() override;

    // The settings store below "SOFTWARE\" + the settings key; value names may name a sub-key
    // ("Test3D\RuntimeError").
    bool RegistryWrite(const std::string& valueName, uint32_t type, const void* data, size_t length) {
        return mSettings->Write(mSettingsKey, valueName, type, data, length);
    }
    bool RegistryWriteString(const std::string& valueName, const std::string& text) {
        return mSettings->WriteString(mSettingsKey, valueName, text);
    }
    bool RegistryWriteInteger(const std::string& valueName, int32_t value) {
        return mSettings->WriteInteger(mSettingsKey, valueName, value);
    }
    // length holds the buffer's size on entry and the value's size on success.
    bool RegistryRead(const std::string& valueName, uint32_t& type, uint8_t* buffer, uint32_t& length) {
        return mSettings->Read(mSettingsKey, valueName, type, buffer, length);
    }
    bool RegistryReadInteger(const std::string& valueName, int32_t& value) {
        return mSettings->ReadInteger(mSettingsKey, valueName, value);
    }
    bool RegistryReadString(const std::string& valueName, std::string& text) {
        return mSettings->ReadString(mSettingsKey, valueName, text);
    }
    void RegistryEraseValue(const std::string& valueName) { mSettings->Erase(mSettingsKey, valueName); }
    // A demo is being played back.
    bool IsDemoPlaying() const { return mDemo->IsPlaying(); }

    // Processes every deferred deletion that came due at the current step depth.
    void ProcessSafeDeleteList() { mStepClock->ProcessDeletions(); }

    // Ends the process at once (from start-up failures); nothing more is written.
    void HardExit(int code);

    // --- Demos ---
    bool IsRecordingDemo() const { return mDemo->IsRecording(); }
    // (also what the screen modes ask)
    bool IsPlayingDemo() override { return mDemo->IsPlaying(); }
    // Reads a whole file. While recording its bytes are written into the demo, and while playing they
    // come from the demo instead of the disk (unless bypassDemo).
    bool ReadBufferFromFile(const std::string& path, Buffer& buffer, bool bypassDemo = false);
    // Values from outside the recorded input that a replay must see as the recording did: written
    // into a recording, replaced by the recorded value during playback.
    void SyncDemoBuffer(Buffer& buffer);
    bool SyncDemoBool(bool value) { return mDemo->SyncBool(value); }
    void SyncDemoText(std::string& text) { mDemo->SyncText(text); }
    // A named point of the recording at the current update step, for the marker list of playback.
    void AddDemoMarker(const std::string& name) { mDemo->AddMarker(name); }
    // A crash ends the recording with its filler event and saves it: the file's name, empty for none.
    std::string SaveDemoAfterCrash() { return mDemo->SaveAfterCrash(mRunSeed, mProductVersion); }
    // The largest number of the demo files prefix + number + ".dmo"; see NumberedDemo in DemoFile.h.
    static int32_t NumberedDemo(const std::string& prefix, int32_t keep, bool deleteOldest);
    // Playback: the jump-to-time dialog takes a time counted back from the end of the recording.
    void JumpToTimeFromEnd(const std::string& time);

    // The live images and the saturation table that every image of this application shares.
    ImageContext& GetImageContext() { return mImageContext; }
    WindowSystem& GetWindowSystem() { return *mWindowSystem; }
    Clock& GetClock() { return *mClock; }
    DisplayDevice* GetDisplay() { return mScreenModes->GetDisplay(); }
    WidgetLayer* GetWidgetLayer() { return mWidgetManager.get(); }
    // The widget manager; null when a stand-in takes its place.
    WidgetManager* GetWidgetManager();
    SoundManager* GetSoundManager() override { return mAudio->GetSoundManager(); }
    MusicInterface* GetMusicPlayer() { return mAudio->GetMusicPlayer(); }
    ResourceManager* GetResourceManager() { return mResourceManager.get(); }

    WindowId GetMainWindow() const { return mScreenModes->GetMainWindow(); }
    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    bool IsWindowed() const { return mScreenModes->IsWindowed(); }
    bool IsPhysicallyWindowed() const { return mScreenModes->IsPhysicallyWindowed(); }
    bool GetWaitForVSync() const { return mStepClock->GetWaitForVSync(); }
    bool IsSystemDialogActive() const { return mSystemDialogActive; }
    int32_t GetMinVideoMemoryMB() const { return mMinVideoMemoryMB; }
    int32_t GetRecVideoMemoryMB() const { return mRecVideoMemoryMB; }
    bool IsScreenSaverMode() const { return mScreenSaverMode; }
    bool IsShuttingDown() const { return mShuttingDown; }
    bool IsShutdownPending() const { return mShutdownPending; }
    bool HasFocus() const { return mPump->HasFocus(); }
    bool LastRunClean() const { return mLastRunClean; }
    bool IsForcedFullScreen() const { return mScreenModes->IsForcedFullScreen(); }
    bool IsForcedWindowed() const { return mScreenModes->IsForcedWindowed(); }
    int32_t GetUpdateCount() const { return mStepClock->GetUpdateCount(); }
    int32_t GetDrawCount() const { return mStepClock->GetDrawCount(); }
    uint32_t GetRunSeed() const { return mRunSeed; }
    // Restarts the step timing after a pause in which time should not count (a system dialog).
    void ResetStepTiming() { mStepClock->ResetTiming(); }
    const std::string& GetProductVersionText() const { return mProductVersion; }

protected:
    // --- The collaborators, for derived applications ---
    MessagePump& GetMessagePump() { return *mPump; }
    StepClock& GetStepClock() { return *mStepClock; }
    ScreenModes& GetScreenModes() { return *mScreenModes; }
    CursorController& GetCursorController() { return *mCursor; }
    DialogRegistry& GetDialogRegistry() { return *mDialogs; }
    PlaybackDialogs& GetPlaybackDialogs() { return *mPlaybackDialogs; }
    SharedImageCache& GetSharedImageCache() { return *mSharedImages; }
    AppSettings& GetSettings() { return *mSettings; }
    AudioControl& GetAudio() { return *mAudio; }
    DemoSession& GetDemo() { return *mDemo; }
    WebPageOpener& GetWebPage() { return *mWebPage; }
    DesktopScreenSaver& GetDesktopScreenSaver() { return *mDesktopSaver; }
    DebugKeys& GetDebugKeys() { return *mDebugKeys; }
    DeveloperReports& GetDeveloperReports() { return *mReports; }
    CrashHooks& GetCrashHooks() { return *mCrashHooks; }
    LoadingThread& GetLoading() { return *mLoading; }

    void StartLoadingThread();
    uint32_t Now() { return mClock->Milliseconds(); }
    // Writes to the diagnostic output (standard error).
    void DebugOutput(const std::string& text);
    bool IsMainThread() const { return std::this_thread::get_id() == mMainThreadId; }
    bool Exited() const { return mHardExited; }

    // --- Identity, chosen by the game's constructor ---
    AppPlatform mPlatform;
    uint32_t mRunSeed = 0;
    std::string mTitlePrefix;
    std::string mProductName = "Product";
    std::string mWindowTitle = "ZorbelApp";
    std::string mSettingsKey;
    int32_t mWidth = 640;
    int32_t mHeight = 480;
    bool mNoSound = false;
    // Music through the second music library instead of the first.
    bool mUseFmodMusic = false;
    std::string mProductVersion;
    int32_t mMinVideoMemoryMB = 6;
    int32_t mRecVideoMemoryMB = 14;
    bool mSingleInstance = true;
    // The system may switch the monitor off while the program runs.
    bool mAllowMonitorPowerOff = true;

    // --- Lifecycle ---
    bool mCommandLineDone = false;
    std::unique_ptr<SingleInstance> mInstance;
    // Another copy may ask this one to come to the front (0 while it cannot).
    uint32_t mNotifyMessage = 0;
    std::thread::id mMainThreadId;
    uint32_t mMainThreadTid = 0;
    uint32_t mStartTick = 0;
    // Failed hardware calls already answered by drawing the whole frame again.
    int32_t mHardwareErrorsSeen = 0;
    bool mInitialised = false;
    bool mHidden = false;
    std::atomic<bool> mShuttingDown{false};
    bool mShutdownStarted = false;
    std::atomic<bool> mShutdownPending{false};
    bool mInsideMainLoop = false;
    bool mScreenSaverMode = false;
    bool mSystemDialogActive = false;
    bool mSettingsRead = false;
    bool mLastRunClean = true;
    WindowId mInvisibleWindow = 0;

    // The loading thread starts with the main loop.
    bool mAutoLoading = true;

    // --- Shared services ---
    ImageContext mImageContext;
    std::unique_ptr<WidgetLayer> mWidgetManager;
    std::unique_ptr<ResourceManager> mResourceManager;
    std::unique_ptr<FontEngine> mFontEngine;
    std::map<std::string, std::string> mStringTable;

private:
    // A display picture that takes over the decoded pixels; null for a null picture.
    std::unique_ptr<MemoryImage> MakeImage(std::unique_ptr<ImageLib::Image> picture, bool commit);

    // MessagePump::Host
    PumpState GetPumpState() override;
    void RememberWindowPosition(int32_t x, int32_t y) override { mScreenModes->SetPreferredPosition(x, y); }
    // StepClock::Host
    bool TakeMessages() override;
    void ServiceShutdownRequest() override;
    bool OverlaysShown() override;
    void DrawOverlays() override;
    void FramePresented() override { mCursor->ClearChanged(); }
    LoopState GetLoopState() override;
    // ScreenModes::Host
    bool EndProgram(int code) override;
    bool HasEnded() override { return mHardExited; }
    std::unique_ptr<DisplayDevice> MakeDisplay() override;
    bool ReadStored3D(int32_t& value) override { return RegistryReadInteger("Is3D", value); }
    void WriteStored3D(int32_t value) override { RegistryWriteInteger("Is3D", value); }
    void DisplayModeSet(bool windowed, int32_t refreshRate) override;
    void RestoredByDisplay() override { mPump->RestoredByDisplay(); }
    void WindowReplaced(WindowId window, bool windowed) override { mAudio->FollowWindow(window, windowed); }
    bool IsOpeningWebPage() override { return mWebPage->IsPending(); }
    int32_t GetFrameTimeMs() override { return mStepClock->GetFrameTimeMs(); }
    // StepClock::Host: demo fast forward
    bool FastForward() override;
    // DebugKeys::Host
    HeldModifiers GetHeldModifiers() override { return mPump->GetHeldModifiers(); }
    void PlayMenuCommandSound() override { mAudio->PlaySystemClick(); }
    void ClearKeyStates() override { mWidgetManager->ClearKeyStates(); }
    // DeveloperReports::Host
    ReportState GetReportState() override;
    void RestartStepTiming() override { ResetStepTiming(); }
    void RedrawEverything() override { mWidgetManager->MarkAllDirty(); }
    // DemoSession::PlaybackSink
    bool ReplayStopped() override { return mShuttingDown; }
    void ReplayMessage(const WindowMessage& message) override { mPump->ReplayMessage(message); }
    void ReplayPointerCrossed(bool entered, int32_t x, int32_t y) override;
    void ReplayDisplayMode(bool windowed, int32_t refreshRate) override;
    // DemoSession::ControlHost
    double GetSpeed() override { return mStepClock->GetSpeed(); }
    void SetSpeed(double speed) override { mStepClock->SetSpeed(speed); }
    void TogglePause() override;
    void ShowJumpToTimeDialog() override;
    void ShowMarkerListDialog() override;
    // Handles the loading thread's end when it is due (as recorded, during playback); false when the
    // update step has to wait for it.
    bool HandleLoadingCompletion();

    std::recursive_mutex* DisplayLock();
    void AllowScreenBlanking();
    // What the sound manager plays on: the sound device unless sound is off, the desktop's volume
    // control, our clock, and the end of the program when a sound cannot be duplicated.
    SoundServices MakeSoundServices();

    std::unique_ptr<PlatformServices> mServices;
    Clock* mClock = nullptr;
    WindowSystem* mWindowSystem = nullptr;
    SettingsStore* mSettingsStore = nullptr;
    ErrorLog mErrorLog;
    bool mHardExited = false;

    std::unique_ptr<DemoSession> mDemo;
    // Frames written at chosen update steps (ZORBEL_FRAME_DUMP); null when none are asked for.
    std::unique_ptr<FrameDump> mFrameDump;
    std::unique_ptr<DebugKeys> mDebugKeys;
    std::unique_ptr<DeveloperReports> mReports;
    std::unique_ptr<CrashHooks> mCrashHooks;
    std::unique_ptr<AudioControl> mAudio;
    std::unique_ptr<AppSettings> mSettings;
    std::unique_ptr<WebPageOpener> mWebPage;
    std::unique_ptr<DesktopScreenSaver> mDesktopSaver;
    std::unique_ptr<CursorController> mCursor;
    std::unique_ptr<SharedImageCache> mSharedImages;
    std::unique_ptr<LoadingThread> mLoading;
    std::unique_ptr<DialogRegistry> mDialogs;
    std::unique_ptr<PlaybackDialogs> mPlaybackDialogs;
    std::unique_ptr<ScreenModes> mScreenModes;
    std::unique_ptr<StepClock> mStepClock;
    std::unique_ptr<MessagePump> mPump;
};

// The single application object while it lives, else null.
extern ZorbelAppBase* gAppBase;

} // namespace Zorbel
