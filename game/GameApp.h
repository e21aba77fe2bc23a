#pragma once

#include "framework/app/ZorbelAppBase.h"
#include "framework/platform/FileChooser.h"

#include <memory>

namespace Tesserine {

class AppBoardHost;
class Board;

// The game's application: the framework's application object with Tesserine's identity, which puts
// the board on screen once loading is over.
class GameApp : public Zorbel::ZorbelAppBase {
public:
    // The product version demos are recorded with; a demo of another version is refused.
    static const char* const ProductVersion;

    // A null chooser means the desktop's own.
    explicit GameApp(Zorbel::AppPlatform platform = {},
                     std::unique_ptr<Zorbel::FileChooser> chooser = nullptr);
    ~GameApp() override;

    void Init() override;
    // Every main window, also after a switch of the screen mode, shows the game's icon.
    void MakeWindow() override;
    void LoadingFinished() override;

    Board* GetBoard() const { return mBoard.get(); }

private:
    std::unique_ptr<Zorbel::FileChooser> mChooser;
    // What the board sees of the application.
    std::unique_ptr<AppBoardHost> mBoardHost;
    std::unique_ptr<Board> mBoard;
};

} // namespace Tesserine
