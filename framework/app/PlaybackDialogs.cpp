#include "framework/app/PlaybackDialogs.h"

#include "framework/app/AppSettings.h"
#include "framework/app/CursorController.h"
#include "framework/app/DemoSession.h"
#include "framework/app/JumpToTimeDialog.h"
#include "framework/app/MarkerListDialog.h"
#include "framework/app/StepClock.h"
#include "framework/app/WidgetLayer.h"
#include "framework/widget/WidgetHost.h"

#include <algorithm>

namespace Zorbel {

PlaybackDialogs::PlaybackDialogs(const Parts& parts)
    : mHost(parts.host), mWidgets(parts.widgets), mDemo(parts.demo), mSettings(parts.settings),
      mCursor(parts.cursor), mClock(parts.clock), mDialogs(parts.widgets, *this) {}

PlaybackDialogs::~PlaybackDialogs() {
    if (mHolding) mDemo.SetHeld(false);
}

void PlaybackDialogs::SafeDeleteWidget(Widget* widget) {
    mHost.SafeDeleteWidget(widget);
}

Dialog* PlaybackDialogs::GetOpenDialog() const {
    return mOpen != 0 ? mDialogs.Get(mOpen) : nullptr;
}

void PlaybackDialogs::ShowJumpToTime(const std::string& settingsKey, int32_t screenWidth,
                                     int32_t screenHeight) {
    if (mHolding || !mDemo.IsPlaying()) return;
    // The time is the player's own, not the recording's: it bypasses the demo both ways.
    std::string time;
    (void)mSettings.ReadStringDirect(settingsKey, JumpTimeValue, time, MaxJumpTimeBytes);
    auto jump = [this, settingsKey](const std::string& text) {
        (void)mSettings.WriteStringDirect(settingsKey, JumpTimeValue, text);
        mDemo.JumpBackFromEnd(text);
    };
    auto* dialog = new JumpToTimeDialog(&mHost, JumpToTimeId, time, jump, [this] { Close(); });
    Open(JumpToTimeId, dialog, screenWidth / 2, screenWidth, screenHeight);
    dialog->FocusBody();
}

void PlaybackDialogs::ShowMarkerList(int32_t screenWidth, int32_t screenHeight) {
    if (mHolding || !mDemo.IsPlaying()) return;
    MarkerListDialog::Playback playback{mDemo.GetMarkers(), mClock.GetUpdateCount(), mDemo.GetDemoLength(),
                                        mClock.GetFrameTimeMs()};
    auto* dialog = new MarkerListDialog(
        &mHost, MarkerListId, playback, [this](int32_t step) { mDemo.JumpTo(step); }, [this] { Close(); });
    // Wide enough for the longest entry, as far as the screen allows.
    int32_t width =
        std::clamp(dialog->GetPreferredWidth(), screenWidth / 2, std::max(screenWidth / 2, screenWidth - 16));
    Open(MarkerListId, dialog, width, screenWidth, screenHeight);
    dialog->FocusBody();
}

void PlaybackDialogs::Open(int32_t id, Dialog* dialog, int32_t width, int32_t screenWidth,
                           int32_t screenHeight) {
    if (WidgetManager* manager = mWidgets.GetManager()) {
        mKeyStates = manager->GetKeyStates();
        mPointer = manager->GetLastMousePosition();
        mPointerIn = manager->IsMouseIn();
    }
    mCursorId = mCursor.GetCursorId();
    mDemo.SetHeld(true);
    mHolding = true;
    mOpen = id;
    dialog->Resize((screenWidth - width) / 2, screenHeight / 5, width, dialog->GetPreferredHeight(width));
    mDialogs.Add(id, dialog, screenWidth, screenHeight);
    // The player points with the system's own arrow while the dialog is open.
    mHost.SetCursor(CursorController::CURSOR_POINTER);
}

void PlaybackDialogs::Close() {
    if (mOpen == 0) return;
    int32_t id = mOpen;
    mOpen = 0;
    mDialogs.Kill(id);
}

void PlaybackDialogs::Settle() {
    if (!mHolding || mOpen != 0) return;
    mHolding = false;
    mDemo.SetHeld(false);
    // The time the dialog was open is not caught up.
    mClock.ResetTiming();
    // The widgets under the replayed pointer see it again where the recording left it.
    if (WidgetManager* manager = mWidgets.GetManager()) {
        manager->SetKeyStates(mKeyStates);
        if (mPointerIn)
            manager->MouseMove(mPointer.x, mPointer.y);
        else
            manager->MouseLeftWindow(mPointer.x, mPointer.y);
    }
    mCursor.SetPointer(mPointer.x, mPointer.y);
    mHost.SetCursor(mCursorId);
}

} // namespace Zorbel
