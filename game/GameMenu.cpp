#include "game/GameMenu.h"

#include "framework/app/DisplayDevice.h"
#include "framework/app/ZorbelAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/FileChooser.h"
#include "framework/widget/ButtonWidget.h"
#include "game/Board.h"

#include <unistd.h>

namespace Tesserine {

using Zorbel::ButtonWidget;
using Zorbel::Graphics;
using Zorbel::MemoryImage;

namespace {

// The buttons that ride on the panel.
constexpr int32_t PanelButtons[] = {Board::BUTTON_QUIT,
                                    Board::BUTTON_CANCEL,
                                    Board::BUTTON_NEW_GAME,
                                    Board::BUTTON_DIFFICULTY_MORE,
                                    Board::BUTTON_DIFFICULTY_LESS,
                                    Board::BUTTON_CHANGE_IMAGE};

} // namespace

GameMenu::GameMenu(Zorbel::ZorbelAppBase* app, Board* board, MemoryImage* picture)
    : mBoard(board), mApp(app) {
    mPanel = board->LoadBoardImage("images/menuBack");
    DrawPreview(picture);
    mBackdrop = board->LoadBoardImage("images/tesserine");
    for (int32_t n = 3; n <= 7; ++n)
        mDifficultyImages[static_cast<size_t>(n - 3)] =
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
    Zorbel::DisplayDevice* display = mApp->GetDisplay();
    if (display == nullptr) return nullptr;
    std::unique_ptr<MemoryImage> frozen = display->CreateImage();
    frozen->SetSize(800, 600);
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
    ShowPanelButtons(true);
}

void GameMenu::StartClosing() {
    mAtRest = false;
    mOpening = false;
    for (int32_t id : PanelButtons)
        if (ButtonWidget* button = mBoard->GetButton(id)) button->SetDisabled(true);
    for (int32_t id : {Board::BUTTON_FULL_SCREEN, Board::BUTTON_WINDOW})
        if (ButtonWidget* button = mBoard->GetButton(id)) button->SetVisible(false);
}

void GameMenu::StepAnimation() {
    if (mOpening) {
        mPanelY += SlideStep;
        if (mPanelY < 0) {
            MovePanelButtons(SlideStep);
            return;
        }
        const int32_t overshoot = mPanelY;
        mPanelY = 0;
        mAtRest = true;
        EnablePanelButtons();
        MovePanelButtons(SlideStep - overshoot);
        return;
    }
    const int32_t oldY = mPanelY;
    mPanelY -= SlideStep;
    if (mPanelY > HiddenY) {
        MovePanelButtons(-SlideStep);
        return;
    }
    MovePanelButtons(HiddenY - oldY);
    mPanelY = HiddenY;
    mAtRest = false;
    mVisible = false;
    ShowPanelButtons(false);
}

void GameMenu::EnablePanelButtons() {
    for (int32_t id :
         {Board::BUTTON_NEW_GAME, Board::BUTTON_CANCEL, Board::BUTTON_QUIT, Board::BUTTON_CHANGE_IMAGE})
        if (ButtonWidget* button = mBoard->GetButton(id)) button->SetDisabled(false);
    if (ButtonWidget* more = mBoard->GetButton(Board::BUTTON_DIFFICULTY_MORE))
        more->SetDisabled(mDifficulty >= 7);
    if (ButtonWidget* less = mBoard->GetButton(Board::BUTTON_DIFFICULTY_LESS))
        less->SetDisabled(mDifficulty <= 3);
    if (mApp->IsForcedFullScreen()) return;
    ButtonWidget* fullScreen = mBoard->GetButton(Board::BUTTON_FULL_SCREEN);
    ButtonWidget* window = mBoard->GetButton(Board::BUTTON_WINDOW);
    if (fullScreen != nullptr && mApp->IsWindowed()) fullScreen->SetVisible(true);
    if (window != nullptr && !mApp->IsWindowed()) window->SetVisible(true);
}

void GameMenu::MovePanelButtons(int32_t dy) {
    for (int32_t id : PanelButtons) {
        ButtonWidget* button = mBoard->GetButton(id);
        if (button == nullptr) continue;
        const Zorbel::Rect rect = button->GetRect();
        button->Move(rect.x, rect.y + dy);
    }
}

void GameMenu::ShowPanelButtons(bool visible) {
    for (int32_t id : PanelButtons)
        if (ButtonWidget* button = mBoard->GetButton(id)) button->SetVisible(visible);
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
    if (mDifficulty >= 3 && mDifficulty <= 7)
        g->PaintImage(mDifficultyImages[static_cast<size_t>(mDifficulty - 3)].get(), 359, mPanelY + 168);
}

void GameMenu::DifficultyLess() {
    --mDifficulty;
    if (ButtonWidget* less = mBoard->GetButton(Board::BUTTON_DIFFICULTY_LESS); less && mDifficulty <= 3)
        less->SetDisabled(true);
    if (ButtonWidget* more = mBoard->GetButton(Board::BUTTON_DIFFICULTY_MORE)) more->SetDisabled(false);
}

void GameMenu::DifficultyMore() {
    ++mDifficulty;
    if (ButtonWidget* more = mBoard->GetButton(Board::BUTTON_DIFFICULTY_MORE); more && mDifficulty > 6)
        more->SetDisabled(true);
    if (ButtonWidget* less = mBoard->GetButton(Board::BUTTON_DIFFICULTY_LESS)) less->SetDisabled(false);
}

void GameMenu::ChangePicture() {
    // The chooser may change the working directory, against which every picture path is read.
    char folder[4096];
    const bool haveFolder = getcwd(folder, sizeof folder) != nullptr;

    Zorbel::FileChooserRequest request;
    request.title = "Choose Image to Load";
    request.filter.description = "Images";
    request.filter.patterns = {"*.jpg", "*.png", "*.tga", "*.gif"};
    mApp->BeginSystemDialog();
    Zorbel::FileChooserResult result = Zorbel::FileChooserResult::Unavailable();
    if (Zorbel::FileChooser* chooser = mBoard->GetChooser()) result = chooser->ChooseFileToOpen(request);
    if (result.outcome == Zorbel::FileChooserOutcome::Chosen) {
        mPendingPicture = mBoard->LoadScaledImage(result.path, 800, 600);
        if (mPendingPicture) DrawPreview(mPendingPicture.get());
    }
    mApp->EndSystemDialog();
    if (haveFolder && chdir(folder) != 0) mApp->LogError("Could not return to the program folder");
    if (result.outcome == Zorbel::FileChooserOutcome::Unavailable)
        mApp->Popup("No file chooser is available on this desktop. Install zenity or kdialog, or a desktop "
                    "portal, to choose your own pictures.");
}

} // namespace Tesserine
