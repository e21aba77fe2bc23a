#include "game/PuzzleModel.h"

#include "framework/app/MTRand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using Tesserine::PuzzleModel;
using Tesserine::Tile;

namespace {

std::vector<int32_t> Values(const PuzzleModel& model) {
    std::vector<int32_t> values;
    for (const auto& tile : model.Tiles())
        values.push_back(tile->value);
    return values;
}

std::vector<int32_t> Shuffled(int n, uint32_t seed) {
    Zorbel::MTRand random(seed);
    PuzzleModel model(random);
    model.NewGame(n, nullptr);
    return Values(model);
}

int GapOf(const PuzzleModel& model) {
    auto values = Values(model);
    return static_cast<int>(std::find(values.begin(), values.end(), 0) - values.begin());
}

void ExpectPermutationWithOneGap(const PuzzleModel& model) {
    std::vector<int32_t> values = Values(model);
    std::sort(values.begin(), values.end());
    std::vector<int32_t> expected{0};
    for (int v = 2; v <= model.CellCount(); ++v)
        expected.push_back(v);
    EXPECT_EQ(values, expected);
}

void ExpectMobilityPointsAtTheGap(const PuzzleModel& model) {
    int n = model.Difficulty();
    int gap = GapOf(model);
    for (int i = 0; i < model.CellCount(); ++i) {
        const Tile& tile = model.TileAt(i);
        int32_t expected = Tile::MOVE_NONE;
        if (i == gap - 1 && gap % n != 0) expected = Tile::MOVE_RIGHT;
        if (i == gap + 1 && i % n != 0) expected = Tile::MOVE_LEFT;
        if (i == gap - n) expected = Tile::MOVE_DOWN;
        if (i == gap + n) expected = Tile::MOVE_UP;
        EXPECT_EQ(tile.moveDir, expected) << "cell " << i << ", gap " << gap;
        EXPECT_EQ(tile.highlight, expected == Tile::MOVE_NONE ? 0 : 1) << "cell " << i;
    }
}

} // namespace

// Expected grids were computed by an independent script over CPython's MT19937.
TEST(PuzzleModelTest, ShuffleMatchesTheReferenceWalk) {
    EXPECT_EQ(Shuffled(4, 4357),
              (std::vector<int32_t>{3, 16, 14, 12, 2, 7, 15, 11, 5, 8, 4, 10, 9, 6, 13, 0}));
    EXPECT_EQ(Shuffled(3, 12345), (std::vector<int32_t>{0, 3, 5, 9, 2, 4, 7, 8, 6}));
    EXPECT_EQ(Shuffled(7, 99),
              (std::vector<int32_t>{22, 8,  0,  9,  3,  5,  12, 30, 18, 24, 16, 10, 2,  49, 29, 20, 45,
                                    25, 14, 27, 6,  36, 31, 21, 15, 4,  7,  44, 38, 32, 13, 40, 19, 34,
                                    28, 41, 37, 35, 48, 39, 11, 42, 43, 33, 23, 17, 47, 26, 46}));
}

TEST(PuzzleModelTest, EqualSeedsGiveEqualShufflesForEveryDifficulty) {
    for (int n = PuzzleModel::MinDifficulty; n <= PuzzleModel::MaxDifficulty; ++n) {
        EXPECT_EQ(Shuffled(n, 31337), Shuffled(n, 31337)) << "N = " << n;
        EXPECT_EQ(Shuffled(n, 0), Shuffled(n, 4357)) << "seed 0 stands for 4357, N = " << n;
        EXPECT_NE(Shuffled(n, 1), Shuffled(n, 2)) << "N = " << n;
    }
}

TEST(PuzzleModelTest, NewGameHoldsEveryPieceButTheFirstAndComputesMobility) {
    for (int n = PuzzleModel::MinDifficulty; n <= PuzzleModel::MaxDifficulty; ++n) {
        for (uint32_t seed : {1u, 4357u, 987654u}) {
            Zorbel::MTRand random(seed);
            PuzzleModel model(random);
            model.NewGame(n, nullptr);
            ASSERT_EQ(model.CellCount(), n * n);
            ExpectPermutationWithOneGap(model);
            ExpectMobilityPointsAtTheGap(model);
        }
    }
}

TEST(PuzzleModelTest, TileSizesDropTheRemainder) {
    Zorbel::MTRand random;
    PuzzleModel model(random);
    const int expected[][3] = {{3, 266, 200}, {4, 200, 150}, {5, 160, 120}, {6, 133, 100}, {7, 114, 85}};
    for (const auto& row : expected) {
        model.NewGame(row[0], nullptr);
        EXPECT_EQ(model.TileWidth(), row[1]);
        EXPECT_EQ(model.TileHeight(), row[2]);
    }
}

TEST(PuzzleModelTest, ShuffleStepFromACornerOnlyTakesTheTwoMovesThatStayInTheGrid) {
    Zorbel::MTRand random(5);
    PuzzleModel model(random);
    model.NewGame(4, nullptr);
    for (int trial = 0; trial < 200; ++trial) {
        // Put the gap back into the top-left corner by rebuilding the solved layout.
        for (int i = 0; i < 16; ++i)
            model.TileAt(i).value = i + 1;
        model.TileAt(0).value = 0;
        int gap = model.ShuffleStep(0);
        ASSERT_TRUE(gap == 1 || gap == 4) << gap;
        EXPECT_EQ(model.TileAt(0).value, gap + 1);
        EXPECT_EQ(model.TileAt(gap).value, 0);
    }
}

TEST(PuzzleModelTest, RejectedDrawsStillConsumeRandomValues) {
    // From the top-left corner, draws of 0 (up) and 3 (left) are rejected. Count the draws that a
    // second generator says the step must take.
    Zorbel::MTRand reference(2024);
    int expectedDraws = 0;
    uint32_t d;
    do {
        d = reference.Next() % 4;
        ++expectedDraws;
    } while (d == 0 || d == 3);

    Zorbel::MTRand random(2024);
    PuzzleModel model(random);
    model.NewGame(3, nullptr);
    random.SRand(2024);
    for (int i = 0; i < 9; ++i)
        model.TileAt(i).value = i + 1;
    model.TileAt(0).value = 0;
    model.ShuffleStep(0);
    Zorbel::MTRand after(2024);
    for (int i = 0; i < expectedDraws; ++i)
        after.Next();
    EXPECT_EQ(random.Next(), after.Next());
}

TEST(PuzzleModelTest, SolvedTestSkipsTheGap) {
    Zorbel::MTRand random(3);
    PuzzleModel model(random);
    model.NewGame(3, nullptr);
    for (int i = 0; i < 9; ++i)
        model.TileAt(i).value = i + 1;
    model.TileAt(0).value = 0;
    EXPECT_TRUE(model.IsSolved());

    std::swap(model.TileAt(0).value, model.TileAt(1).value); // gap one to the right
    EXPECT_FALSE(model.IsSolved());
    std::swap(model.TileAt(0).value, model.TileAt(1).value);
    std::swap(model.TileAt(4).value, model.TileAt(5).value);
    EXPECT_FALSE(model.IsSolved());
}

TEST(PuzzleModelTest, SlidingMovableTilesBackAndForthKeepsTheValueSet) {
    Zorbel::MTRand random(11);
    PuzzleModel model(random);
    model.NewGame(5, nullptr);
    Zorbel::MTRand choice(17);
    for (int move = 0; move < 300; ++move) {
        std::vector<int> movable;
        for (int i = 0; i < model.CellCount(); ++i)
            if (model.TileAt(i).moveDir != Tile::MOVE_NONE) movable.push_back(i);
        ASSERT_GE(movable.size(), 2u);
        ASSERT_LE(movable.size(), 4u);
        int from = movable[choice.Next() % movable.size()];
        int gap = GapOf(model);
        model.TileAt(gap).value = model.TileAt(from).value;
        model.TileAt(from).value = 0;
        model.UpdateAllMobility();
        ExpectPermutationWithOneGap(model);
        ExpectMobilityPointsAtTheGap(model);
    }
}

TEST(PuzzleModelTest, ClearLeavesNoGrid) {
    Zorbel::MTRand random;
    PuzzleModel model(random);
    EXPECT_FALSE(model.HasGrid());
    model.NewGame(6, nullptr);
    EXPECT_TRUE(model.HasGrid());
    model.Clear();
    EXPECT_FALSE(model.HasGrid());
    EXPECT_EQ(model.CellCount(), 0);
}
