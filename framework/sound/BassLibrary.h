#pragma once

#include "framework/sound/AudioOutput.h"
#include "framework/sound/MusicLibrary.h"

#include <memory>

namespace Zorbel {

// Our "bass.dll": the functions BassInstance looks up, over a back end of their own on the output.
// Streams (WAV, Ogg Vorbis, MPEG audio) and modules are channels; positions are a stream's decoded byte
// or a module's order; flag 4 loops; −1 leaves a frequency or volume as it is, −101 a pan.
std::unique_ptr<MusicLibrary> MakeBassLibrary(std::shared_ptr<AudioOutput> output);

} // namespace Zorbel
