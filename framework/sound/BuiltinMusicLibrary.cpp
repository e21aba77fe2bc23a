#include "framework/sound/BuiltinMusicLibrary.h"

#include "framework/sound/BassLibrary.h"
#include "framework/sound/FmodLibrary.h"

namespace Zorbel {

std::unique_ptr<MusicLibrary> BuiltinMusicLibrary::Open(const std::string& fileName,
                                                        std::shared_ptr<AudioOutput> output) {
    if (fileName == "bass.dll") return MakeBassLibrary(std::move(output));
    if (fileName == "fmod.dll") return MakeFmodLibrary(std::move(output));
    return nullptr;
}

MusicLibraryLoader BuiltinMusicLibrary::Loader(std::shared_ptr<AudioOutput> output) {
    return [output](const std::string& fileName) { return Open(fileName, output); };
}

const std::any* BuiltinMusicLibrary::Find(const std::string& name) const {
    auto found = mFunctions.find(name);
    return found == mFunctions.end() ? nullptr : &found->second;
}

} // namespace Zorbel
