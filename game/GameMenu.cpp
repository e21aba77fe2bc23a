#include "game/GameMenu.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/FileChooser.h"
#include "game/Board.h"
#include "game/BoardHost.h"
#include "game/PuzzleModel.h"

#include <unistd.h>

namespace Tesserine {

using Zorbel::Graphics;
using Zorbel::MemoryImage;

GameMenu::GameMenu(BoardHost& host, Board* board, MemoryImage* picture) : mBoard(board), mHost(host) {
    mPanel = board->LoadBoardImage("images/menuBack");
    DrawPreview(picture);
    mBackdrop = board->LoadBoardImage("images/tesserine");
    for (int32_t n = PuzzleModel::MinDifficulty; n <= PuzzleModel::MaxDifficulty; ++n)
        mDifficultyImages[static_cast<size_t>(n - PuzzleModel::MinDifficulty)] =
            board->LoadBoardImage("images/difficulty" + std::to_string(n));
}

GameMenu::~GameMenu() = default;

void GameMenu::DiscardPendingPicture() {
    mPendingPicture.reset();
}

void GameMenu::DrawPreview(MemoryImage* picture) {
    if (!mPanel) return;
    Graphics g(mPanel.get());
    g.PaintFrame(295, 244, 101, 76);
    // Drawn three times over, so that a picture with soft edges still covers the frame's inside.
    for (int i = 0; i < 3; ++i)
        g.PaintImageScaled(picture, 296, 245, 100, 75);
}

std::unique_ptr<MemoryImage> GameMenu::FreezeBoard() {
    std::unique_ptr<MemoryImage> frozen = mHost.CreateImage();
    if (!frozen) return nullptr;
    frozen->SetSize(PuzzleModel::FieldWidth, PuzzleModel::FieldHeight);
    frozen->ForceAlphaFlags(false, false);
    // While the menu is marked invisible the board draws the puzzle, not the menu.
    const bool visible = mVisible;
    mVisible = false;
    Graphics g(frozen.get());
    mBoard->Draw(&g);
    mVisible = visible;
    return frozen;
}

void GameMenu::ShowMenu(int32_t difficulty) {
    mDifficulty = difficulty;
    mOpening = true;
    mBackdrop = FreezeBoard();
    mVisible = true;
    mButtons.ShowPanel(true);
}

void GameMenu::StartClosing() {
    mAtRest = false;
    mOpening = false;
    mButtons.DisablePanel();
    mButtons.HideScreenModeButtons();
}

bool GameMenu::CanBeDismissed() const {
    return mAtRest && mButtons.IsCancelVisible();
}

void GameMenu::StepAnimation() {
    if (mOpening) {
        mPanelY += SlideStep;
        if (mPanelY < 0) {
            mButtons.MovePanel(SlideStep);
            return;
        }
        const int32_t overshoot = mPanelY;
        mPanelY = 0;
        mAtRest = true;
        mButtons.EnableAtRest(mDifficulty);
        if (!mHost.IsForcedFullScreen()) mButtons.ShowScreenModeButton(mHost.IsWindowed());
        mButtons.MovePanel(SlideStep - overshoot);
        return;
    }
    const int32_t oldY = mPanelY;
    mPanelY -= SlideStep;
    if (mPanelY > HiddenY) {
        mButtons.MovePanel(-SlideStep);
        return;
    }
    mButtons.MovePanel(HiddenY - oldY);
    mPanelY = HiddenY;
    mAtRest = false;
    mVisible = false;
    mButtons.ShowPanel(false);
}

void GameMenu::StartNewGame() {
    mBoard->ClearBoard();
    mBoard->NewGame(mDifficulty, std::move(mPendingPicture));
    mBackdrop = FreezeBoard();
    mVisible = true;
    StartClosing();
}

void GameMenu::DrawMenu(Graphics* g) {
    g->PaintImage(mBackdrop.get(), 0, 0);
    g->PaintImage(mPanel.get(), mPanelX, mPanelY);
    if (mDifficulty >= PuzzleModel::MinDifficulty && mDifficulty <= PuzzleModel::MaxDifficulty)
        g->PaintImage(mDifficultyImages[static_cast<size_t>(mDifficulty - PuzzleModel::MinDifficulty)].get(),
                      359, mPanelY + 168);
}

void GameMenu::DifficultyLess() {
    --mDifficulty;
    mButtons.DifficultyLowered(mDifficulty);
}

void GameMenu::DifficultyMore() {
    ++mDifficulty;
    mButtons.DifficultyRaised(mDifficulty);
}

void GameMenu::SwitchScreenMode(bool windowed) {
    mHost.SwitchScreenMode(windowed);
    // The application may refuse the mode; the button offers the way out of the one it is in.
    mButtons.ShowScreenModeButton(mHost.IsWindowed());
}

void GameMenu::FollowScreenMode() {
    // The mode also changes behind the menu's back (Alt+Enter), so the button follows what it is.
    if (mVisible && mAtRest && !mHost.IsForcedFullScreen()) mButtons.ShowScreenModeButton(mHost.IsWindowed());
}

void GameMenu::ChangePicture() {
    // The chooser may change the working directory, against which every picture path is read.
    char folder[4096];
    const bool haveFolder = getcwd(folder, sizeof folder) != nullptr;

    Zorbel::FileChooserRequest request;
    request.title = "Choose Image to Load";
    request.filter.description = "Images";
    request.filter.patterns = {"*.jpg", "*.png", "*.tga", "*.gif"};
    mHost.BeginSystemDialog();
    Zorbel::FileChooserResult result = mHost.ChooseFileToOpen(request);
    if (result.outcome == Zorbel::FileChooserOutcome::Chosen) {
        // A picture that fails leaves the one chosen before, and its preview, as they were.
        if (std::unique_ptr<MemoryImage> chosen = mBoard->LoadChosenPicture(result.path)) {
            mPendingPicture = std::move(chosen);
            DrawPreview(mPendingPicture.get());
        }
    }
    mHost.EndSystemDialog();
    if (haveFolder && chdir(folder) != 0) mHost.LogError("Could not return to the program folder");
    if (result.outcome == Zorbel::FileChooserOutcome::Unavailable)
        mHost.Notice("No file chooser is available on this desktop. Install zenity or kdialog, or a desktop "
                     "portal, to choose your own pictures.");
}

} // namespace Tesserine
