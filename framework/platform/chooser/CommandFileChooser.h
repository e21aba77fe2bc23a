#pragma once

#include "framework/platform/FileChooser.h"

#include <string>
#include <vector>

namespace Zorbel {

// Shows a chooser by running a desktop tool that prints the chosen path: zenity (GTK) or kdialog (KDE).
// Unavailable when the tool is missing, there is no display to show it on, or it fails.
class CommandFileChooser : public FileChooser {
public:
    enum class Tool { Zenity, Kdialog };

    // The program is looked up on $PATH at every request, by the tool's usual name unless one is given.
    explicit CommandFileChooser(Tool tool, std::string program = {});

    FileChooserResult ChooseFileToOpen(const FileChooserRequest& request) override;

    // What the tool is given after its name.
    static std::vector<std::string> Arguments(Tool tool, const FileChooserRequest& request);

private:
    Tool mTool;
    std::string mProgram;
};

} // namespace Zorbel
