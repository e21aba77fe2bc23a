#pragma once

#include <string>
#include <vector>

namespace Zorbel {

// The files a chooser offers: a caption and shell-style patterns such as "*.jpg".
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;

    // Each pattern as given, then in lower and in upper case, without repeats. Desktop choosers match
    // patterns by case, and "HOLIDAY.JPG" is as much a picture as "holiday.jpg".
    std::vector<std::string> PatternsInEitherCase() const;
};

struct FileChooserRequest {
    std::string title;
    FileFilter filter;
    // Where browsing starts; empty leaves it to the chooser (usually the folder used last).
    std::string startFolder;
    // The window the dialog belongs to, written as "x11:<hexadecimal window id>" or
    // "wayland:<exported handle>"; empty when unknown.
    std::string ownerWindow;
};

enum class FileChooserOutcome {
    Chosen,
    Cancelled,
    // No chooser could be shown at all, which the person should be told about.
    Unavailable,
};

struct FileChooserResult {
    FileChooserOutcome outcome = FileChooserOutcome::Unavailable;
    // The absolute path of the chosen file; empty unless one was chosen.
    std::string path;

    static FileChooserResult Chosen(std::string path) {
        return {FileChooserOutcome::Chosen, std::move(path)};
    }
    static FileChooserResult Cancelled() { return {FileChooserOutcome::Cancelled, {}}; }
    static FileChooserResult Unavailable() { return {FileChooserOutcome::Unavailable, {}}; }

    bool operator==(const FileChooserResult&) const = default;
};

// Asks the person for one existing file to open, blocking until they answer. Called on the main
// thread while the application treats a system dialog as open.
class FileChooser {
public:
    virtual ~FileChooser() = default;

    virtual FileChooserResult ChooseFileToOpen(const FileChooserRequest& request) = 0;
};

} // namespace Zorbel
