// Draws every picture the game loads into the given folder (the "images" folder beside the game).
#include "framework/graphics/ImageContext.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/Path.h"
#include "tools/artgen/Artwork.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool Save(const std::string& folder, const std::string& name, Zorbel::MemoryImage& picture) {
    auto out = Zorbel::ImageLib::Image::Create(picture.GetWidth(), picture.GetHeight(), false);
    if (!out) return false;
    std::memcpy(out->GetBits(), picture.GetPixels(), out->GetPixelCount() * sizeof(uint32_t));
    std::string path = folder + "/" + name;
    bool jpeg = path.size() > 4 && path.compare(path.size() - 4, 4, ".jpg") == 0;
    bool ok = jpeg ? Zorbel::ImageLib::WriteJpeg(path, *out) : Zorbel::ImageLib::WritePng(path, *out);
    if (!ok) std::fprintf(stderr, "tesserine-artgen: cannot write %s\n", path.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tesserine-artgen OUTPUT-FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!Zorbel::MakeDirectories(folder)) {
        std::fprintf(stderr, "tesserine-artgen: cannot create %s\n", folder.c_str());
        return 1;
    }
    Zorbel::ImageContext context;
    bool ok = Save(folder, "quibBG.jpg", *ArtGen::DrawPuzzlePicture(context));
    return ok ? 0 : 1;
}
