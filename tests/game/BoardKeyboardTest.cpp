// Playing with the arrow keys and peeking at the finished picture with Space, through the widget
// manager as the keys arrive from the desktop.
#include "game/GameHarness.h"

#include "framework/app/MTRand.h"
#include "framework/platform/VirtualKey.h"
#include "framework/widget/WidgetManager.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <string>
#include <vector>

using Tesserine::Board;
using namespace TesserineTest;
namespace Key = Zorbel::VirtualKey;

namespace {

class KeyboardTest : public GameFixture {
protected:
    void Press(int32_t key) {
        app->GetWidgetManager()->KeyDown(key);
        app->GetWidgetManager()->KeyUp(key);
    }

    int Gap() {
        auto& model = board->GetModel();
        for (int i = 0; i < model.CellCount(); ++i)
            if (model.TileAt(i).value == 0) return i;
        return -1;
    }

    std::vector<int32_t> Values() {
        std::vector<int32_t> values;
        for (const auto& tile : board->GetModel().Tiles())
            values.push_back(tile->value);
        return values;
    }

    // Lets a slide that runs come to its end.
    void FinishSlide() {
        ASSERT_TRUE(StepsUntil([&] { return !board->IsSliding(); }, 200));
    }

    // The cell an arrow takes the tile from, by the rule of the classic puzzles; -1 for none.
    static int From(int gap, int n, int32_t key) {
        const int row = gap / n, column = gap % n;
        switch (key) {
            case Key::Left:
                return column + 1 < n ? gap + 1 : -1;
            case Key::Right:
                return column > 0 ? gap - 1 : -1;
            case Key::Up:
                return row + 1 < n ? gap + n : -1;
            default:
                return row > 0 ? gap - n : -1;
        }
    }
};

// The arrow keys that solve a 3 x 3 grid, found breadth first over its arrangements.
std::vector<int32_t> Solve(const std::vector<int32_t>& start) {
    auto key = [](const std::vector<int32_t>& values) { return std::string(values.begin(), values.end()); };
    std::vector<int32_t> goal = {0, 2, 3, 4, 5, 6, 7, 8, 9};
    std::map<std::string, std::pair<std::string, int32_t>> cameFrom{{key(start), {"", 0}}};
    std::deque<std::vector<int32_t>> queue{start};
    while (!queue.empty()) {
        std::vector<int32_t> state = queue.front();
        queue.pop_front();
        if (state == goal) break;
        const int gap = static_cast<int>(std::find(state.begin(), state.end(), 0) - state.begin());
        for (int32_t arrow : {Key::Left, Key::Right, Key::Up, Key::Down}) {
            const int row = gap / 3, column = gap % 3;
            int from = -1;
            if (arrow == Key::Left && column < 2) from = gap + 1;
            if (arrow == Key::Right && column > 0) from = gap - 1;
            if (arrow == Key::Up && row < 2) from = gap + 3;
            if (arrow == Key::Down && row > 0) from = gap - 3;
            if (from < 0) continue;
            std::vector<int32_t> next = state;
            std::swap(next[static_cast<size_t>(gap)], next[static_cast<size_t>(from)]);
            if (cameFrom.emplace(key(next), std::make_pair(key(state), arrow)).second) queue.push_back(next);
        }
    }
    std::vector<int32_t> arrows;
    for (std::string at = key(goal); at != key(start);) {
        auto found = cameFrom.find(at);
        if (found == cameFrom.end()) return {};
        arrows.push_back(found->second.second);
        at = found->second.first;
    }
    std::reverse(arrows.begin(), arrows.end());
    return arrows;
}

} // namespace

TEST_F(KeyboardTest, EachArrowSlidesTheTileBesideTheGapTheWayItPoints) {
    StartGame();
    StartPuzzle(4);
    // Round the grid and into its corners, so that every arrow meets both a tile and an edge.
    const int32_t arrows[] = {Key::Right, Key::Right, Key::Right, Key::Right, Key::Down, Key::Down,
                              Key::Down,  Key::Down,  Key::Left,  Key::Left,  Key::Left, Key::Left,
                              Key::Up,    Key::Up,    Key::Up,    Key::Up,    Key::Right};
    int moves = 0, refusals = 0;
    for (int32_t arrow : arrows) {
        const int gap = Gap();
        const int from = From(gap, 4, arrow);
        std::vector<int32_t> expected = Values();
        if (from >= 0) std::swap(expected[static_cast<size_t>(gap)], expected[static_cast<size_t>(from)]);
        Press(arrow);
        EXPECT_EQ(board->IsSliding(), from >= 0) << "arrow " << arrow << " with the gap at " << gap;
        if (from >= 0) {
            // The same animated slide a click starts: the tile leaves its cell step by step.
            EXPECT_EQ(board->GetSlideX(), (from % 4) * 200);
            EXPECT_EQ(board->GetSlideY(), (from / 4) * 150);
            Steps(1);
            EXPECT_EQ(std::abs(board->GetSlideX() - (from % 4) * 200) +
                          std::abs(board->GetSlideY() - (from / 4) * 150),
                      Board::SlideSpeed);
            ++moves;
        } else {
            ++refusals;
        }
        FinishSlide();
        EXPECT_EQ(Values(), expected) << "arrow " << arrow << " with the gap at " << gap;
    }
    EXPECT_GE(moves, 7);
    EXPECT_GE(refusals, 4);
}

TEST_F(KeyboardTest, AKeyDuringASlideIsIgnoredNotQueued) {
    StartGame();
    StartPuzzle(4);
    int32_t arrow = Key::Left;
    for (int32_t candidate : {Key::Left, Key::Right, Key::Up, Key::Down})
        if (From(Gap(), 4, candidate) >= 0) arrow = candidate;
    std::vector<int32_t> before = Values();
    const int gap = Gap(), from = From(gap, 4, arrow);
    ASSERT_GE(from, 0);
    Press(arrow);
    ASSERT_TRUE(board->IsSliding());
    Steps(2);
    // Key repeat and other keys while the tile moves.
    for (int i = 0; i < 5; ++i)
        app->GetWidgetManager()->KeyDown(arrow);
    for (int32_t other : {Key::Left, Key::Right, Key::Up, Key::Down, Key::Space})
        Press(other);
    EXPECT_FALSE(board->IsPeeking());
    FinishSlide();
    Steps(60);
    EXPECT_FALSE(board->IsSliding());
    std::swap(before[static_cast<size_t>(gap)], before[static_cast<size_t>(from)]);
    EXPECT_EQ(Values(), before) << "exactly one tile moved";
    app->GetWidgetManager()->KeyUp(arrow);

    // Nor do the arrows move anything while the menu is up.
    board->MouseDown(0, 0, -1);
    Steps(92);
    ASSERT_TRUE(Menu().IsVisible());
    for (int32_t key : {Key::Left, Key::Right, Key::Up, Key::Down})
        Press(key);
    EXPECT_FALSE(board->IsSliding());
    EXPECT_EQ(Values(), before);
}

TEST_F(KeyboardTest, ASeededGameIsSolvedWithArrowKeysAloneAndThenCompletes) {
    StartGame();
    Zorbel::SharedRandom().SRand(20261208);
    StartPuzzle(3);
    std::vector<int32_t> arrows = Solve(Values());
    ASSERT_FALSE(arrows.empty()) << "the shuffle left the 3 x 3 grid solved or unsolvable";
    for (size_t i = 0; i < arrows.size(); ++i) {
        ASSERT_FALSE(board->IsCompleted()) << "solved early, after " << i << " of " << arrows.size();
        Press(arrows[i]);
        ASSERT_TRUE(board->IsSliding()) << "move " << i;
        FinishSlide();
    }
    EXPECT_TRUE(board->IsCompleted());
    EXPECT_TRUE(board->GetModel().IsSolved());
    // The completion sequence runs to its end, and keys do nothing meanwhile.
    Steps(10);
    EXPECT_GT(board->GetCompletionTimer(), 0);
    Press(Key::Down);
    app->GetWidgetManager()->KeyDown(Key::Space);
    EXPECT_FALSE(board->IsSliding());
    EXPECT_FALSE(board->IsPeeking());
    app->GetWidgetManager()->KeyUp(Key::Space);
    EXPECT_TRUE(StepsUntil([&] { return board->GetCompletionTimer() >= Board::CompletionEnd; }, 1000));
}

TEST_F(KeyboardTest, SpaceHeldShowsTheFinishedPictureAndReleasingItRestoresTheBoard) {
    StartGame();
    StartPuzzle(4);
    Steps(7); // the frames of the movable tiles part-way through their pulse
    const std::vector<int32_t> values = Values();
    const int pulse = board->GetPulse();
    std::unique_ptr<Zorbel::MemoryImage> before = Frame();

    app->GetWidgetManager()->KeyDown(Key::Space);
    ASSERT_TRUE(board->IsPeeking());
    Steps(25);
    // Neither clicks nor arrows move anything meanwhile, and key repeat keeps the picture up.
    for (int i = 0; i < board->GetModel().CellCount(); ++i) {
        board->MouseMove((i % 4) * 200 + 100, (i / 4) * 150 + 75);
        board->MouseDown((i % 4) * 200 + 100, (i / 4) * 150 + 75, 1);
    }
    for (int32_t key : {Key::Left, Key::Right, Key::Up, Key::Down, Key::Space})
        app->GetWidgetManager()->KeyDown(key);
    EXPECT_FALSE(board->IsSliding());
    EXPECT_EQ(Values(), values);
    std::unique_ptr<Zorbel::MemoryImage> peek = Frame();
    Zorbel::MemoryImage* picture = board->GetPicture();
    int differing = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            differing += PixelAt(peek, x, y) != (PixelAt(picture, x, y) | 0xFF000000u);
    EXPECT_EQ(differing, 0) << "the whole picture, without frames or gap";
    for (int32_t key : {Key::Left, Key::Right, Key::Up, Key::Down})
        app->GetWidgetManager()->KeyUp(key);

    app->GetWidgetManager()->KeyUp(Key::Space);
    EXPECT_FALSE(board->IsPeeking());
    EXPECT_EQ(board->GetPulse(), pulse);
    std::unique_ptr<Zorbel::MemoryImage> after = Frame();
    EXPECT_TRUE(std::equal(before->GetPixels(), before->GetPixels() + 800 * 600, after->GetPixels()))
        << "the board comes back pixel for pixel";

    // A peek does not start while a tile slides, and the menu ends one.
    for (int32_t arrow : {Key::Left, Key::Right, Key::Up, Key::Down})
        if (!board->IsSliding()) Press(arrow);
    ASSERT_TRUE(board->IsSliding());
    app->GetWidgetManager()->KeyDown(Key::Space);
    EXPECT_FALSE(board->IsPeeking());
    app->GetWidgetManager()->KeyUp(Key::Space);
    FinishSlide();
    app->GetWidgetManager()->KeyDown(Key::Space);
    ASSERT_TRUE(board->IsPeeking());
    board->MouseDown(0, 0, -1);
    EXPECT_FALSE(board->IsPeeking());
    EXPECT_TRUE(Menu().IsVisible());
    app->GetWidgetManager()->KeyUp(Key::Space);
}
