#pragma once

#include "framework/app/AppPlatform.h"
#include "framework/app/ErrorLog.h"
#include "framework/font/FontHost.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/Rect.h"
#include "framework/platform/WindowMessage.h"
#include "framework/platform/WindowSystem.h"
#include "framework/widget/ButtonListener.h"
#include "framework/widget/DialogListener.h"
#include "framework/widget/WidgetHost.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Zorbel {

class Clock;
class Dialog;
class DisplayDevice;
class FontEngine;
class MemoryImage;
class MusicInterface;
class ResourceManager;
class SettingsStore;
class SingleInstance;
class SoundManager;
class Widget;
class WidgetLayer;
class WidgetManager;

// A picture shared by everyone who asks for it by the same path and variant. It is freed by the update
// step after the last reference to it was dropped.
struct SharedImage {
    std::unique_ptr<MemoryImage> image;
};
using SharedImageRef = std::shared_ptr<SharedImage>;

// The application object: exactly one per process, and a game derives from it. It owns the window, the
// display device, the widget layer, sound and music, the settings and the live images; it runs the
// program from Init through the main loop of Start to Shutdown, and offers the program-wide services
// (images, messages and the error log, screen modes, cursors, volumes, strings). It is also the host of
// the widget tree: dialogs report their buttons to it and wait on its update steps.
class ZorbelAppBase : public ButtonListener, public DialogListener, public WidgetHost, public FontHost {
public:
    // Cursor numbers of SetCursor.
    enum : int32_t {
        CURSOR_POINTER = 0,
        CURSOR_HAND = 1,
        CURSOR_DRAGGING = 2,
        CURSOR_TEXT = 3,
        CURSOR_CIRCLE_SLASH = 4,
        CURSOR_SIZEALL = 5,
        CURSOR_SIZENESW = 6,
        CURSOR_SIZENS = 7,
        CURSOR_SIZENWSE = 8,
        CURSOR_SIZEWE = 9,
        CURSOR_WAIT = 10,
        CURSOR_NONE = 11,
        CURSOR_CUSTOM = 12,
        NUM_CURSORS = 13
    };

    static constexpr int32_t MaxPendingMs = 200;
    static constexpr int32_t DrawTimerId = 100;

    explicit ZorbelAppBase(AppPlatform platform = {});
    ZorbelAppBase(const ZorbelAppBase&) = delete;
    ZorbelAppBase& operator=(const ZorbelAppBase&) = delete;

    // The program entry hands over its arguments before it creates the application.
    static void SetProgramInstance(int argc, const char* const* argv);
    // Replaces the command line that ParseCommandLine reads (the whole line, program path first).
    static void SetProgramCommandLine(const std::string& commandLine);

    // --- Main loop and frame timing ---
    virtual bool ProcessTimeStep(bool allowSleep);
    virtual void UpdateFrames();
    virtual bool RunUpdateStep();
    virtual void RunUpdateFraction(double fraction);
    virtual void MakeWindow();
    virtual void EnforceCursor();
    virtual void RestoreAllImages();
    virtual void FreeAllNativeCaches();
    virtual void FreeAllTextures();
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
    virtual int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);
    virtual void Popup(const std::string& text);
    virtual void LogError(const std::string& text);
    void SafeDeleteWidget(Widget* widget) override;
    virtual void UrlOpenFailed(const std::string& url);
    virtual void UrlOpenSucceeded(const std::string& url);
    virtual bool OpenURL(const std::string& url, bool quitAfter);
    virtual std::string GetProductVersion(const std::string& path);
    virtual void HideApplication();
    virtual std::string GetInfoText();
    virtual void Shutdown();
    virtual void ParseCommandLine();
    virtual void SplitCommandLine(const std::string& arguments);
    virtual void HandleCommandLineParam(const std::string& name, const std::string& value);
    virtual void Start();
    virtual void Init();
    virtual void BeforeDisplayInitHook() {}
    // True keeps the working directory where it is.
    virtual bool ChangeDirectoryHook(const std::string&) { return false; }
    virtual void PlaySample(int32_t id, int32_t pan);
    virtual void PlaySample(int32_t id);
    virtual double GetMasterVolume();
    virtual double GetMusicVolume() { return mMusicVolume; }
    virtual double GetSfxVolume() { return mSfxVolume; }
    virtual bool IsMuted() { return mMuteCount > 0; }
    virtual void SetMasterVolume(double volume);
    virtual void SetMusicVolume(double volume);
    virtual void SetSfxVolume(double volume);
    virtual void Mute(bool autoMute = false);
    virtual void Unmute(bool autoMute = false);
    virtual double GetLoadingProgress();
    virtual std::unique_ptr<MemoryImage> GetImage(const std::string& path, bool commit = true);
    virtual SharedImageRef GetSharedImage(const std::string& path, const std::string& variant, bool* isNew);
    // Image fonts load their pictures through GetSharedImage and show descriptor errors with Popup.
    std::shared_ptr<MemoryImage> LoadFontPicture(const std::string& path, bool& isNew) override;
    void ShowFontError(const std::string& text) override;
    virtual void SwitchScreenMode(bool wantWindowed, bool want3D, bool force);
    virtual void SwitchScreenMode(bool wantWindowed);
    virtual void SwitchScreenMode();
    virtual void SetAlphaDisabled(bool disabled);
    virtual Dialog* DoDialog(int32_t id, bool modal, const std::string& header, const std::string& lines,
                             const std::string& footer, int32_t buttonMode);
    virtual Dialog* GetDialog(int32_t id);
    virtual void AddDialog(Dialog* dialog);
    virtual void AddDialog(int32_t id, Dialog* dialog);
    virtual void KillDialog(Dialog* dialog);
    bool KillDialog(int32_t id) override;
    virtual int32_t GetDialogCount() { return static_cast<int32_t>(mDialogList.size()); }
    virtual void ModalOpenHook() {}
    virtual void ModalCloseHook() {}
    virtual void FocusGainedHook() {}
    virtual void FocusLostHook() {}
    virtual bool IsAltKeyUsed(int32_t c);
    virtual bool DebugKeyDown(int32_t) { return false; }
    virtual bool DebugKeyDownEx(int32_t, bool, bool) { return false; }
    virtual void CloseRequested() {}
    virtual void Fresh3DTestHook() {}
    virtual std::string GetCrashUploadFile() { return std::string(); }
    virtual bool DrawDirty();
    virtual void PresentScreen(const Rect* clip);
    virtual void BeforeSettingsReadHook() {}
    virtual void RunMainLoop();
    virtual bool UpdateAppStep(bool& updated);
    bool UpdateApp() override;

    // Dialog buttons 1000 and 1001 of dialog d reach the button slots as d + 2000 and d + 3000.
    void DialogButtonPressed(int32_t dialogId, int32_t buttonId) override;
    void DialogButtonReleased(int32_t dialogId, int32_t buttonId) override;

    // --- Not virtual ---
    void SetCursor(int32_t id) override;
    int32_t GetCursor() const { return mCursorId; }
    // The picture drawn for a cursor number (borrowed; null for the system cursor), and a cursor handle
    // that replaces every cursor number while set (0 clears it).
    void SetCursorImage(int32_t id, MemoryImage* image);
    void SetOverrideCursor(CursorHandle cursor);

    // The window procedure of the main and the invisible window; returns the message's result.
    int32_t WindowProc(const WindowMessage& message);
    // Hands queued messages to the widget layer: the first (or all). True while messages remain.
    bool ProcessQueuedMessages(bool all);

    std::string GetString(const std::string& id) const override;
    DialogListener* GetDialogListener() override { return this; }
    FontEngine* GetFontEngine() override;
    void SetString(const std::string& id, const std::string& text);

    bool CopyToClipboard(const std::string& text);

    // The settings store below "SOFTWARE\" + the settings key; value names may name a sub-key
    // ("Test3D\RuntimeError").
    bool RegistryWrite(const std::string& valueName, uint32_t type, const void* data, size_t length);
    bool RegistryWriteString(const std::string& valueName, const std::string& text);
    bool RegistryWriteInteger(const std::string& valueName, int32_t value);
    // length holds the buffer's size on entry and the value's size on success.
    bool RegistryRead(const std::string& valueName, uint32_t& type, uint8_t* buffer, uint32_t& length);
    bool RegistryReadInteger(const std::string& valueName, int32_t& value);
    bool RegistryReadString(const std::string& valueName, std::string& text);
    void RegistryEraseValue(const std::string& valueName);

    // Processes every deferred deletion that came due at the current step depth.
    void ProcessSafeDeleteList();

    // Ends the process at once (from start-up failures); nothing more is written.
    void HardExit(int code);

    // The live images and the saturation table that every image of this application shares.
    ImageContext& GetImageContext() { return mImageContext; }
    WindowSystem& GetWindowSystem() { return *mWindowSystem; }
    Clock& GetClock() { return *mClock; }
    DisplayDevice* GetDisplay() { return mDisplay.get(); }
    WidgetLayer* GetWidgetLayer() { return mWidgetManager.get(); }
    // The widget manager; null when a stand-in takes its place.
    WidgetManager* GetWidgetManager();
    SoundManager* GetSoundManager() { return mSoundManager.get(); }
    MusicInterface* GetMusicPlayer() { return mMusicPlayer.get(); }
    ResourceManager* GetResourceManager() { return mResourceManager.get(); }

    WindowId GetMainWindow() const { return mMainWindow; }
    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    bool IsWindowed() const { return mWindowed; }
    bool IsPhysicallyWindowed() const { return mPhysicallyWindowed; }
    bool GetWaitForVSync() const { return mWaitForVSync; }
    bool IsSystemDialogActive() const { return mSystemDialogActive; }
    int32_t GetMinVideoMemoryMB() const { return mMinVideoMemoryMB; }
    int32_t GetRecVideoMemoryMB() const { return mRecVideoMemoryMB; }
    bool IsScreenSaverMode() const { return mScreenSaverMode; }
    bool IsShuttingDown() const { return mShuttingDown; }
    bool IsShutdownPending() const { return mShutdownPending; }
    bool HasFocus() const { return mHasFocus; }
    bool LastRunClean() const { return mLastRunClean; }
    bool IsForcedFullScreen() const { return mForcedFullScreen; }
    bool IsForcedWindowed() const { return mForcedWindowed; }
    int32_t GetUpdateCount() const { return mUpdateCount; }
    uint32_t GetRunSeed() const { return mRunSeed; }
    // Restarts the step timing after a pause in which time should not count (a system dialog).
    void ResetStepTiming();

protected:
    // --- Demo seams: recording and playback plug in here ---
    virtual void ProcessDemoEvents() {}
    virtual void RecordMessage(const WindowMessage&) {}
    virtual void RecordSettingsRead(bool, uint32_t, const uint8_t*, uint32_t) {}
    virtual void RecordSettingsWrite(bool) {}
    // During playback the recorded result stands in for the store.
    virtual bool PlaybackSettingsRead(uint32_t&, uint8_t*, uint32_t&) { return false; }
    virtual bool PlaybackSettingsWrite() { return false; }
    virtual void RecordLoadingHandled() {}
    virtual void RecordDisplayMode() {}
    virtual bool OpenDemo(std::string& message);

    // Steps of Init and MakeWindow that the tests and derived applications may watch.
    void SetFocusState();
    bool SmoothUpdatesInEffect() const;
    void HandleDisplayResult(uint32_t result);
    void InitDisplay();
    void Apply3D(bool want3D, bool reinitialise);
    void ApplyVolumes();
    void StartLoadingThread();
    void StartCursorThread();
    void CursorThreadBody();
    void CheckSystemScreenSaver();
    bool ScreenSaverFilter(const WindowMessage& message);
    void DispatchQueuedMessage(const WindowMessage& message);
    void HandleTimerMessage();
    void HandleMouseMessage(const WindowMessage& message);
    void HandleSizeMessage(const WindowMessage& message);
    void HandleActivateMessage();
    void HandleNotify();
    void FreeUnreferencedSharedImages();
    // The sound manager of Init: on the sound device unless sound is off.
    std::unique_ptr<SoundManager> MakeSoundManager();
    void WriteStatistics();
    CursorHandle SystemCursorFor(int32_t id);
    bool ShouldDrawCursorPicture() const;
    uint32_t Now();
    // Writes to the diagnostic output (standard error).
    void DebugOutput(const std::string& text);
    bool IsMainThread() const;
    bool Exited() const { return mHardExited; }

    // --- Identity and settings ---
    AppPlatform mPlatform;
    uint32_t mRunSeed = 0;
    std::string mTitlePrefix;
    std::string mProductName = "Product";
    std::string mWindowTitle = "ZorbelApp";
    std::string mSettingsKey;
    int32_t mPreferredX = -1;
    int32_t mPreferredY = -1;
    int32_t mWidth = 640;
    int32_t mHeight = 480;
    double mMusicVolume = 0.85;
    double mSfxVolume = 0.85;
    bool mNoSound = false;
    bool mUseFmodMusic = false;
    bool mCommandLineDone = false;
    std::unique_ptr<SingleInstance> mInstance;
    bool mSingleInstance = true;
    uint32_t mNotifyMessage = 0;
    std::unique_ptr<WidgetLayer> mWidgetManager;
    // Open dialogs, owned until they are killed (then the deferred deletion frees them).
    std::map<int32_t, Dialog*> mDialogMap;
    std::vector<Dialog*> mDialogList;
    std::unique_ptr<FontEngine> mFontEngine;
    std::thread::id mMainThreadId;
    uint32_t mMainThreadTid = 0;
    bool mHidden = false;
    std::atomic<bool> mShuttingDown{false};
    bool mShutdownStarted = false;
    bool mWindowed = true;
    bool mPhysicallyWindowed = true;
    bool mChangeDesktopMode = false;
    bool mForcedFullScreen = false;
    bool mForcedWindowed = false;
    bool mInitialised = false;
    uint32_t mStartTick = 0;
    WindowId mMainWindow = 0;
    WindowId mInvisibleWindow = 0;
    bool mScreenSaverMode = false;
    bool mAllowMonitorPowerOff = true;
    bool mSystemDialogActive = false;
    std::unique_ptr<DisplayDevice> mDisplay;
    bool mAlphaDisabled = false;
    std::unique_ptr<MusicInterface> mMusicPlayer;
    bool mSettingsRead = false;
    std::string mProductVersion;
    bool mUrlOpenPending = false;
    bool mQuitAfterUrl = false;
    std::string mPendingUrl;
    int32_t mMuteCount = 0;
    int32_t mAutoMuteCount = 0;
    bool mMuteOnFocusLoss = true;
    ImageContext mImageContext;
    std::map<std::pair<std::string, std::string>, SharedImageRef> mSharedImages;
    int32_t mFrameTimeMs = 10;
    int32_t mCursorId = 0;
    std::unique_ptr<SoundManager> mSoundManager;
    CursorHandle mCustomCursorA = 0;
    CursorHandle mCustomCursorB = 0;
    std::vector<std::pair<int32_t, Widget*>> mSafeDeleteList;
    bool mActive = true;
    bool mMinimised = false;
    bool mHasFocus = true;
    bool mAutoLoading = true;
    bool mLoadingStarted = false;
    std::atomic<bool> mLoadingDone{false};
    bool mLoadingDoneHandled = false;
    bool mLoadingThrottle = false;
    std::atomic<int32_t> mLoadingDoneCount{0};
    std::atomic<int32_t> mLoadingTotalCount{0};
    std::atomic<bool> mShutdownPending{false};
    std::atomic<bool> mCursorThreadRunning{false};
    bool mRecording = false;
    bool mPlaying = false;
    bool mPlaybackEnded = false;
    int32_t mRecordKeep = 5;
    int32_t mPlayNumber = 0;
    bool mNumberedRecording = false;
    bool mNumberedPlayback = false;
    std::string mDemoPrefix = "zorbelapp";
    std::string mDemoFileName;
    int32_t mMinVideoMemoryMB = 6;
    int32_t mRecVideoMemoryMB = 14;
    std::map<std::string, std::string> mStringTable;
    std::unique_ptr<ResourceManager> mResourceManager;
    bool mLastRunClean = true;
    bool mCustomCursors = false;
    bool m3DChanged = false;
    bool mCrashRequested = false;

    // --- Main loop and frame timing ---
    double mSpeed = 1.0;
    double mPendingMs = 0;
    double mFractionCarry = 0;
    uint32_t mLastTickMs = 0;
    int32_t mStepState = 0;
    int32_t mUpdatesSinceDraw = 0;
    bool mDrawPending = true;
    bool mLastDrawSkipped = false;
    bool mPaused = false;
    int32_t mStepDepth = 0;
    int32_t mSingleStep = 0;
    int32_t mUpdateCount = 0;
    int32_t mDrawCount = 0;
    int32_t mSleepCount = 0;
    int32_t mDrawTimeMs = 0;
    int32_t mScreenBltMs = 0;
    uint32_t mLastPresentMs = 0;
    std::atomic<uint32_t> mNextDrawMs{0};
    int32_t mScreenBltTotalMs = 0;
    int32_t mDirtyCount = 0;
    double mRunSeconds = 0;
    uint32_t mVsyncCheckMs = 0;
    int32_t mVsyncFastCount = 0;
    bool mSmoothUpdates = false;
    int32_t mRefreshRate = 100;
    bool mVsyncBroken = false;
    bool mWaitForVSync = false;
    std::deque<WindowMessage> mMessageQueue;
    bool mMouseInWindow = false;
    uint32_t mLastInputMs = 0;
    bool mShowFps = false;
    bool mInsideMainLoop = false;
    bool mDrawing = false;
    bool mDisplayLost = false;
    uint32_t mLastRecoveryMs = 0;
    bool mCursorChanged = false;
    bool mCtrlDown = false;
    bool mAltDown = false;
    bool mDebugKeysOn = false;
    uint32_t mUrlOpenMs = 0;
    uint32_t mUrlTimedMs = 0;
    uint32_t mLastTimerMs = 0;
    uint32_t mLastMonitorPowerMs = 0;
    // The system screen saver as last examined.
    bool mSystemScreenSaverRunning = false;
    uint32_t mScreenSaverCheckMs = 0;
    uint32_t mScreenSaverReadMs = 0;
    int32_t mScreenSaverThresholdMs = 0;
    bool mScreenSaverEnabled = false;
    bool mScreenSaverReadOnce = false;
    // Screen-saver mode: closing has begun, the pointer where it started, and moves seen since.
    bool mSaverClosing = false;
    int32_t mSaverPointerX = -1;
    int32_t mSaverPointerY = -1;
    int32_t mSaverMoveCount = 0;
    std::array<MemoryImage*, NUM_CURSORS> mCursorImages{};
    CursorHandle mOverrideCursor = 0;
    std::array<CursorHandle, NUM_CURSORS> mSystemCursors{};
    std::atomic<int32_t> mCursorX{0};
    std::atomic<int32_t> mCursorY{0};

private:
    void CreateBuiltinCursors();
    void DestroyCursors();
    void PlaceWindow();

    // Owned stand-ins for services the platform did not lend.
    std::unique_ptr<Clock> mOwnedClock;
    std::unique_ptr<WindowSystem> mOwnedWindowSystem;
    std::unique_ptr<SettingsStore> mOwnedSettingsStore;
    Clock* mClock = nullptr;
    WindowSystem* mWindowSystem = nullptr;
    SettingsStore* mSettingsStore = nullptr;
    ErrorLog mErrorLog;
    std::thread mLoadingThread;
    std::thread mCursorThread;
    bool mHardExited = false;
};

// The single application object while it lives, else null.
extern ZorbelAppBase* gAppBase;

} // namespace Zorbel
