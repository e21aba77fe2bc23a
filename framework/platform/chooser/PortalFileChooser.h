#pragma once

#include "framework/platform/FileChooser.h"

#include <optional>
#include <string>

namespace Zorbel {

// The desktop's own chooser, asked for through the desktop portal's FileChooser.OpenFile on the
// session bus. Unavailable when there is no bus, no portal, or a portal without a file chooser.
class PortalFileChooser : public FileChooser {
public:
    struct Options {
        // The bus to use; empty means this login's session bus.
        std::string busAddress;
        // How long the portal may take to start up and take the request.
        int callTimeoutMs = 25'000;
        // A portal that never answers must not hold the program for ever; after this long the request
        // is withdrawn and counts as cancelled. Generous, since a person may think for a while.
        int answerTimeoutMs = 20 * 60'000;
    };

    PortalFileChooser() = default;
    explicit PortalFileChooser(Options options) : mOptions(std::move(options)) {}

    FileChooserResult ChooseFileToOpen(const FileChooserRequest& request) override;

    // The session bus address from $DBUS_SESSION_BUS_ADDRESS, else the per-user socket in
    // $XDG_RUNTIME_DIR; empty when neither exists. Never starts a bus of its own.
    static std::string SessionBusAddress();

private:
    Options mOptions;
};

// The local path a "file:" URI names, percent escapes decoded; nothing for other schemes, other
// hosts, malformed escapes, or paths that could not exist (relative, holding a NUL byte).
std::optional<std::string> FileUriToPath(const std::string& uri);

} // namespace Zorbel
