#include "framework/app/ScreenModes.h"

#include "framework/app/DisplayDevice.h"
#include "framework/app/ExitCodes.h"
#include "framework/app/WidgetLayer.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/WindowSystem.h"

#include <algorithm>

namespace Zorbel {

ScreenModes::ScreenModes(Host& host, WindowSystem& windows, WidgetLayer& widgets)
    : mHost(host), mWindows(windows), mWidgets(widgets) {}

ScreenModes::~ScreenModes() {
    ReleaseDisplay();
    DestroyMainWindow();
}

void ScreenModes::ReleaseDisplay() {
    mDisplay.reset();
}

void ScreenModes::DestroyMainWindow() {
    if (mMainWindow) mWindows.DestroyWindow(mMainWindow);
    mMainWindow = 0;
}

void ScreenModes::MakeWindow(const WindowLook& look) {
    if (mMainWindow) {
        DestroyMainWindow();
        mWidgets.SetImage(nullptr);
    }

    WindowDesc desc;
    desc.title = look.title;
    desc.clientWidth = look.width;
    desc.clientHeight = look.height;
    if (mHost.IsPlayingDemo() || (mWindowed && !mChangeDesktopMode)) {
        desc.centred = false;
        desc.x = 64;
        desc.y = 64;
        mMainWindow = mWindows.CreateWindow(desc);
        PlaceWindow();
        mPhysicallyWindowed = true;
    } else {
        desc.fullScreen = true;
        desc.topMost = true;
        desc.visible = true;
        mMainWindow = mWindows.CreateWindow(desc);
        mPhysicallyWindowed = false;
    }

    if (!mDisplay) {
        mDisplay = mHost.MakeDisplay();
        int32_t is3D = 0;
        if (mDisplay && mHost.ReadStored3D(is3D)) mDisplay->Set3D(is3D != 0);
    }
    InitDisplay();
}

void ScreenModes::PlaceWindow() {
    PixelRect area = mWindows.WorkArea();
    PixelRect frame = mWindows.FrameRect(mMainWindow);
    int32_t x, y;
    if (mPreferredX == -1) {
        x = area.x + (area.width - frame.width) / 2;
        y = area.y + static_cast<int32_t>(0.382 * (area.height - frame.height));
    } else {
        // Kept 4 pixels inside the work area; a window too large for it keeps its left and top edge in.
        x = std::max(std::min(mPreferredX, area.x + area.width - frame.width - 4), area.x + 4);
        y = std::max(std::min(mPreferredY, area.y + area.height - frame.height - 4), area.y + 4);
    }
    mWindows.MoveWindow(mMainWindow, x, y);
}

void ScreenModes::InitDisplay() {
    uint32_t result = DisplayResult::CreateFail;
    if (mDisplay) {
        mHost.BeforeDisplayInitHook();
        mHost.FreeAllNativeCaches();
        result = mDisplay->InitDevice(mMainWindow, mPhysicallyWindowed);
        mHost.DisplayModeSet(mPhysicallyWindowed, mDisplay->GetRefreshRate());
    }
    HandleDisplayResult(result);
}

void ScreenModes::DisplayFailed(uint32_t result) {
    std::string errorText = mDisplay ? mDisplay->GetErrorText() : "no display device";
    mHost.Popup("Failed to initialize DirectDraw: " + DisplayResultText(result) + " " + errorText);
    mHost.EndProgram(EXIT_CODE_DISPLAY);
}

void ScreenModes::HandleDisplayResult(uint32_t result) {
    bool is3D = mDisplay && mDisplay->Is3D();
    if (mPhysicallyWindowed && result == DisplayResult::InvalidColorDepth) {
        if (mForcedWindowed) {
            mHost.Popup("Please set your desktop color depth to 16 bit.");
            mHost.EndProgram(EXIT_CODE_DISPLAY);
            return;
        }
        mForcedFullScreen = true;
        mHost.SwitchScreenMode(false);
        return;
    }
    if (!mPhysicallyWindowed &&
        (result == DisplayResult::ExclusiveFail || result == DisplayResult::DisplayChangeFail)) {
        mForcedWindowed = true;
        mHost.SwitchScreenMode(true);
        if (mHost.HasEnded()) return;
    } else if (result == DisplayResult::HardwareFail || (result != DisplayResult::Ok && is3D)) {
        Apply3D(false, true);
        return;
    } else if (result != DisplayResult::Ok) {
        DisplayFailed(result);
        return;
    }

    mHost.RestoredByDisplay();
    ShowDisplay();
    mWidgets.MarkAllDirty();
    mWindows.SetTimer(mMainWindow, DrawTimerId, static_cast<uint32_t>(mHost.GetFrameTimeMs()));
}

// The images come back onto the display that was set up, and the widgets draw onto its screen.
void ScreenModes::ShowDisplay() {
    mHost.RestoreAllImages();
    mWidgets.SetImage(mDisplay->GetScreenImage());
}

void ScreenModes::Apply3D(bool want3D, bool reinitialise) {
    if (!mDisplay || mDisplay->Is3D() == want3D) return;
    m3DChanged = true;
    mDisplay->Set3D(want3D);
    if (!reinitialise) return;
    mHost.BeforeDisplayInitHook();
    mHost.FreeAllTextures();
    uint32_t result = mDisplay->InitDevice(mMainWindow, mPhysicallyWindowed);
    if (result != DisplayResult::Ok) {
        if (want3D)
            Apply3D(false, true);
        else
            DisplayFailed(result);
        return;
    }
    ShowDisplay();
}

void ScreenModes::SwitchScreenMode(bool wantWindowed, bool want3D, bool force) {
    if (mForcedFullScreen) wantWindowed = false;
    if (wantWindowed == mWindowed && !force) {
        Apply3D(want3D, true);
        return;
    }
    Apply3D(want3D, false);
    mWindowed = wantWindowed;
    mHost.MakeWindow();
    if (mHost.HasEnded()) return;
    if (mHost.IsOpeningWebPage()) {
        mWindows.ShowWindow(mMainWindow, ShowCommand::ShowNoActivate);
    } else {
        mWindows.ShowWindow(mMainWindow, ShowCommand::Show);
        mWindows.RaiseWindow(mMainWindow);
    }
    mHost.WindowReplaced(mMainWindow, mWindowed);
    mWindows.SetTimer(mMainWindow, DrawTimerId, static_cast<uint32_t>(mHost.GetFrameTimeMs()));
}

void ScreenModes::SetAlphaDisabled(bool disabled) {
    if (disabled == mAlphaDisabled) return;
    mAlphaDisabled = disabled;
    if (!mDisplay) return;
    mDisplay->SetAlphaDisabled(disabled);
    mWidgets.SetImage(mDisplay->GetScreenImage());
}

void ScreenModes::ConfirmHardwareAcceleration(const std::string& titlePrefix, bool screenSaver) {
    if (!mDisplay) return;
    MessageBoxRequest request;
    request.caption = titlePrefix + " Hardware Acceleration Confirmation";
    request.style = MessageBoxStyle::YesNo | MessageBoxStyle::IconQuestion;
    bool answeredNo = false;
    if (m3DChanged) {
        int32_t stored = 0;
        bool wasStored = mHost.ReadStored3D(stored);
        if (!wasStored && mDisplay->Is3D()) {
            request.text =
                "Hardware Acceleration was switched on during this session.\r\nIf this resulted in "
                "slower performance, it should be switched off.\r\nWould you like to keep Hardware "
                "Acceleration switched on?";
            bool yes = mWindows.ShowMessageBox(0, request) == MessageBoxAnswer::Yes;
            mDisplay->Set3D(yes);
            answeredNo = !yes;
        }
        if (!answeredNo) mHost.WriteStored3D(mDisplay->Is3D() ? 1 : 0);
    }
    if (mDisplay->HadHardwareProblems() && !screenSaver && !answeredNo) {
        request.text =
            "Hardware Acceleration may not have been working correctly during this session.\r\nIf "
            "you noticed graphics problems, you may want to turn off Hardware Acceleration.\r\nWould "
            "you like to keep Hardware Acceleration switched on?";
        if (mWindows.ShowMessageBox(0, request) != MessageBoxAnswer::Yes) mHost.WriteStored3D(0);
    }
}

void ScreenModes::Present(const Rect* clip, bool active, bool minimised, uint32_t now) {
    if (!mDisplay) return;
    if (mDisplay->Redraw(clip)) {
        mDisplayLost = false;
        return;
    }
    mDisplayLost = true;
    bool mayRecover = active || (mPhysicallyWindowed && now - mLastRecoveryMs >= 1000);
    if (!mayRecover || minimised) return;
    mLastRecoveryMs = now;
    mWidgets.SetImage(nullptr);
    mHost.BeforeDisplayInitHook();
    mHost.FreeAllNativeCaches();
    uint32_t result = mDisplay->InitDevice(mMainWindow, mPhysicallyWindowed);
    if (result == DisplayResult::InvalidColorDepth && mPhysicallyWindowed) {
        if (active) {
            mForcedFullScreen = true;
            mHost.SwitchScreenMode(false);
        }
    } else if (result == DisplayResult::HardwareFail) {
        Apply3D(false, true);
    } else if (result == DisplayResult::Ok) {
        ShowDisplay();
        mWidgets.MarkAllDirty();
    }
}

} // namespace Zorbel
