#pragma once

#include "framework/platform/FileChooser.h"

#include <memory>
#include <vector>

namespace Zorbel {

// Tries several choosers in turn and returns the answer of the first one that could be shown. It is
// unavailable only when every one of them is.
class ChainFileChooser : public FileChooser {
public:
    ChainFileChooser() = default;
    explicit ChainFileChooser(std::vector<std::unique_ptr<FileChooser>> choosers)
        : mChoosers(std::move(choosers)) {}

    void Add(std::unique_ptr<FileChooser> chooser) { mChoosers.push_back(std::move(chooser)); }

    FileChooserResult ChooseFileToOpen(const FileChooserRequest& request) override;

private:
    std::vector<std::unique_ptr<FileChooser>> mChoosers;
};

// The desktop's own chooser through the portal, else zenity, else kdialog.
std::unique_ptr<FileChooser> CreateDesktopFileChooser();

} // namespace Zorbel
