#pragma once

#include <any>
#include <functional>
#include <memory>
#include <string>

namespace Zorbel {

// A music library loaded by file name, whose functions are looked up by name: the shape the players'
// function tables are filled from. Each function is a std::function of its own type.
class MusicLibrary {
public:
    MusicLibrary() = default;
    MusicLibrary(const MusicLibrary&) = delete;
    MusicLibrary& operator=(const MusicLibrary&) = delete;
    virtual ~MusicLibrary() = default;

    // The function of that name, or null when the library has none.
    virtual const std::any* Find(const std::string& name) const = 0;
};

// Opens a library by file name ("bass.dll", "fmod.dll"); null when there is none.
using MusicLibraryLoader = std::function<std::unique_ptr<MusicLibrary>(const std::string& fileName)>;

// Looks a function up into a table entry; false when the library has none of that name and type.
template <typename Signature>
bool GetFunction(const MusicLibrary& library, const std::string& name, std::function<Signature>& into) {
    const std::any* found = library.Find(name);
    const auto* function = found ? std::any_cast<std::function<Signature>>(found) : nullptr;
    if (!function || !*function) return false;
    into = *function;
    return true;
}

} // namespace Zorbel
