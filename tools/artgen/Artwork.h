#pragma once

#include "tools/artgen/Canvas.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ArtGen {

using Picture = std::unique_ptr<Zorbel::MemoryImage>;
using NamedPictures = std::vector<std::pair<std::string, Picture>>;

// The built-in 800 x 600 puzzle picture.
Picture DrawPuzzlePicture(Zorbel::ImageContext& context);
// The 800 x 600 title shown behind the menu at start.
Picture DrawTitle(Zorbel::ImageContext& context, Zorbel::FontEngine& fonts);
Picture DrawMenuPanel(Zorbel::ImageContext& context, Zorbel::FontEngine& fonts);
// Every menu button in its normal, hover and down states, named as the game loads them.
NamedPictures DrawButtons(Zorbel::ImageContext& context, Zorbel::FontEngine& fonts);
NamedPictures DrawBorders(Zorbel::ImageContext& context);
NamedPictures DrawBanners(Zorbel::ImageContext& context, Zorbel::FontEngine& fonts);
NamedPictures DrawDifficultyPlates(Zorbel::ImageContext& context, Zorbel::FontEngine& fonts);
// The program's icon, square, at any size; and the same drawing as an SVG document.
Picture DrawIcon(Zorbel::ImageContext& context, int size);
std::string DrawIconSvg();
// The layered image font "Tessera" from the TrueType face in faceFile: its pictures and its
// descriptor "Tessera.txt", written into folder.
bool WriteLayeredFont(Zorbel::ImageContext& context, const std::string& faceFile, const std::string& folder);

} // namespace ArtGen
