#pragma once

#include "framework/sound/AudioOutput.h"
#include "framework/sound/MusicLibrary.h"

#include <map>
#include <memory>
#include <string>

namespace Zorbel {

// Our own libraries behind the two players' function tables: named functions over one back end of
// their own that plays on the given output.
class BuiltinMusicLibrary final : public MusicLibrary {
public:
    // "bass.dll" or "fmod.dll" over the output (none plays nothing); null for any other name.
    static std::unique_ptr<MusicLibrary> Open(const std::string& fileName,
                                              std::shared_ptr<AudioOutput> output);
    // The loader of the built-in libraries over an output.
    static MusicLibraryLoader Loader(std::shared_ptr<AudioOutput> output);

    // Keeps the back end the functions work on for as long as the library lives.
    explicit BuiltinMusicLibrary(std::shared_ptr<void> backEnd) : mBackEnd(std::move(backEnd)) {}

    const std::any* Find(const std::string& name) const override;

    template <typename Signature>
    void Add(const std::string& name, std::function<Signature> function) {
        mFunctions[name] = std::move(function);
    }

private:
    std::shared_ptr<void> mBackEnd;
    std::map<std::string, std::any> mFunctions;
};

} // namespace Zorbel
