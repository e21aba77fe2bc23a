#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace Zorbel {
class MTRand;
}

namespace Tesserine {

class Board;

// One cell of the grid. Value 0 is the gap; value v >= 1 shows picture piece v - 1, whose home is
// cell v - 1.
struct Tile {
    enum Highlight : int32_t { HIGHLIGHT_PLAIN = 0, HIGHLIGHT_MOVABLE = 1, HIGHLIGHT_HOVERED = 2 };
    enum Direction : int32_t { MOVE_NONE = 0, MOVE_UP = 1, MOVE_RIGHT = 2, MOVE_DOWN = 3, MOVE_LEFT = 4 };

    // The board that holds the tile, for a tile that draws itself and needs the board's border
    // pictures. Here the board draws every tile itself, so nothing reads it.
    Board* owner = nullptr;
    int32_t value = 0;
    int32_t highlight = HIGHLIGHT_PLAIN;
    int32_t moveDir = MOVE_NONE; // the direction in which the tile would slide into the gap

    using Array = std::vector<std::unique_ptr<Tile>>;

    // Recomputes moveDir and highlight of the tile at index from its four neighbours.
    static void UpdateTileMobility(const Array& tiles, int index, int n);
};

// The sliding-tile puzzle over an 800 x 600 play field: an N x N grid of tiles, the shuffle by a random
// walk of the gap, the mobility rule and the solved test. It draws nothing and needs no platform; the
// board owns it and animates it.
class PuzzleModel {
public:
    static constexpr int FieldWidth = 800;
    static constexpr int FieldHeight = 600;
    static constexpr int MinDifficulty = 3;
    static constexpr int MaxDifficulty = 7;
    static constexpr int ShuffleSteps = 1000;

    // The random generator must outlive the model; the game passes the shared one.
    explicit PuzzleModel(Zorbel::MTRand& random);

    // Builds a fresh grid of difficulty n, shuffles it and computes the mobility of every tile.
    // Tiles point at owner.
    void NewGame(int n, Board* owner);
    // Frees every tile; the model then has no grid until the next new game.
    void Clear();

    // One random move of the gap; returns the new gap index.
    int ShuffleStep(int gap);
    void UpdateAllMobility();
    // Every piece is at home; the gap is skipped.
    bool IsSolved() const;

    bool HasGrid() const { return !mTiles.empty(); }
    int Difficulty() const { return mN; }
    int CellCount() const { return mN * mN; }
    int TileWidth() const { return mN > 0 ? FieldWidth / mN : 0; }
    int TileHeight() const { return mN > 0 ? FieldHeight / mN : 0; }
    Tile& TileAt(int index) { return *mTiles.at(static_cast<size_t>(index)); }
    const Tile& TileAt(int index) const { return *mTiles.at(static_cast<size_t>(index)); }
    const Tile::Array& Tiles() const { return mTiles; }

private:
    Zorbel::MTRand& mRandom;
    int mN = 0;
    Tile::Array mTiles;
};

} // namespace Tesserine
