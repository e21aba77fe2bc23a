#pragma once

#include "framework/sound/AudioOutput.h"
#include "framework/sound/MusicLibrary.h"

#include <memory>

namespace Zorbel {

// Our "fmod.dll": the functions FmodInstance looks up, over a back end of their own on the output.
// Samples are sounds in memory played on 32 numbered channels; modules and streams are channels of
// their own.
std::unique_ptr<MusicLibrary> MakeFmodLibrary(std::shared_ptr<AudioOutput> output);

} // namespace Zorbel
