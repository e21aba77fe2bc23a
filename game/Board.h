#pragma once

#include "framework/widget/ButtonListener.h"
#include "framework/widget/Widget.h"
#include "game/PuzzleModel.h"

#include <array>
#include <memory>
#include <string>

namespace Zorbel {
class ButtonWidget;
class MemoryImage;
} // namespace Zorbel

namespace Tesserine {

class BoardHost;
class GameMenu;

// The one full-screen widget of the game: it owns the puzzle, its picture and the menu, turns
// clicks and arrow keys into slides, animates them, plays the completion sequence, and draws the
// puzzle, the finished picture while Space is held, or, while it is up, the menu.
class Board : public Zorbel::Widget, public Zorbel::ButtonListener {
public:
    enum ButtonId : int32_t {
        BUTTON_QUIT = 1,
        BUTTON_CANCEL = 2,
        BUTTON_NEW_GAME = 3,
        BUTTON_DIFFICULTY_LESS = 4,
        BUTTON_DIFFICULTY_MORE = 5,
        BUTTON_CHANGE_IMAGE = 6,
        BUTTON_FULL_SCREEN = 7,
        BUTTON_WINDOW = 8,
    };
    static constexpr int32_t SlideSpeed = 3;
    static constexpr int32_t PulseStep = 6;
    static constexpr int32_t PulseMax = 250;
    static constexpr int32_t CompletionEnd = 1600;
    static constexpr int32_t CompletionRest = 755;
    static constexpr int32_t CompletionHoldSteps = 130;
    static constexpr int32_t CompletionStep = 7;

    // Loads the built-in picture, the menu and the banners. The host must outlive the board.
    explicit Board(BoardHost& host);
    ~Board() override;

    void AttachedToManager(Zorbel::WidgetManager* manager) override;
    void DetachedFromManager(Zorbel::WidgetManager* manager) override;
    void Update() override;
    void Draw(Zorbel::Graphics* g) override;
    // Escape opens and closes the menu; the arrow keys slide the tile beside the gap the way they
    // point; Space held shows the finished picture.
    void KeyDown(int32_t keyCode) override;
    void KeyUp(int32_t keyCode) override;
    void MouseMove(int32_t x, int32_t y) override;
    void MouseDown(int32_t x, int32_t y, int32_t clickCount) override;
    void ButtonReleased(int32_t id) override;

    // A picture file through the host, palettised when it has few colours. On failure the player is
    // told, the application quits and the result is null.
    std::unique_ptr<Zorbel::MemoryImage> LoadBoardImage(const std::string& path);
    // The picture drawn at width x height onto a new display image.
    std::unique_ptr<Zorbel::MemoryImage> LoadScaledImage(const std::string& path, int32_t width,
                                                         int32_t height);
    // A picture the player chose, drawn at the size of the play field. On failure the player is told
    // with a notice, the result is null and the game goes on.
    std::unique_ptr<Zorbel::MemoryImage> LoadChosenPicture(const std::string& path);

    // A new shuffled game of difficulty n; a non-null picture replaces the board's own.
    void NewGame(int32_t n, std::unique_ptr<Zorbel::MemoryImage> picture);
    void ClearBoard();
    int32_t ShuffleStep(int32_t gap) { return mModel.ShuffleStep(gap); }

    // For tests.
    BoardHost& GetHost() const { return mHost; }
    // The menu's button with the id; null before the board joined a widget manager.
    Zorbel::ButtonWidget* GetButton(int32_t id) const;
    Zorbel::MemoryImage* GetPicture() const { return mPicture.get(); }
    GameMenu* GetMenu() const { return mMenu.get(); }
    PuzzleModel& GetModel() { return mModel; }
    bool IsCompleted() const { return mCompleted; }
    bool IsSliding() const { return mSliding; }
    bool IsPeeking() const { return mPeeking; }
    int32_t GetHoverIndex() const { return mHoverIndex; }
    int32_t GetPulse() const { return mPulse; }
    int32_t GetCompletionTimer() const { return mCompletionTimer; }
    int32_t GetSlideX() const { return mSlideX; }
    int32_t GetSlideY() const { return mSlideY; }
    Zorbel::MemoryImage* GetBorder(int32_t index) const { return mBorders[static_cast<size_t>(index)].get(); }
    Zorbel::MemoryImage* GetCompleteTop() const { return mCompleteTop.get(); }
    Zorbel::MemoryImage* GetCompleteBottom() const { return mCompleteBottom.get(); }

private:
    // The picture drawn at width x height onto a new display image.
    std::unique_ptr<Zorbel::MemoryImage> Scaled(Zorbel::MemoryImage& picture, int32_t width, int32_t height);
    // A game runs with nothing in the way of a move: no menu, slide, completion or peek.
    bool CanMove() const;
    // The cell of the tile an arrow key moves into the gap; -1 when there is none on that side.
    int32_t TileForArrow(int32_t keyCode) const;
    void StartSlide(int32_t index);
    void AdvanceSlide();
    void FinishSlide();
    void AdvancePulse();
    void AdvanceCompletion();
    void DrawPuzzle(Zorbel::Graphics* g);

    BoardHost& mHost;
    std::unique_ptr<Zorbel::MemoryImage> mPicture;
    std::unique_ptr<Zorbel::MemoryImage> mCompleteTop;
    std::unique_ptr<Zorbel::MemoryImage> mCompleteBottom;
    PuzzleModel mModel;
    std::unique_ptr<GameMenu> mMenu;
    bool mCompleted = false;
    int32_t mPulse = 0;
    int32_t mPulseStep = 1;
    int32_t mN = 0;
    int32_t mHoverIndex = 0;
    bool mSliding = false;
    // Space is held: the finished picture is shown instead of the board.
    bool mPeeking = false;
    int32_t mSlideDir = 0;
    int32_t mSlideTarget = 0;
    int32_t mSlideValue = 0;
    int32_t mSlideX = 0;
    int32_t mSlideY = 0;
    int32_t mSlideToIndex = 0;
    int32_t mCompletionTimer = 0;
    int32_t mCompletionHold = 0;
    std::array<std::unique_ptr<Zorbel::MemoryImage>, 3> mBorders;
};

} // namespace Tesserine
