#include "game/PuzzleModel.h"

#include "framework/app/MTRand.h"

namespace Tesserine {

void Tile::UpdateTileMobility(const Array& tiles, int index, int n) {
    Tile& tile = *tiles[static_cast<size_t>(index)];
    int row = index / n;
    int column = index % n;
    auto isGap = [&](int i) { return tiles[static_cast<size_t>(i)]->value == 0; };
    tile.moveDir = MOVE_NONE;
    tile.highlight = HIGHLIGHT_PLAIN;
    // Tested in this order, a later match overwriting an earlier one.
    if (column > 0 && isGap(index - 1)) tile.moveDir = MOVE_LEFT, tile.highlight = HIGHLIGHT_MOVABLE;
    if (column < n - 1 && isGap(index + 1)) tile.moveDir = MOVE_RIGHT, tile.highlight = HIGHLIGHT_MOVABLE;
    if (row > 0 && isGap(index - n)) tile.moveDir = MOVE_UP, tile.highlight = HIGHLIGHT_MOVABLE;
    if (row < n - 1 && isGap(index + n)) tile.moveDir = MOVE_DOWN, tile.highlight = HIGHLIGHT_MOVABLE;
}

PuzzleModel::PuzzleModel(Zorbel::MTRand& random) : mRandom(random) {}

void PuzzleModel::NewGame(int n, Board* owner) {
    mN = n;
    mTiles.clear();
    mTiles.reserve(static_cast<size_t>(n * n));
    for (int i = 0; i < n * n; ++i) {
        auto tile = std::make_unique<Tile>();
        tile->owner = owner;
        tile->value = i + 1;
        mTiles.push_back(std::move(tile));
    }
    // The gap starts top-left: piece 0 of the picture is the one left out.
    mTiles[0]->value = 0;
    int gap = 0;
    for (int step = 0; step < ShuffleSteps; ++step)
        gap = ShuffleStep(gap);
    UpdateAllMobility();
}

void PuzzleModel::Clear() {
    mTiles.clear();
    mN = 0;
}

int PuzzleModel::ShuffleStep(int gap) {
    int row = gap / mN;
    int column = gap % mN;
    auto slideFrom = [&](int from) {
        mTiles[static_cast<size_t>(gap)]->value = mTiles[static_cast<size_t>(from)]->value;
        mTiles[static_cast<size_t>(from)]->value = 0;
        return from;
    };
    // A draw that would leave the grid is rejected but still consumes its random value.
    for (;;) {
        switch (mRandom.Next() % 4) {
            case 0:
                if (row >= 1) return slideFrom(gap - mN);
                break;
            case 1:
                if (column < mN - 1) return slideFrom(gap + 1);
                break;
            case 2:
                if (row < mN - 1) return slideFrom(gap + mN);
                break;
            default:
                if (column >= 1) return slideFrom(gap - 1);
                break;
        }
    }
}

void PuzzleModel::UpdateAllMobility() {
    for (int i = 0; i < CellCount(); ++i)
        Tile::UpdateTileMobility(mTiles, i, mN);
}

bool PuzzleModel::IsSolved() const {
    for (int i = 0; i < CellCount(); ++i) {
        int32_t value = mTiles[static_cast<size_t>(i)]->value;
        if (value > 0 && value != i + 1) return false;
    }
    return true;
}

} // namespace Tesserine
