// Draws every picture the game loads into the given folder (the "images" folder beside the game), the
// image fonts into a second folder when one is given (the "fonts" folder), and the desktop's icons of
// the program into a third one when that is given.
#include "framework/graphics/ImageContext.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/files/AtomicFile.h"
#include "framework/platform/files/Path.h"
#include "framework/platform/font/TtfFontEngine.h"
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

// The sizes the desktop's icon theme asks for most, and the scalable drawing.
bool SaveIcons(Zorbel::ImageContext& context, const std::string& folder) {
    if (!Zorbel::MakeDirectories(folder)) {
        std::fprintf(stderr, "tesserine-artgen: cannot create %s\n", folder.c_str());
        return false;
    }
    bool ok = true;
    for (int size : {48, 64, 128, 256})
        ok = Save(folder, "tesserine-" + std::to_string(size) + ".png", *ArtGen::DrawIcon(context, size)) &&
             ok;
    if (!Zorbel::WriteFileAtomically(folder + "/tesserine.svg", ArtGen::DrawIconSvg())) {
        std::fprintf(stderr, "tesserine-artgen: cannot write %s/tesserine.svg\n", folder.c_str());
        ok = false;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: tesserine-artgen IMAGES-FOLDER [FONTS-FOLDER [ICONS-FOLDER]]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!Zorbel::MakeDirectories(folder)) {
        std::fprintf(stderr, "tesserine-artgen: cannot create %s\n", folder.c_str());
        return 1;
    }
    Zorbel::ImageContext context;
    Zorbel::TtfFontEngine fonts;
    if (!fonts.IsAvailable()) {
        std::fprintf(stderr, "tesserine-artgen: no system font found (install fonts-dejavu-core)\n");
        return 1;
    }
    bool ok = Save(folder, "quibBG.jpg", *ArtGen::DrawPuzzlePicture(context));
    ok = Save(folder, "tesserine.jpg", *ArtGen::DrawTitle(context, fonts)) && ok;
    ok = Save(folder, "menuBack.png", *ArtGen::DrawMenuPanel(context, fonts)) && ok;
    ok = Save(folder, "icon.png", *ArtGen::DrawIcon(context, 64)) && ok;
    ArtGen::NamedPictures groups[] = {ArtGen::DrawButtons(context, fonts), ArtGen::DrawBorders(context),
                                      ArtGen::DrawBanners(context, fonts),
                                      ArtGen::DrawDifficultyPlates(context, fonts)};
    for (auto& group : groups)
        for (auto& [name, picture] : group)
            ok = Save(folder, name + ".png", *picture) && ok;
    if (argc >= 3) {
        const std::string fontFolder = argv[2];
        const std::string face = fonts.Resolve("DejaVu Sans", true, false).file;
        if (!Zorbel::MakeDirectories(fontFolder) || !ArtGen::WriteLayeredFont(context, face, fontFolder)) {
            std::fprintf(stderr, "tesserine-artgen: cannot draw the image font into %s\n",
                         fontFolder.c_str());
            ok = false;
        }
    }
    if (argc == 4) ok = SaveIcons(context, argv[3]) && ok;
    return ok ? 0 : 1;
}
