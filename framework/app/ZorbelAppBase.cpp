#include "framework/app/ZorbelAppBase.h"

#include "framework/app/BuiltinCursors.h"
#include "framework/app/CommandLine.h"
#include "framework/app/DDDisplayDevice.h"
#include "framework/app/DisplayDevice.h"
#include "framework/app/MTRand.h"
#include "framework/app/WidgetManagerLayer.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/FontEngine.h"
#include "framework/platform/audio/AlsaSystemMixer.h"
#include "framework/platform/files/FileSettingsStore.h"
#include "framework/platform/files/Path.h"
#include "framework/platform/files/ProductVersion.h"
#include "framework/platform/process/SingleInstance.h"
#include "framework/platform/time/RealClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"
#include "framework/platform/window/SdlWindowSystem.h"
#include "framework/resource/ResourceManager.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/MusicInterface.h"
#include "framework/widget/Dialog.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Zorbel {

ZorbelAppBase* gAppBase = nullptr;

namespace {

// What the program entry handed over: the command line as one string and the program's own path.
std::string gCommandLine;
std::string gProgramPath;
bool gProgramInstanceSet = false;

// The window system could not be started: the application cannot run.
bool gWindowSystemMissing = false;
std::string gWindowSystemError;

constexpr const char* RuntimeDownloadAddress = "https://www.libsdl.org/";

std::string ReadOwnCommandLine() {
    std::vector<std::string> arguments;
    if (FILE* file = std::fopen("/proc/self/cmdline", "rb")) {
        std::string current;
        int c;
        while ((c = std::fgetc(file)) != EOF) {
            if (c == 0) {
                arguments.push_back(current);
                current.clear();
            } else {
                current += static_cast<char>(c);
            }
        }
        std::fclose(file);
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    return JoinCommandLine(static_cast<int>(argv.size()), argv.data());
}

std::string ReadOwnPath() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return std::string();
    return std::string(path, static_cast<size_t>(length));
}

} // namespace

void ZorbelAppBase::SetProgramInstance(int argc, const char* const* argv) {
    gCommandLine = JoinCommandLine(argc, argv);
    gProgramPath = ReadOwnPath();
    if (gProgramPath.empty() && argc > 0 && argv[0]) gProgramPath = argv[0];
    gProgramInstanceSet = true;
}

void ZorbelAppBase::SetProgramCommandLine(const std::string& commandLine) {
    if (!gProgramInstanceSet) gProgramPath = ReadOwnPath();
    gCommandLine = commandLine;
    gProgramInstanceSet = true;
}

ZorbelAppBase::ZorbelAppBase(AppPlatform platform) : mPlatform(std::move(platform)) {
    gAppBase = this;

    if (mPlatform.clock) {
        mClock = mPlatform.clock;
    } else {
        mOwnedClock = std::make_unique<RealClock>();
        mClock = mOwnedClock.get();
    }
    if (mPlatform.settingsStore) {
        mSettingsStore = mPlatform.settingsStore;
    } else {
        mOwnedSettingsStore = std::make_unique<FileSettingsStore>();
        mSettingsStore = mOwnedSettingsStore.get();
    }
    if (mPlatform.windowSystem) {
        mWindowSystem = mPlatform.windowSystem;
    } else {
        std::string error;
        std::unique_ptr<SdlWindowSystem> system = SdlWindowSystem::Create(*mClock, {}, &error);
        if (system) {
            mOwnedWindowSystem = std::move(system);
        } else {
            // Remembered for Init, which tells the user; a desktop in memory keeps everything else safe.
            gWindowSystemMissing = true;
            gWindowSystemError = error;
            mOwnedWindowSystem = std::make_unique<HeadlessWindowSystem>(*mClock);
        }
        mWindowSystem = mOwnedWindowSystem.get();
    }

    uint32_t now = mClock->Milliseconds();
    mStartTick = now;
    mLastPresentMs = now;
    mNextDrawMs = now;
    mLastInputMs = now;

    mProductVersion = GetProductVersion(gProgramInstanceSet ? gProgramPath : ReadOwnPath());

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
    mDemoFileName = mDemoPrefix + ".dmo";

    mWidgetManager = mPlatform.createWidgetLayer ? mPlatform.createWidgetLayer()
                                                 : std::make_unique<WidgetManagerLayer>(this);
    mResourceManager = std::make_unique<ResourceManager>();
}

ZorbelAppBase::~ZorbelAppBase() {
    Shutdown();

    // Hardware acceleration switched on during the run is confirmed before it is kept.
    if (m3DChanged && mDisplay && !mHardExited) {
        int32_t stored = 0;
        bool wasStored = RegistryReadInteger("Is3D", stored);
        bool answeredNo = false;
        if (!wasStored && mDisplay->Is3D()) {
            MessageBoxRequest request;
            request.caption = mTitlePrefix + " Hardware Acceleration Confirmation";
            request.text =
                "Hardware Acceleration was switched on during this session.\r\nIf this resulted in "
                "slower performance, it should be switched off.\r\nWould you like to keep Hardware "
                "Acceleration switched on?";
            request.style = MessageBoxStyle::YesNo | MessageBoxStyle::IconQuestion;
            bool yes = mWindowSystem->ShowMessageBox(0, request) == MessageBoxAnswer::Yes;
            mDisplay->Set3D(yes);
            answeredNo = !yes;
        }
        if (!answeredNo) RegistryWriteInteger("Is3D", mDisplay->Is3D() ? 1 : 0);
    }

    for (Dialog* dialog : mDialogList) {
        mWidgetManager->RemoveChild(dialog);
        delete dialog;
    }
    mDialogList.clear();
    mDialogMap.clear();

    if (mInvisibleWindow) mWindowSystem->DestroyWindow(mInvisibleWindow);
    mInvisibleWindow = 0;
    if (mWidgetManager) mWidgetManager->SetImage(nullptr);
    ProcessSafeDeleteList();
    mWidgetManager.reset();
    mFontEngine.reset();
    mResourceManager.reset();
    {
        std::recursive_mutex* lock = mDisplay ? &mDisplay->GetLock() : nullptr;
        if (lock) lock->lock();
        mSharedImages.clear();
        if (lock) lock->unlock();
    }
    mDisplay.reset();
    mMusicPlayer.reset();
    mSoundManager.reset();
    if (mMainWindow) mWindowSystem->DestroyWindow(mMainWindow);
    mMainWindow = 0;

    // The loading thread may still be inside the game's loading hook; it must finish before the object
    // it works on goes away.
    if (mLoadingThread.joinable()) mLoadingThread.join();
    if (mCursorThread.joinable()) mCursorThread.join();

    DestroyCursors();
    if (gAppBase == this) gAppBase = nullptr;
    mInstance.reset();
}

// --- Start-up ---

void ZorbelAppBase::Init() {
    mMainThreadId = std::this_thread::get_id();
    mMainThreadTid = static_cast<uint32_t>(syscall(SYS_gettid));
    if (mShuttingDown) return;

    if (gWindowSystemMissing) {
        MessageBoxRequest request;
        request.text = std::string("This application requires DirectX to run.  You can get DirectX at ") +
                       RuntimeDownloadAddress;
        request.caption = "You need DirectX";
        request.style = MessageBoxStyle::IconError;
        DebugOutput(request.text + " (" + gWindowSystemError + ")\r\n");
        mWindowSystem->ShowMessageBox(0, request);
        HardExit(0);
        return;
    }

    if (!mCommandLineDone) ParseCommandLine();
    if (Exited()) return;

    if (mScreenSaverMode) mSingleInstance = false;

    if (mSingleInstance) {
        mInstance = std::make_unique<SingleInstance>(mProductName, mPlatform.instanceFolder.empty()
                                                                       ? SingleInstance::DefaultFolder()
                                                                       : mPlatform.instanceFolder);
        mNotifyMessage = 1;
        if (!mInstance->Acquire()) {
            mInstance.reset();
            HardExit(0);
            return;
        }
    }

    std::string programPath = gProgramInstanceSet ? gProgramPath : ReadOwnPath();
    std::string directory = GetFileDir(programPath);
    if (!directory.empty() && !ChangeDirectoryHook(directory)) {
        if (chdir(directory.c_str()) != 0) DebugOutput("Cannot change to the program's folder\r\n");
    }

    mRunSeed = mClock->Milliseconds();
    SharedRandom().SRand(mRunSeed);

    if (mPlaying) {
        std::string message;
        if (!OpenDemo(message)) {
            mPlaying = false;
            Popup(message);
            HardExit(0);
            return;
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

    CreateBuiltinCursors();

    BeforeScreenSizeHook();
    mWidgetManager->SetScreenSize(mWidth, mHeight);

    if (mWindowed && !mChangeDesktopMode) {
        PixelRect area = mWindowSystem->WorkArea();
        if (mWidth >= area.width || mHeight >= area.height) mWindowed = false;
    }

    // The desktop's resolution is never changed here: full screen scales the frame instead.
    if (mChangeDesktopMode) {
        mChangeDesktopMode = false;
        mWindowed = false;
    }

    MakeWindow();
    if (Exited()) return;

    if (!mSoundManager) mSoundManager = MakeSoundManager();
    SetSfxVolume(mSfxVolume);
    mMusicPlayer = CreateMusicInterface();
    SetMusicVolume(mMusicVolume);

    if (mScreenSaverMode) {
        mCursorId = CURSOR_NONE;
        EnforceCursor();
    }

    AfterInitHook();
    mInitialised = true;
}

bool ZorbelAppBase::OpenDemo(std::string& message) {
    struct stat info;
    if (stat(mDemoFileName.c_str(), &info) != 0) {
        message = "Demo file not found: " + mDemoFileName;
        return false;
    }
    // FIXME: replaying arrives with the demo reader; until then the run goes on as a normal one rather
    // than ignoring all input.
    DebugOutput("Demo playback is not available yet: " + mDemoFileName + "\r\n");
    mPlaying = false;
    return true;
}

std::unique_ptr<MusicInterface> ZorbelAppBase::CreateMusicInterface() {
    // FIXME: real players arrive with the music back end; until then every setting gets the silent one.
    return std::make_unique<MusicInterface>();
}

void ZorbelAppBase::CreateBuiltinCursors() {
    auto make = [&](const CursorMasks& masks) {
        MaskCursor cursor;
        cursor.hotX = masks.hotX;
        cursor.hotY = masks.hotY;
        cursor.andMask.assign(masks.andMask.begin(), masks.andMask.end());
        cursor.xorMask.assign(masks.xorMask.begin(), masks.xorMask.end());
        return mWindowSystem->CreateMaskCursor(cursor);
    };
    if (!mCustomCursorA) mCustomCursorA = make(HandCursorMasks());
    if (!mCustomCursorB) mCustomCursorB = make(DraggingHandCursorMasks());
}

void ZorbelAppBase::DestroyCursors() {
    for (CursorHandle& handle : mSystemCursors) {
        if (handle) mWindowSystem->DestroyCursor(handle);
        handle = 0;
    }
    if (mCustomCursorA) mWindowSystem->DestroyCursor(mCustomCursorA);
    if (mCustomCursorB) mWindowSystem->DestroyCursor(mCustomCursorB);
    mCustomCursorA = mCustomCursorB = 0;
}

// --- Command line ---

void ZorbelAppBase::ParseCommandLine() {
    std::string line = gProgramInstanceSet ? gCommandLine : ReadOwnCommandLine();
    bool hasArguments = false;
    std::string arguments = CommandLineArguments(line, hasArguments);
    mCommandLineDone = true;
    if (hasArguments) SplitCommandLine(arguments);
}

void ZorbelAppBase::SplitCommandLine(const std::string& arguments) {
    Zorbel::SplitCommandLine(arguments, [this](const std::string& name, const std::string& value) {
        if (!Exited()) HandleCommandLineParam(name, value);
    });
}

void ZorbelAppBase::HandleCommandLineParam(const std::string& name, const std::string& value) {
    auto number = [&](int32_t fallback) {
        char* end = nullptr;
        long n = std::strtol(value.c_str(), &end, 10);
        return value.empty() || *end != 0 ? fallback : static_cast<int32_t>(n);
    };
    if (name == "-play") {
        mPlaying = true;
        mRecording = false;
    } else if (name == "-record") {
        mRecording = true;
        mPlaying = false;
    } else if (name == "-recnum") {
        mRecording = true;
        mPlaying = false;
        mNumberedRecording = true;
        int32_t keep = number(0);
        mRecordKeep = keep > 0 ? keep : 5;
    } else if (name == "-playnum") {
        mPlaying = true;
        mRecording = false;
        mNumberedPlayback = true;
        int32_t n = number(1);
        mPlayNumber = n > 0 ? n : 1;
    } else if (name == "-demofile") {
        mDemoFileName = value;
    } else if (name == "-crash") {
        // FIXME: hands over to the crash reporter once it exists.
        mCrashRequested = true;
    } else if (name == "-screensaver") {
        mScreenSaverMode = true;
    } else {
        Popup("Invalid Command Line Param: " + name);
        HardExit(0);
    }
}

// --- Window and display ---

void ZorbelAppBase::MakeWindow() {
    if (mMainWindow) {
        mWindowSystem->DestroyWindow(mMainWindow);
        mMainWindow = 0;
        mWidgetManager->SetImage(nullptr);
    }

    WindowDesc desc;
    desc.title = mWindowTitle;
    desc.clientWidth = mWidth;
    desc.clientHeight = mHeight;
    if (mPlaying || (mWindowed && !mChangeDesktopMode)) {
        desc.centred = false;
        desc.x = 64;
        desc.y = 64;
        mMainWindow = mWindowSystem->CreateWindow(desc);
        PlaceWindow();
        mPhysicallyWindowed = true;
    } else {
        desc.fullScreen = true;
        desc.topMost = true;
        desc.visible = true;
        mMainWindow = mWindowSystem->CreateWindow(desc);
        mPhysicallyWindowed = false;
    }

    if (!mDisplay) {
        if (mPlatform.createDisplay)
            mDisplay = mPlatform.createDisplay(*this);
        else
            mDisplay = std::make_unique<DDDisplayDevice>(*this);
        if (mDisplay) {
            int32_t is3D = 0;
            if (RegistryReadInteger("Is3D", is3D)) mDisplay->Set3D(is3D != 0);
        }
    }
    InitDisplay();
}

void ZorbelAppBase::PlaceWindow() {
    PixelRect area = mWindowSystem->WorkArea();
    PixelRect frame = mWindowSystem->FrameRect(mMainWindow);
    int32_t x, y;
    if (mPreferredX == -1) {
        x = area.x + (area.width - frame.width) / 2;
        y = area.y + static_cast<int32_t>(0.382 * (area.height - frame.height));
    } else {
        // Kept 4 pixels inside the work area; a window too large for it keeps its left and top edge in.
        x = std::max(std::min(mPreferredX, area.x + area.width - frame.width - 4), area.x + 4);
        y = std::max(std::min(mPreferredY, area.y + area.height - frame.height - 4), area.y + 4);
    }
    mWindowSystem->MoveWindow(mMainWindow, x, y);
}

void ZorbelAppBase::InitDisplay() {
    uint32_t result = DisplayResult::CreateFail;
    if (mDisplay) {
        BeforeDisplayInitHook();
        FreeAllNativeCaches();
        result = mDisplay->InitDevice(mMainWindow, mPhysicallyWindowed);
        mRefreshRate = mDisplay->GetRefreshRate();
        RecordDisplayMode();
    }
    HandleDisplayResult(result);
}

void ZorbelAppBase::HandleDisplayResult(uint32_t result) {
    bool is3D = mDisplay && mDisplay->Is3D();
    if (mPhysicallyWindowed && result == DisplayResult::InvalidColorDepth) {
        if (mForcedWindowed) {
            Popup("Please set your desktop color depth to 16 bit.");
            HardExit(1);
            return;
        }
        mForcedFullScreen = true;
        SwitchScreenMode(false);
        return;
    }
    if (!mPhysicallyWindowed &&
        (result == DisplayResult::ExclusiveFail || result == DisplayResult::DisplayChangeFail)) {
        mForcedWindowed = true;
        SwitchScreenMode(true);
        if (Exited()) return;
    } else if (result == DisplayResult::HardwareFail || (result != DisplayResult::Ok && is3D)) {
        Apply3D(false, true);
        return;
    } else if (result != DisplayResult::Ok) {
        std::string errorText = mDisplay ? mDisplay->GetErrorText() : "no display device";
        Popup("Failed to initialize DirectDraw: " + DisplayResultText(result) + " " + errorText);
        HardExit(1);
        return;
    }

    if (mMinimised) {
        mMinimised = false;
        if (mMuteOnFocusLoss) Unmute(true);
    }
    RestoreAllImages();
    mWidgetManager->SetImage(mDisplay->GetScreenImage());
    mWidgetManager->MarkAllDirty();
    mWindowSystem->SetTimer(mMainWindow, DrawTimerId, static_cast<uint32_t>(mFrameTimeMs));
}

void ZorbelAppBase::Apply3D(bool want3D, bool reinitialise) {
    if (!mDisplay || mDisplay->Is3D() == want3D) return;
    m3DChanged = true;
    mDisplay->Set3D(want3D);
    if (!reinitialise) return;
    BeforeDisplayInitHook();
    FreeAllTextures();
    uint32_t result = mDisplay->InitDevice(mMainWindow, mPhysicallyWindowed);
    if (result != DisplayResult::Ok) {
        if (want3D) {
            Apply3D(false, true);
        } else {
            Popup("Failed to initialize DirectDraw: " + DisplayResultText(result) + " " +
                  mDisplay->GetErrorText());
            HardExit(1);
        }
        return;
    }
    RestoreAllImages();
    mWidgetManager->SetImage(mDisplay->GetScreenImage());
}

void ZorbelAppBase::SwitchScreenMode(bool wantWindowed, bool want3D, bool force) {
    if (mForcedFullScreen) wantWindowed = false;
    if (wantWindowed == mWindowed && !force) {
        Apply3D(want3D, true);
        return;
    }
    Apply3D(want3D, false);
    mWindowed = wantWindowed;
    MakeWindow();
    if (Exited()) return;
    if (mUrlOpenPending) {
        mWindowSystem->ShowWindow(mMainWindow, ShowCommand::ShowNoActivate);
    } else {
        mWindowSystem->ShowWindow(mMainWindow, ShowCommand::Show);
        mWindowSystem->RaiseWindow(mMainWindow);
    }
    if (mSoundManager) mSoundManager->SetOwnerWindow(mMainWindow, mWindowed);
    mWindowSystem->SetTimer(mMainWindow, DrawTimerId, static_cast<uint32_t>(mFrameTimeMs));
}

void ZorbelAppBase::SwitchScreenMode(bool wantWindowed) {
    SwitchScreenMode(wantWindowed, mDisplay && mDisplay->Is3D(), false);
}

void ZorbelAppBase::SwitchScreenMode() {
    SwitchScreenMode(mWindowed, mDisplay && mDisplay->Is3D(), true);
}

void ZorbelAppBase::SetAlphaDisabled(bool disabled) {
    if (disabled == mAlphaDisabled) return;
    mAlphaDisabled = disabled;
    if (!mDisplay) return;
    mDisplay->SetAlphaDisabled(disabled);
    mWidgetManager->SetImage(mDisplay->GetScreenImage());
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
    std::recursive_mutex* lock = mDisplay ? &mDisplay->GetLock() : nullptr;
    if (lock) lock->lock();
    for (MemoryImage* image : mImageContext.LiveImages())
        image->FreeTexture();
    if (lock) lock->unlock();
}

std::unique_ptr<MemoryImage> ZorbelAppBase::GetImage(const std::string& path, bool commit) {
    std::unique_ptr<ImageLib::Image> picture = ImageLib::LoadImageFile(path, true);
    if (!picture) return nullptr;
    std::unique_ptr<MemoryImage> image =
        mDisplay ? mDisplay->CreateImage() : std::make_unique<MemoryImage>(mImageContext);
    image->SetPixels(picture->GetBits(), picture->GetWidth(), picture->GetHeight(), commit);
    return image;
}

SharedImageRef ZorbelAppBase::GetSharedImage(const std::string& path, const std::string& variant,
                                             bool* isNew) {
    std::pair<std::string, std::string> key(StringToUpper(path), StringToUpper(variant));
    std::recursive_mutex fallbackLock;
    std::recursive_mutex& lock = mDisplay ? mDisplay->GetLock() : fallbackLock;
    SharedImageRef reference;
    bool created = false;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        SharedImageRef& entry = mSharedImages[key];
        if (!entry) {
            entry = std::make_shared<SharedImage>();
            created = true;
        }
        reference = entry;
    }
    if (isNew) *isNew = created;
    if (created) {
        // Loading can take long; the lock is not held meanwhile.
        std::unique_ptr<MemoryImage> image;
        if (!path.empty() && path[0] == '!')
            image = mDisplay ? mDisplay->CreateImage() : std::make_unique<MemoryImage>(mImageContext);
        else
            image = GetImage(path, false);
        std::lock_guard<std::recursive_mutex> guard(lock);
        reference->image = std::move(image);
    }
    return reference;
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

void ZorbelAppBase::FreeUnreferencedSharedImages() {
    std::recursive_mutex fallbackLock;
    std::lock_guard<std::recursive_mutex> guard(mDisplay ? mDisplay->GetLock() : fallbackLock);
    for (auto entry = mSharedImages.begin(); entry != mSharedImages.end();) {
        if (entry->second.use_count() == 1)
            entry = mSharedImages.erase(entry);
        else
            ++entry;
    }
}

// --- Services ---

std::string ZorbelAppBase::GetString(const std::string& id) const {
    auto found = mStringTable.find(id);
    return found == mStringTable.end() ? std::string() : found->second;
}

void ZorbelAppBase::SetString(const std::string& id, const std::string& text) {
    mStringTable[id] = text;
}

bool ZorbelAppBase::CopyToClipboard(const std::string& text) {
    if (mPlaying) return false;
    return mWindowSystem->SetClipboardText(text);
}

bool ZorbelAppBase::OpenURL(const std::string& url, bool quitAfter) {
    if (mUrlOpenPending && mPendingUrl == url) return true;
    mQuitAfterUrl = quitAfter;
    mUrlOpenPending = true;
    mPendingUrl = url;
    mUrlOpenMs = Now();
    mUrlTimedMs = 0;
    mLastTimerMs = mUrlOpenMs;
    if (mWindowSystem->OpenUrl(url)) return true;
    UrlOpenFailed(url);
    return false;
}

void ZorbelAppBase::UrlOpenFailed(const std::string&) {
    mUrlOpenPending = false;
}

void ZorbelAppBase::UrlOpenSucceeded(const std::string&) {
    mUrlOpenPending = false;
    if (mQuitAfterUrl) Shutdown();
}

std::string ZorbelAppBase::GetProductVersion(const std::string& path) {
    return ReadProductVersion(path);
}

void ZorbelAppBase::HideApplication() {
    if (mMusicPlayer) mMusicPlayer->SetVolume(0);
    if (mMainWindow) mWindowSystem->ShowWindow(mMainWindow, ShowCommand::Hide);
    mHidden = true;
    EnforceCursor();
}

std::string ZorbelAppBase::GetInfoText() {
    uint32_t seconds = (Now() - mStartTick) / 1000;
    char loaded[32];
    std::snprintf(loaded, sizeof loaded, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    char thread[32];
    std::snprintf(thread, sizeof thread, "%x", static_cast<unsigned>(mMainThreadTid));
    std::string text = "Product: " + mProductName + "\r\nVersion: " + mProductVersion +
                       "\r\nTime Loaded: " + loaded +
                       "\r\nFullscreen: " + (mPhysicallyWindowed ? "No" : "Yes") +
                       "\r\nPrimary ThreadId: " + thread + "\r\n";
    if (mDisplay) text += mDisplay->GetInfoText();
    return text;
}

void ZorbelAppBase::BeginSystemDialog() {
    if (!mPhysicallyWindowed && mDisplay && mDisplay->GetScreenImage()) {
        mDisplay->ReleaseScreenForSystem();
        mSystemDialogActive = true;
    }
}

void ZorbelAppBase::EndSystemDialog() {
    if (!mPhysicallyWindowed) mSystemDialogActive = false;
    ResetStepTiming();
    mWidgetManager->ClearKeyStates();
    mCtrlDown = false;
    mAltDown = false;
}

int ZorbelAppBase::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
    if (mScreenSaverMode) {
        LogError(text);
        return MessageBoxAnswer::Ok;
    }
    BeginSystemDialog();
    MessageBoxRequest request{text, caption, flags};
    int answer = mWindowSystem->ShowMessageBox(mMainWindow, request);
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
        mWindowSystem->ShowMessageBox(mMainWindow, request);
    }
    EndSystemDialog();
}

void ZorbelAppBase::LogError(const std::string& text) {
    mErrorLog.Write(text, Now());
}

bool ZorbelAppBase::IsAltKeyUsed(int32_t c) {
    return std::tolower(static_cast<unsigned char>(c)) == 'r';
}

// --- Sound ---

std::unique_ptr<SoundManager> ZorbelAppBase::MakeSoundManager() {
    SoundServices services;
    if (!mNoSound) {
        services.output = mPlatform.openAudio ? mPlatform.openAudio() : AudioOutput::OpenDefault();
    }
    services.systemMixer =
        mPlatform.createSystemMixer ? mPlatform.createSystemMixer() : std::make_unique<AlsaSystemMixer>();
    services.clock = mClock;
    services.duplicationFailed = [this](const std::string& text) {
        if (!text.empty()) {
            MessageBoxRequest request{text, "Hey", MessageBoxStyle::Ok};
            mWindowSystem->ShowMessageBox(mMainWindow, request);
        }
        HardExit(DuplicationFailedExitCode);
    };
    return std::make_unique<DSoundManager>(std::move(services), mUseFmodMusic);
}

void ZorbelAppBase::PlaySample(int32_t id, int32_t pan) {
    if (!mSoundManager) return;
    if (SoundInstance* sound = mSoundManager->CreateInstance(id)) {
        sound->SetBalance(pan);
        sound->PlayInstance(false, true);
    }
}

void ZorbelAppBase::PlaySample(int32_t id) {
    if (!mSoundManager) return;
    if (SoundInstance* sound = mSoundManager->CreateInstance(id)) sound->PlayInstance(false, true);
}

double ZorbelAppBase::GetMasterVolume() {
    return mSoundManager ? mSoundManager->GetSystemVolume() : 0.0;
}

void ZorbelAppBase::SetMasterVolume(double volume) {
    mSfxVolume = volume;
    if (mSoundManager) mSoundManager->SetSystemVolume(volume);
}

void ZorbelAppBase::SetMusicVolume(double volume) {
    mMusicVolume = volume;
    if (mMusicPlayer) mMusicPlayer->SetVolume(mMuteCount > 0 ? 0.0 : volume);
}

void ZorbelAppBase::SetSfxVolume(double volume) {
    mSfxVolume = volume;
    if (mSoundManager) mSoundManager->SetMasterLevel(mMuteCount > 0 ? 0.0 : volume);
}

void ZorbelAppBase::ApplyVolumes() {
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void ZorbelAppBase::Mute(bool autoMute) {
    ++mMuteCount;
    if (autoMute) ++mAutoMuteCount;
    ApplyVolumes();
}

void ZorbelAppBase::Unmute(bool autoMute) {
    if (mMuteCount <= 0) return;
    --mMuteCount;
    // An automatic unmute without its mute (a restore seen twice) must not count the player's own mutes
    // as automatic ones.
    if (autoMute && mAutoMuteCount > 0) --mAutoMuteCount;
    ApplyVolumes();
}

double ZorbelAppBase::GetLoadingProgress() {
    if (mLoadingDoneHandled) return 1.0;
    if (!mLoadingStarted) return 0.0;
    int32_t total = mLoadingTotalCount;
    if (total <= 0) return 0.0;
    return std::min(1.0, static_cast<double>(mLoadingDoneCount) / total);
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

    if (mCursorThread.joinable()) mCursorThread.join();
    if (mMusicPlayer) mMusicPlayer->StopAllMusic();
    if (!mPhysicallyWindowed && mDisplay) mDisplay->ReleaseScreenForSystem();
    if (mMainWindow) mWindowSystem->ShowWindow(mMainWindow, ShowCommand::Hide);
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

uint32_t ZorbelAppBase::Now() {
    return mClock->Milliseconds();
}

void ZorbelAppBase::DebugOutput(const std::string& text) {
    std::fputs(text.c_str(), stderr);
}

bool ZorbelAppBase::IsMainThread() const {
    return std::this_thread::get_id() == mMainThreadId;
}

} // namespace Zorbel
