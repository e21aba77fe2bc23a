#include "framework/platform/chooser/ChainFileChooser.h"

#include "framework/platform/chooser/CommandFileChooser.h"
#include "framework/platform/chooser/PortalFileChooser.h"

namespace Zorbel {

FileChooserResult ChainFileChooser::ChooseFileToOpen(const FileChooserRequest& request) {
    for (const std::unique_ptr<FileChooser>& chooser : mChoosers) {
        FileChooserResult result = chooser->ChooseFileToOpen(request);
        if (result.outcome != FileChooserOutcome::Unavailable) return result;
    }
    return FileChooserResult::Unavailable();
}

std::unique_ptr<FileChooser> CreateDesktopFileChooser() {
    auto chain = std::make_unique<ChainFileChooser>();
    chain->Add(std::make_unique<PortalFileChooser>());
    chain->Add(std::make_unique<CommandFileChooser>(CommandFileChooser::Tool::Zenity));
    chain->Add(std::make_unique<CommandFileChooser>(CommandFileChooser::Tool::Kdialog));
    return chain;
}

} // namespace Zorbel
