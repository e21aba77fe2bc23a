#pragma once

#include "framework/sound/AudioOutput.h"
#include "framework/sound/MusicLibrary.h"

#include <functional>
#include <memory>
#include <string>

namespace Zorbel {

// What a music player plays on and answers to. The first player to acquire a library table decides
// how it is loaded; the table is shared from then on.
struct MusicServices {
    // The device the built-in libraries play on; none plays nothing (no song opens).
    std::shared_ptr<AudioOutput> output;
    // Opens the libraries; empty loads the built-in ones over the output.
    MusicLibraryLoader loadLibrary;
    // A library or one of its functions is missing: shows the text in a box captioned "Error" and ends
    // the program. Should it return (as in tests), the player goes on without the library, silent.
    std::function<void(const std::string& text)> libraryMissing;
};

} // namespace Zorbel
