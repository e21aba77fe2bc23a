#include "game/AppBoardHost.h"

#include "framework/app/Buffer.h"
#include "framework/app/DisplayDevice.h"
#include "framework/app/ZorbelAppBase.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/MessageBox.h"
#include "framework/platform/files/AtomicFile.h"
#include "framework/platform/files/Path.h"
#include "framework/platform/files/ProgramFolders.h"

#include <cstdlib>
#include <filesystem>

namespace Tesserine {

bool AppBoardHost::ComesThroughDemo(const std::string& path) const {
    return !mChosenPath.empty() && path == mChosenPath && (mApp.IsRecordingDemo() || mApp.IsPlayingDemo());
}

std::unique_ptr<Zorbel::MemoryImage> AppBoardHost::LoadImage(const std::string& path) {
    if (ComesThroughDemo(path))
        return LoadThroughDemo(path, [&](const std::string& copy) { return mApp.GetImage(copy, true); });
    return mApp.GetImage(Zorbel::DataPath(path), true);
}

std::unique_ptr<Zorbel::MemoryImage> AppBoardHost::LoadPictureForDisplay(const std::string& path,
                                                                         int32_t width, int32_t height) {
    auto load = [&](const std::string& file) { return mApp.GetImageForDisplay(file, width, height); };
    return ComesThroughDemo(path) ? LoadThroughDemo(path, load) : load(path);
}

std::unique_ptr<Zorbel::MemoryImage> AppBoardHost::LoadThroughDemo(const std::string& path,
                                                                   const PictureLoader& load) {
    Zorbel::Buffer bytes;
    if (!mApp.ReadBufferFromFile(path, bytes)) return nullptr;
    std::string pattern = (std::filesystem::temp_directory_path() / "tesserine-picture-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return nullptr;
    // The picture library tells the kind of picture by the name's extension.
    std::string copy = pattern + "/" + Zorbel::GetFileName(path);
    std::unique_ptr<Zorbel::MemoryImage> image;
    if (Zorbel::WriteFileAtomically(
            copy, std::string_view(reinterpret_cast<const char*>(bytes.Data()), bytes.ByteLength())))
        image = load(copy);
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return image;
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
    Zorbel::FileChooserResult result = Zorbel::FileChooserResult::Cancelled();
    // A replay opens no chooser: the answer of the recorded run comes from the demo.
    if (!mApp.IsPlayingDemo())
        result = mChooser ? mChooser->ChooseFileToOpen(request) : Zorbel::FileChooserResult::Unavailable();
    if (mApp.IsRecordingDemo() || mApp.IsPlayingDemo()) {
        static constexpr char Chosen = 'C', Cancelled = 'X', Unavailable = 'U';
        std::string answer;
        switch (result.outcome) {
            case Zorbel::FileChooserOutcome::Chosen:
                answer = Chosen + result.path;
                break;
            case Zorbel::FileChooserOutcome::Cancelled:
                answer = Cancelled;
                break;
            case Zorbel::FileChooserOutcome::Unavailable:
                answer = Unavailable;
                break;
        }
        mApp.SyncDemoText(answer);
        if (!answer.empty() && answer[0] == Chosen)
            result = Zorbel::FileChooserResult::Chosen(answer.substr(1));
        else if (answer == std::string(1, Unavailable))
            result = Zorbel::FileChooserResult::Unavailable();
        else
            result = Zorbel::FileChooserResult::Cancelled();
    }
    if (result.outcome == Zorbel::FileChooserOutcome::Chosen) mChosenPath = result.path;
    return result;
}

} // namespace Tesserine
