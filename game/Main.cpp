// Until the window and the board arrive, the program deals one shuffled puzzle and prints it.
#include "framework/app/MTRand.h"
#include "framework/platform/ProductVersion.h"
#include "game/PuzzleModel.h"

#include <cstdio>
#include <cstdlib>

ZORBEL_PRODUCT_VERSION(TESSERINE_VERSION);

int main(int argc, char** argv) {
    int n = argc > 1 ? std::atoi(argv[1]) : 4;
    if (n < Tesserine::PuzzleModel::MinDifficulty || n > Tesserine::PuzzleModel::MaxDifficulty) n = 4;
    Tesserine::PuzzleModel model(Zorbel::SharedRandom());
    model.NewGame(n, nullptr);
    std::printf("Tesserine: a %d x %d puzzle, shuffled (0 is the gap, * marks a movable tile)\n", n, n);
    for (int row = 0; row < n; ++row) {
        for (int column = 0; column < n; ++column) {
            const Tesserine::Tile& tile = model.TileAt(row * n + column);
            std::printf(" %3d%c", tile.value, tile.moveDir != Tesserine::Tile::MOVE_NONE ? '*' : ' ');
        }
        std::printf("\n");
    }
    return 0;
}
