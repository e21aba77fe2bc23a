#include "framework/platform/chooser/CommandFileChooser.h"

#include "framework/platform/process/Subprocess.h"

#include <cstdlib>
#include <filesystem>

namespace Zorbel {

namespace {

// The tools take an X window id in decimal; other owners (Wayland) cannot be passed on.
std::string X11WindowId(const std::string& ownerWindow) {
    const std::string prefix = "x11:";
    if (ownerWindow.compare(0, prefix.size(), prefix) != 0) return {};
    const std::string hex = ownerWindow.substr(prefix.size());
    if (hex.empty() || hex.size() > 16 ||
        hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return {};
    return std::to_string(std::strtoull(hex.c_str(), nullptr, 16));
}

std::string JoinPatterns(const FileFilter& filter) {
    std::string joined;
    for (const std::string& pattern : filter.PatternsInEitherCase())
        joined += (joined.empty() ? "" : " ") + pattern;
    return joined;
}

// Both tools read "|" as the border between caption and patterns.
std::string CaptionWithoutBars(std::string caption) {
    for (char& c : caption)
        if (c == '|') c = ' ';
    return caption;
}

std::vector<std::string> ZenityArguments(const FileChooserRequest& request) {
    std::vector<std::string> arguments = {"--file-selection", "--title=" + request.title};
    // A trailing slash makes zenity open the folder instead of proposing its name as the file.
    if (!request.startFolder.empty())
        arguments.push_back("--filename=" + request.startFolder +
                            (request.startFolder.back() == '/' ? "" : "/"));
    if (!request.filter.patterns.empty())
        arguments.push_back("--file-filter=" + CaptionWithoutBars(request.filter.description) + " | " +
                            JoinPatterns(request.filter));
    std::string owner = X11WindowId(request.ownerWindow);
    if (!owner.empty()) arguments.push_back("--attach=" + owner);
    return arguments;
}

std::vector<std::string> KdialogArguments(const FileChooserRequest& request) {
    std::vector<std::string> arguments = {"--title", request.title};
    std::string owner = X11WindowId(request.ownerWindow);
    if (!owner.empty()) arguments.insert(arguments.end(), {"--attach", owner});
    // The filter can only follow a starting folder.
    arguments.push_back("--getopenfilename");
    arguments.push_back(request.startFolder.empty() ? "." : request.startFolder);
    if (!request.filter.patterns.empty())
        arguments.push_back(JoinPatterns(request.filter) + "|" +
                            CaptionWithoutBars(request.filter.description));
    return arguments;
}

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

// GTK exits with the same code for "no display" as for "cancelled", and says so on standard error.
bool CouldNotOpenDisplay(const ProcessOutcome& outcome) {
    return outcome.errors.find("open display") != std::string::npos;
}

FileChooserResult Interpret(const ProcessOutcome& outcome) {
    if (!outcome.started || !outcome.exited) return FileChooserResult::Unavailable();
    std::string path = outcome.output;
    if (!path.empty() && path.back() == '\n') path.pop_back();
    if (outcome.exitCode == 0 && !path.empty()) {
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(path, error);
        return error ? FileChooserResult::Unavailable() : FileChooserResult::Chosen(absolute.string());
    }
    if (outcome.exitCode == 0) return FileChooserResult::Cancelled();
    if (outcome.exitCode == 1 && path.empty() && !CouldNotOpenDisplay(outcome))
        return FileChooserResult::Cancelled();
    return FileChooserResult::Unavailable();
}

} // namespace

CommandFileChooser::CommandFileChooser(Tool tool, std::string program)
    : mTool(tool), mProgram(std::move(program)) {
    if (mProgram.empty()) mProgram = tool == Tool::Zenity ? "zenity" : "kdialog";
}

std::vector<std::string> CommandFileChooser::Arguments(Tool tool, const FileChooserRequest& request) {
    return tool == Tool::Zenity ? ZenityArguments(request) : KdialogArguments(request);
}

FileChooserResult CommandFileChooser::ChooseFileToOpen(const FileChooserRequest& request) {
    if (!HasDisplay()) return FileChooserResult::Unavailable();
    std::string program = FindProgramOnPath(mProgram);
    if (program.empty()) return FileChooserResult::Unavailable();
    return Interpret(RunProcess(program, Arguments(mTool, request)));
}

} // namespace Zorbel
