#pragma once

#include "framework/widget/ButtonListener.h"
#include "game/MenuButtons.h"

#include <array>
#include <cstdint>
#include <memory>

namespace Zorbel {
class Graphics;
class MemoryImage;
} // namespace Zorbel

namespace Tesserine {

class Board;
class BoardHost;

// The menu panel that slides down over a frozen picture of the board. It is no widget: the board
// updates and draws it. The menu owns the eight buttons it drives; their clicks go to the board,
// which carries them out.
class GameMenu : public Zorbel::ButtonListener {
public:
    static constexpr int32_t PanelX = 50;
    static constexpr int32_t HiddenY = -550;
    static constexpr int32_t SlideStep = 6;
    static constexpr int32_t StartDifficulty = 4;

    // Loads the panel, the title backdrop and the difficulty plates, draws the preview of picture
    // (the board's current one), and starts sliding in. The host and the board must outlive the menu.
    GameMenu(BoardHost& host, Board* board, Zorbel::MemoryImage* picture);
    ~GameMenu() override;

    void ShowMenu(int32_t difficulty);
    void StartClosing();
    void StepAnimation();
    void StartNewGame();
    void DrawMenu(Zorbel::Graphics* g);
    void DrawPreview(Zorbel::MemoryImage* picture);
    // Asks the player for a picture for the next game.
    void ChangePicture();
    void DifficultyLess();
    void DifficultyMore();
    // Switches the application to a window or to full screen and offers the way back.
    void SwitchScreenMode(bool windowed);
    // While the menu is at rest, shows the screen-mode button for the mode the application is in.
    void FollowScreenMode();
    // Right click or Escape may close the menu once it is open, unless there is no game to go back
    // to (before the first game the cancel button is hidden).
    bool CanBeDismissed() const;

    // The buttons, made when the board joins the widget manager.
    MenuButtons& GetButtons() { return mButtons; }
    const MenuButtons& GetButtons() const { return mButtons; }

    bool IsVisible() const { return mVisible; }
    bool IsAtRest() const { return mAtRest; }
    bool IsOpening() const { return mOpening; }
    int32_t GetPanelY() const { return mPanelY; }
    int32_t GetDifficulty() const { return mDifficulty; }
    Zorbel::MemoryImage* GetPanel() const { return mPanel.get(); }
    Zorbel::MemoryImage* GetBackdrop() const { return mBackdrop.get(); }
    Zorbel::MemoryImage* GetPendingPicture() const { return mPendingPicture.get(); }
    void DiscardPendingPicture();

private:
    // A new opaque picture of the board as it is now, the size of the play field.
    std::unique_ptr<Zorbel::MemoryImage> FreezeBoard();

    std::unique_ptr<Zorbel::MemoryImage> mBackdrop;
    std::array<std::unique_ptr<Zorbel::MemoryImage>, 5> mDifficultyImages;
    Board* mBoard;
    BoardHost& mHost;
    int32_t mPanelX = PanelX;
    int32_t mPanelY = HiddenY;
    bool mAtRest = false;
    bool mVisible = true;
    bool mOpening = true;
    std::unique_ptr<Zorbel::MemoryImage> mPanel;
    std::unique_ptr<Zorbel::MemoryImage> mPendingPicture;
    int32_t mDifficulty = StartDifficulty;
    MenuButtons mButtons;
};

} // namespace Tesserine
