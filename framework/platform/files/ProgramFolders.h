#pragma once

#include <string>

namespace Zorbel {

// Where a program finds its read-only data (the "images" folder) and where it writes the files it keeps
// beside itself (error log, demos, screenshots, caches).
//
// A build tree or a portable copy holds its data next to the executable and works in its own folder
// when it may write there. An installed program keeps its executable in <prefix>/games or <prefix>/bin,
// folders it shares with every other program, and its data in <prefix>/share/games/<name> or
// <prefix>/share/<name>; it never writes below the prefix. Both it and a read-only portable copy work in
// the user's data folder, $XDG_DATA_HOME/<user key> (by default ~/.local/share/<user key>).
class ProgramFolders {
public:
    using WritableCheck = bool (*)(const std::string& folder);

    // programPath is the executable's full path; userKey names the user's data folder below the data
    // home, with "\" or "/" between levels ("Vendor\Product"). Looks at the file system but changes
    // nothing.
    static ProgramFolders Locate(const std::string& programPath, const std::string& userKey,
                                 WritableCheck writable = IsWritableFolder);

    // The executable's folder.
    const std::string& Program() const { return mProgram; }
    // The folder holding "images"; empty when none was found, so that data paths stay relative.
    const std::string& Data() const { return mData; }
    // The folder the program works in; empty when the program's path is unknown.
    const std::string& Working() const { return mWorking; }

    // Creates the working folder when it is missing and makes it the current directory.
    [[nodiscard]] bool EnterWorkingFolder() const;

    static bool IsWritableFolder(const std::string& folder);
    // $XDG_DATA_HOME/<userKey>, or ~/.local/share/<userKey> when XDG_DATA_HOME is unset or relative.
    // Empty when the key has an empty, "." or ".." level.
    static std::string UserDataFolder(const std::string& userKey);

private:
    std::string mProgram;
    std::string mData;
    std::string mWorking;
};

// The data folder of the running program, given once at start-up after the working directory was
// chosen. DataPath then turns a relative data path ("images/icon") into the path that opens it from the
// working directory: unchanged while the data lie in the working directory (or none were found),
// otherwise below the data folder. Absolute paths are never changed.
void UseDataFolder(const std::string& folder);
std::string DataPath(const std::string& relative);

} // namespace Zorbel
