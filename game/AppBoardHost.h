#pragma once

#include "game/BoardHost.h"

#include <functional>
#include <memory>
#include <string>

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
    using PictureLoader = std::function<std::unique_ptr<Zorbel::MemoryImage>(const std::string&)>;
    // The chosen picture comes from outside the program, so while a demo records or plays its bytes go
    // through the demo (written into a recording, taken from a playback) and are decoded from a
    // scratch copy with the same name.
    bool ComesThroughDemo(const std::string& path) const;
    std::unique_ptr<Zorbel::MemoryImage> LoadThroughDemo(const std::string& path, const PictureLoader& load);

    Zorbel::ZorbelAppBase& mApp;
    Zorbel::FileChooser* mChooser;
    // The file the player chose last: it comes from outside the program, so a demo carries it.
    std::string mChosenPath;
};

} // namespace Tesserine
