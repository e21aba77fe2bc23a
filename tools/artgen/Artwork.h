#pragma once

#include "tools/artgen/Canvas.h"

#include <memory>

namespace ArtGen {

// The built-in 800 x 600 puzzle picture.
std::unique_ptr<Zorbel::MemoryImage> DrawPuzzlePicture(Zorbel::ImageContext& context);

} // namespace ArtGen
