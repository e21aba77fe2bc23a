#pragma once

#include "framework/app/DialogRegistry.h"
#include "framework/graphics/Rect.h"
#include "framework/widget/WidgetManager.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {

class AppSettings;
class CursorController;
class DemoSession;
class Dialog;
class StepClock;
class WidgetHost;
class WidgetLayer;

// The dialogs of the playback keys "J" and "L": "Jump To Time" and "Marker List", modal dialogs in
// the game's widget tree, kept apart from the application's own dialogs and hooks. While one is open
// the replay holds (DemoSession::SetHeld): the recorded input waits and no update step runs, while the
// player's own keys and clicks reach the dialog. Closing it puts back what that input changed in the
// widget manager (the held keys, the pointer over the widgets, the cursor), so that the replay goes
// on as recorded: from where it stood, or to the jump target that was chosen.
class PlaybackDialogs : private DialogRegistry::Hooks {
public:
    static constexpr int32_t JumpToTimeId = 1;
    static constexpr int32_t MarkerListId = 2;
    // The settings value that remembers the last time jumped to, and how much of it is read.
    static constexpr const char* JumpTimeValue = "DemoJumpTime";
    static constexpr size_t MaxJumpTimeBytes = 1000;

    // Everything given must outlive the dialogs.
    struct Parts {
        WidgetHost& host;
        WidgetLayer& widgets;
        DemoSession& demo;
        AppSettings& settings;
        CursorController& cursor;
        StepClock& clock;
    };

    explicit PlaybackDialogs(const Parts& parts);
    PlaybackDialogs(const PlaybackDialogs&) = delete;
    PlaybackDialogs& operator=(const PlaybackDialogs&) = delete;
    ~PlaybackDialogs() override;

    // Open the dialog over a screen of the given size; nothing happens while one is open already.
    // The jump time is kept below the application's settings key.
    void ShowJumpToTime(const std::string& settingsKey, int32_t screenWidth, int32_t screenHeight);
    void ShowMarkerList(int32_t screenWidth, int32_t screenHeight);
    bool IsOpen() const { return mOpen != 0; }
    // A dialog is open, or closed and not yet settled.
    bool IsHolding() const { return mHolding; }
    // The open dialog, or null.
    Dialog* GetOpenDialog() const;
    // Closes the open dialog (without an answer, unless it gave one). The replay holds on until
    // Settle, so that the rest of the player's input to the dialog (the release of the click that
    // closed it) is still the dialog's.
    void Close();
    // After a dialog closed: puts the widget manager's input state back and lets the replay go on.
    // The main loop calls it before it carries out recorded input.
    void Settle();

private:
    // DialogRegistry::Hooks: the application's modal hooks belong to its own dialogs.
    void ModalOpenHook() override {}
    void ModalCloseHook() override {}
    void SafeDeleteWidget(Widget* widget) override;

    // Centres the dialog at a fifth of the screen's height, shows it and holds the replay.
    void Open(int32_t id, Dialog* dialog, int32_t width, int32_t screenWidth, int32_t screenHeight);

    WidgetHost& mHost;
    WidgetLayer& mWidgets;
    DemoSession& mDemo;
    AppSettings& mSettings;
    CursorController& mCursor;
    StepClock& mClock;
    DialogRegistry mDialogs;
    int32_t mOpen = 0;
    bool mHolding = false;

    // The widget manager's input state before the dialog, put back after it.
    std::array<bool, WidgetManager::KeyCount> mKeyStates{};
    Point mPointer;
    bool mPointerIn = false;
    int32_t mCursorId = 0;
};

} // namespace Zorbel
