#include "game/GameApp.h"

#include "framework/imagelib/ImageLib.h"
#include "framework/platform/chooser/ChainFileChooser.h"
#include "framework/platform/files/ProgramFolders.h"
#include "framework/widget/WidgetManager.h"
#include "game/AppBoardHost.h"
#include "game/Board.h"
#include "game/PuzzleModel.h"

namespace Tesserine {

const char* const GameApp::ProductVersion = " " TESSERINE_VERSION;

GameApp::GameApp(Zorbel::AppPlatform platform, std::unique_ptr<Zorbel::FileChooser> chooser)
    : ZorbelAppBase(std::move(platform)), mChooser(std::move(chooser)) {
    mProductName = "Tesserine";
    mWindowTitle = mProductName;
    mProductVersion = ProductVersion;
    mSettingsKey = "Bramblewick\\Tesserine";
    mNoSound = true;
    mWidth = PuzzleModel::FieldWidth;
    mHeight = PuzzleModel::FieldHeight;
    if (!mChooser) mChooser = Zorbel::CreateDesktopFileChooser();
    mBoardHost = std::make_unique<AppBoardHost>(*this, mChooser.get());
}

GameApp::~GameApp() {
    if (mBoard && GetWidgetManager() != nullptr) GetWidgetManager()->RemoveChild(mBoard.get());
    mBoard.reset();
}

void GameApp::Init() {
    ZorbelAppBase::Init();
}

void GameApp::MakeWindow() {
    ZorbelAppBase::MakeWindow();
    if (GetMainWindow() == 0 || IsShuttingDown()) return;
    if (auto icon = Zorbel::ImageLib::LoadImageFile(Zorbel::DataPath("images/icon"), false))
        GetWindowSystem().SetIcon(GetMainWindow(), icon->GetBits(), icon->GetWidth(), icon->GetHeight());
}

void GameApp::LoadingFinished() {
    ZorbelAppBase::LoadingFinished();
    if (IsShutdownPending()) return;
    mBoard = std::make_unique<Board>(*mBoardHost);
    mBoard->Resize(0, 0, GetWidth(), GetHeight());
    GetWidgetManager()->AddChild(mBoard.get());
}

} // namespace Tesserine
