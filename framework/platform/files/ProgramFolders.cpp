#include "framework/platform/files/ProgramFolders.h"

#include "framework/platform/files/Path.h"

#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Zorbel {

namespace {

// Relative data paths are opened below this ("" or a folder ending in "/"). Set once during start-up,
// before any other thread runs.
std::string gDataPrefix;

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool HoldsData(const std::string& folder) {
    return IsFolder(folder + "/images");
}

// An executable in a prefix's "games" or "bin" folder shares that folder with other programs, so the
// folder is not its own to write in.
bool IsInstalled(const std::string& programFolder) {
    std::string name = GetFileName(programFolder);
    return (name == "games" || name == "bin") && IsFolder(GetFileDir(programFolder) + "/share");
}

std::string FindData(const std::string& programFolder, const std::string& programName) {
    if (HoldsData(programFolder)) return programFolder;
    std::string prefix = GetFileDir(programFolder);
    for (const std::string& candidate :
         {prefix + "/share/games/" + programName, prefix + "/share/" + programName})
        if (HoldsData(candidate)) return candidate;
    return std::string();
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : std::string();
}

std::string CurrentFolder() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

} // namespace

ProgramFolders ProgramFolders::Locate(const std::string& programPath, const std::string& userKey,
                                      WritableCheck writable) {
    ProgramFolders folders;
    folders.mProgram = GetFileDir(programPath);
    if (folders.mProgram.empty()) return folders;
    folders.mData = FindData(folders.mProgram, GetFileName(programPath));
    bool ownFolder = !IsInstalled(folders.mProgram);
    if (ownFolder && writable(folders.mProgram)) {
        folders.mWorking = folders.mProgram;
    } else {
        folders.mWorking = UserDataFolder(userKey);
        // Without a usable user folder the program's own is the only place left.
        if (folders.mWorking.empty()) folders.mWorking = folders.mProgram;
    }
    return folders;
}

bool ProgramFolders::EnterWorkingFolder() const {
    if (mWorking.empty()) return false;
    if (!IsFolder(mWorking) && !MakeDirectories(mWorking)) return false;
    return chdir(mWorking.c_str()) == 0;
}

bool ProgramFolders::IsWritableFolder(const std::string& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string ProgramFolders::UserDataFolder(const std::string& userKey) {
    // Relative values are invalid by the base directory rules and are ignored.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string folder;
    if (dataHome && dataHome[0] == '/') {
        folder = dataHome;
    } else {
        std::string home = HomeFolder();
        if (home.empty()) return std::string();
        folder = home + "/.local/share";
    }
    if (userKey.empty()) return std::string();
    std::string rest = userKey + "\\";
    size_t start = 0;
    for (size_t end = rest.find_first_of("\\/"); end != std::string::npos;
         start = end + 1, end = rest.find_first_of("\\/", start)) {
        std::string level = rest.substr(start, end - start);
        if (level.empty() || level == "." || level == "..") return std::string();
        folder += "/" + level;
    }
    return folder;
}

void UseDataFolder(const std::string& folder) {
    gDataPrefix = folder.empty() || folder == CurrentFolder() ? std::string() : folder + "/";
}

std::string DataPath(const std::string& relative) {
    if (relative.empty() || relative[0] == '/') return relative;
    return gDataPrefix + relative;
}

} // namespace Zorbel
