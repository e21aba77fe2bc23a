#include "game/AppBoardHost.h"

#include "framework/app/DisplayDevice.h"
#include "framework/app/ZorbelAppBase.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/MessageBox.h"
#include "framework/platform/files/ProgramFolders.h"

namespace Tesserine {

std::unique_ptr<Zorbel::MemoryImage> AppBoardHost::LoadImage(const std::string& path) {
    return mApp.GetImage(Zorbel::DataPath(path), true);
}

std::unique_ptr<Zorbel::MemoryImage> AppBoardHost::LoadPictureForDisplay(const std::string& path,
                                                                         int32_t width, int32_t height) {
    return mApp.GetImageForDisplay(path, width, height);
}

std::unique_ptr<Zorbel::MemoryImage> AppBoardHost::CreateImage() {
    Zorbel::DisplayDevice* display = mApp.GetDisplay();
    return display ? display->CreateImage() : nullptr;
}

void AppBoardHost::SetCursor(int32_t id) {
    mApp.SetCursor(id);
}

bool AppBoardHost::HasFocus() const {
    return mApp.HasFocus();
}

void AppBoardHost::Popup(const std::string& text) {
    mApp.Popup(text);
}

void AppBoardHost::Notice(const std::string& text) {
    mApp.MessageBox(text, mApp.GetProductName(),
                    Zorbel::MessageBoxStyle::Ok | Zorbel::MessageBoxStyle::IconWarning);
}

void AppBoardHost::LogError(const std::string& text) {
    mApp.LogError(text);
}

void AppBoardHost::Quit() {
    mApp.Shutdown();
}

bool AppBoardHost::IsWindowed() const {
    return mApp.IsWindowed();
}

bool AppBoardHost::IsForcedFullScreen() const {
    return mApp.IsForcedFullScreen();
}

void AppBoardHost::SwitchScreenMode(bool windowed) {
    mApp.SwitchScreenMode(windowed, false, false);
}

void AppBoardHost::BeginSystemDialog() {
    mApp.BeginSystemDialog();
}

void AppBoardHost::EndSystemDialog() {
    mApp.EndSystemDialog();
}

Zorbel::FileChooserResult AppBoardHost::ChooseFileToOpen(const Zorbel::FileChooserRequest& request) {
    if (!mChooser) return Zorbel::FileChooserResult::Unavailable();
    return mChooser->ChooseFileToOpen(request);
}

} // namespace Tesserine
