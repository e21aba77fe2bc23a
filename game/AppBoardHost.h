#pragma once

#include "game/BoardHost.h"

namespace Zorbel {
class FileChooser;
class ZorbelAppBase;
} // namespace Zorbel

namespace Tesserine {

// The board's host on the framework's application object. The application and the chooser (null:
// none) must outlive it.
class AppBoardHost final : public BoardHost {
public:
    AppBoardHost(Zorbel::ZorbelAppBase& app, Zorbel::FileChooser* chooser) : mApp(app), mChooser(chooser) {}
    ~AppBoardHost() override = default;

    std::unique_ptr<Zorbel::MemoryImage> LoadImage(const std::string& path) override;
    std::unique_ptr<Zorbel::MemoryImage> LoadPictureForDisplay(const std::string& path, int32_t width,
                                                               int32_t height) override;
    std::unique_ptr<Zorbel::MemoryImage> CreateImage() override;
    void SetCursor(int32_t id) override;
    bool HasFocus() const override;
    void Popup(const std::string& text) override;
    void Notice(const std::string& text) override;
    void LogError(const std::string& text) override;
    void Quit() override;
    bool IsWindowed() const override;
    bool IsForcedFullScreen() const override;
    void SwitchScreenMode(bool windowed) override;
    void BeginSystemDialog() override;
    void EndSystemDialog() override;
    Zorbel::FileChooserResult ChooseFileToOpen(const Zorbel::FileChooserRequest& request) override;

private:
    Zorbel::ZorbelAppBase& mApp;
    Zorbel::FileChooser* mChooser;
};

} // namespace Tesserine
