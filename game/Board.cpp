#include "game/Board.h"

#include "framework/app/CursorController.h"
#include "framework/app/MTRand.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/VirtualKey.h"
#include "framework/widget/ButtonWidget.h"
#include "framework/widget/WidgetManager.h"
#include "game/BoardHost.h"
#include "game/GameMenu.h"

namespace Tesserine {

using Zorbel::Color;
using Zorbel::CursorController;
using Zorbel::Graphics;
using Zorbel::MemoryImage;

namespace {

constexpr const char* BorderFiles[] = {"images/border2", "images/border_valid", "images/border_select"};

// Division that rounds toward minus infinity, so that points left of or above the board fall
// outside the grid rather than into its first column or row.
int32_t FloorDiv(int32_t a, int32_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

Board::Board(BoardHost& host) : mHost(host), mModel(Zorbel::SharedRandom()) {
    mPicture = LoadScaledImage("images/quibBG", PuzzleModel::FieldWidth, PuzzleModel::FieldHeight);
    mMenu = std::make_unique<GameMenu>(host, this, mPicture.get());
    mCompleteBottom = LoadBoardImage("images/PuzzleCompleteBottom");
    mCompleteTop = LoadBoardImage("images/PuzzleCompleteTop");
}

Board::~Board() = default;

std::unique_ptr<MemoryImage> Board::LoadBoardImage(const std::string& path) {
    std::unique_ptr<MemoryImage> image = mHost.LoadImage(path);
    if (!image) {
        mHost.Popup("There was an error loading the file: " + path);
        mHost.Quit();
        return nullptr;
    }
    // Pictures with at most 256 colours take a quarter of the memory; richer ones stay as they are.
    (void)image->ConvertToPalette();
    return image;
}

std::unique_ptr<MemoryImage> Board::LoadScaledImage(const std::string& path, int32_t width, int32_t height) {
    std::unique_ptr<MemoryImage> loaded = LoadBoardImage(path);
    return loaded ? Scaled(*loaded, width, height) : nullptr;
}

std::unique_ptr<MemoryImage> Board::LoadChosenPicture(const std::string& path) {
    std::unique_ptr<MemoryImage> loaded =
        mHost.LoadPictureForDisplay(path, PuzzleModel::FieldWidth, PuzzleModel::FieldHeight);
    if (!loaded) {
        // Only the game's own pictures are vital; without the player's the game goes on as it was.
        mHost.Notice("There was an error loading the file: " + path);
        return nullptr;
    }
    return Scaled(*loaded, PuzzleModel::FieldWidth, PuzzleModel::FieldHeight);
}

std::unique_ptr<MemoryImage> Board::Scaled(MemoryImage& picture, int32_t width, int32_t height) {
    std::unique_ptr<MemoryImage> scaled = mHost.CreateImage();
    if (!scaled) return nullptr;
    scaled->SetSize(width, height);
    Graphics g(scaled.get());
    g.PaintImageScaled(&picture, 0, 0, width, height);
    return scaled;
}

Zorbel::ButtonWidget* Board::GetButton(int32_t id) const {
    return mMenu->GetButtons().Get(id);
}

void Board::AttachedToManager(Zorbel::WidgetManager* manager) {
    Widget::AttachedToManager(manager);
    mMenu->GetButtons().Create(this, [this](const std::string& path) { return LoadBoardImage(path); });
    mMenu->GetButtons().AddTo(*manager);
    manager->GiveFocus(this);
}

void Board::DetachedFromManager(Zorbel::WidgetManager* manager) {
    Widget::DetachedFromManager(manager);
    mMenu->GetButtons().RemoveFrom(*manager);
}

void Board::NewGame(int32_t n, std::unique_ptr<MemoryImage> picture) {
    mN = n;
    mCompleted = false;
    mCompletionTimer = 0;
    mCompletionHold = 0;
    mModel.NewGame(n, this);
    mHoverIndex = 0;
    mSliding = false;
    mSlideDir = mSlideTarget = mSlideValue = mSlideX = mSlideY = mSlideToIndex = 0;
    mPulse = 0;
    mPulseStep = 1;
    mPeeking = false;
    for (size_t i = 0; i < mBorders.size(); ++i)
        mBorders[i] = LoadScaledImage(BorderFiles[i], mModel.TileWidth(), mModel.TileHeight());
    if (picture) mPicture = std::move(picture);
    if (mPicture) mPicture->SetCelGrid(n, n);
}

void Board::ClearBoard() {
    for (auto& border : mBorders)
        border.reset();
    mModel.Clear();
}

void Board::KeyDown(int32_t keyCode) {
    Widget::KeyDown(keyCode);
    switch (keyCode) {
        case Zorbel::VirtualKey::Escape:
            MouseDown(0, 0, -1);
            break;
        case Zorbel::VirtualKey::Space:
            if (CanMove()) mPeeking = true;
            break;
        case Zorbel::VirtualKey::Left:
        case Zorbel::VirtualKey::Up:
        case Zorbel::VirtualKey::Right:
        case Zorbel::VirtualKey::Down:
            if (CanMove()) {
                const int32_t index = TileForArrow(keyCode);
                if (index >= 0) StartSlide(index);
            }
            break;
        default:
            break;
    }
}

void Board::KeyUp(int32_t keyCode) {
    Widget::KeyUp(keyCode);
    if (keyCode == Zorbel::VirtualKey::Space) mPeeking = false;
}

bool Board::CanMove() const {
    return mModel.HasGrid() && !mMenu->IsVisible() && !mSliding && !mCompleted && !mPeeking;
}

int32_t Board::TileForArrow(int32_t keyCode) const {
    int32_t gap = -1;
    for (int32_t i = 0; i < mModel.CellCount() && gap < 0; ++i)
        if (mModel.TileAt(i).value == 0) gap = i;
    if (gap < 0) return -1;
    // The arrow points the way the tile goes: Left takes the tile right of the gap, and so on.
    const int32_t row = gap / mN, column = gap % mN;
    switch (keyCode) {
        case Zorbel::VirtualKey::Left:
            return column + 1 < mN ? gap + 1 : -1;
        case Zorbel::VirtualKey::Right:
            return column > 0 ? gap - 1 : -1;
        case Zorbel::VirtualKey::Up:
            return row + 1 < mN ? gap + mN : -1;
        default:
            return row > 0 ? gap - mN : -1;
    }
}

void Board::MouseMove(int32_t x, int32_t y) {
    // While the finished picture is shown the board keeps its state, so that it comes back unchanged.
    if (mMenu->IsVisible() || !mModel.HasGrid() || mPeeking) return;
    const int32_t previous = mHoverIndex;
    const int32_t column = FloorDiv(x, mModel.TileWidth());
    const int32_t row = FloorDiv(y, mModel.TileHeight());
    if (column >= 0 && column < mN && row >= 0 && row < mN) mHoverIndex = row * mN + column;
    if (mSliding || mCompleted) return;
    Tile& hovered = mModel.TileAt(mHoverIndex);
    if (hovered.moveDir > 0) {
        hovered.highlight = Tile::HIGHLIGHT_HOVERED;
        mHost.SetCursor(CursorController::CURSOR_DRAGGING);
    } else {
        mHost.SetCursor(CursorController::CURSOR_POINTER);
    }
    if (mHoverIndex != previous && mModel.TileAt(previous).moveDir > 0)
        mModel.TileAt(previous).highlight = Tile::HIGHLIGHT_MOVABLE;
}

void Board::MouseDown(int32_t x, int32_t y, int32_t clickCount) {
    Widget::MouseDown(x, y, clickCount);
    if (clickCount <= 0) {
        if (mMenu->IsVisible()) {
            if (mMenu->CanBeDismissed()) mMenu->StartClosing();
        } else if (!mSliding) {
            mPeeking = false;
            mMenu->ShowMenu(mN);
            mMenu->DrawPreview(mPicture.get());
            mMenu->DiscardPendingPicture();
            mHost.SetCursor(CursorController::CURSOR_POINTER);
        }
        return;
    }
    if (mSliding || mCompleted || mMenu->IsVisible() || !mModel.HasGrid() || mPeeking) return;
    if (mModel.TileAt(mHoverIndex).moveDir < 1) return;
    StartSlide(mHoverIndex);
}

void Board::StartSlide(int32_t index) {
    Tile& tile = mModel.TileAt(index);
    const int32_t tileW = mModel.TileWidth(), tileH = mModel.TileHeight();
    const int32_t row = index / mN, column = index % mN;
    mSliding = true;
    mHost.SetCursor(CursorController::CURSOR_POINTER);
    mSlideValue = tile.value;
    tile.value = 0;
    mSlideDir = tile.moveDir;
    mSlideX = tileW * column;
    mSlideY = tileH * row;
    switch (mSlideDir) {
        case Tile::MOVE_UP:
            mSlideToIndex = index - mN;
            mSlideTarget = tileH * (row - 1);
            break;
        case Tile::MOVE_RIGHT:
            mSlideToIndex = index + 1;
            mSlideTarget = tileW * (column + 1);
            break;
        case Tile::MOVE_DOWN:
            mSlideToIndex = index + mN;
            mSlideTarget = tileH * (row + 1);
            break;
        default:
            mSlideToIndex = index - 1;
            mSlideTarget = tileW * (column - 1);
            break;
    }
    for (const auto& t : mModel.Tiles())
        t->highlight = Tile::HIGHLIGHT_PLAIN;
}

void Board::Update() {
    if (!mHost.HasFocus()) return;
    Widget::Update();
    if (mMenu->IsVisible()) {
        if (!mMenu->IsAtRest()) mMenu->StepAnimation();
        mMenu->FollowScreenMode();
    } else {
        if (mSliding) AdvanceSlide();
        // The board stands still behind the finished picture.
        if (!mPeeking) AdvancePulse();
    }
    AdvanceCompletion();
    Invalidate();
}

void Board::AdvanceSlide() {
    bool ended = false;
    switch (mSlideDir) {
        case Tile::MOVE_UP:
            mSlideY -= SlideSpeed;
            ended = mSlideTarget >= mSlideY;
            if (ended) mSlideY = mSlideTarget;
            break;
        case Tile::MOVE_RIGHT:
            mSlideX += SlideSpeed;
            ended = mSlideX >= mSlideTarget;
            if (ended) mSlideX = mSlideTarget;
            break;
        case Tile::MOVE_DOWN:
            mSlideY += SlideSpeed;
            ended = mSlideY >= mSlideTarget;
            if (ended) mSlideY = mSlideTarget;
            break;
        default:
            mSlideX -= SlideSpeed;
            ended = mSlideTarget >= mSlideX;
            if (ended) mSlideX = mSlideTarget;
            break;
    }
    if (ended) FinishSlide();
}

void Board::FinishSlide() {
    mSliding = false;
    mModel.TileAt(mSlideToIndex).value = mSlideValue;
    mModel.UpdateAllMobility();
    if (mModel.IsSolved()) {
        mCompleted = true;
        return;
    }
    Tile& hovered = mModel.TileAt(mHoverIndex);
    if (hovered.moveDir >= 1) {
        hovered.highlight = Tile::HIGHLIGHT_HOVERED;
        mHost.SetCursor(CursorController::CURSOR_DRAGGING);
    } else {
        mHost.SetCursor(CursorController::CURSOR_POINTER);
    }
}

void Board::AdvancePulse() {
    mPulse += mPulseStep * PulseStep;
    if (mPulse < 0) {
        mPulse = 0;
        mPulseStep = 1;
    } else if (mPulse > PulseMax) {
        mPulse = PulseMax;
        mPulseStep = -1;
    }
}

void Board::AdvanceCompletion() {
    if (!mCompleted || mCompletionTimer >= CompletionEnd) return;
    mCompletionTimer += CompletionStep;
    // The banners rest in the middle for a while before they sweep on.
    if (mCompletionTimer > CompletionRest && mCompletionHold < CompletionHoldSteps) {
        ++mCompletionHold;
        mCompletionTimer = CompletionRest;
    }
}

void Board::Draw(Graphics* g) {
    if (mMenu->IsVisible()) {
        mMenu->DrawMenu(g);
        return;
    }
    if (mCompleted) {
        g->PaintImage(mPicture.get(), 0, 0);
        if (mCompletionTimer < CompletionEnd) {
            g->PaintImage(mCompleteBottom.get(), mCompletionTimer - 710, 305);
            g->PaintImage(mCompleteTop.get(), 930 - mCompletionTimer, 150);
        }
        return;
    }
    if (mPeeking) {
        g->PaintImage(mPicture.get(), 0, 0);
        return;
    }
    DrawPuzzle(g);
    if (mSliding) {
        g->PaintCelIndex(mPicture.get(), mSlideX, mSlideY, mSlideValue - 1);
        g->PaintImage(mBorders[0].get(), mSlideX, mSlideY);
    }
}

void Board::DrawPuzzle(Graphics* g) {
    if (!mModel.HasGrid()) return;
    const int32_t tileW = mModel.TileWidth(), tileH = mModel.TileHeight();
    for (int32_t i = 0; i < mModel.CellCount(); ++i) {
        const Tile& tile = mModel.TileAt(i);
        const int32_t x = tileW * (i % mN), y = tileH * (i / mN);
        if (tile.value <= 0) {
            g->PaintRect(x, y, tileW, tileH);
            continue;
        }
        g->PaintCel(mPicture.get(), x, y, (tile.value - 1) % mN, (tile.value - 1) / mN);
        g->PaintImage(mBorders[static_cast<size_t>(tile.highlight)].get(), x, y);
        if (tile.highlight == Tile::HIGHLIGHT_MOVABLE) {
            // The select border over the movable one pulses between red and nearly white.
            g->SetPaintColor(Color(255, mPulse, mPulse, 255));
            g->SetTintImages(true);
            g->PaintImage(mBorders[Tile::HIGHLIGHT_HOVERED].get(), x, y);
            g->SetPaintColor(Color(0, 0, 0, 255));
            g->SetTintImages(false);
        }
    }
}

void Board::ButtonReleased(int32_t id) {
    switch (id) {
        case BUTTON_QUIT:
            mHost.Quit();
            break;
        case BUTTON_CANCEL:
            if (mMenu->IsAtRest()) mMenu->StartClosing();
            break;
        case BUTTON_NEW_GAME:
            mMenu->StartNewGame();
            break;
        case BUTTON_DIFFICULTY_LESS:
            mMenu->DifficultyLess();
            break;
        case BUTTON_DIFFICULTY_MORE:
            mMenu->DifficultyMore();
            break;
        case BUTTON_CHANGE_IMAGE:
            mMenu->ChangePicture();
            break;
        case BUTTON_FULL_SCREEN:
            // Switching the screen mode also switches hardware acceleration off.
            mMenu->SwitchScreenMode(false);
            break;
        case BUTTON_WINDOW:
            mMenu->SwitchScreenMode(true);
            break;
        default:
            break;
    }
}

} // namespace Tesserine
