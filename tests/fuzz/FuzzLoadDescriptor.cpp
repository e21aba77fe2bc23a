// Loads an arbitrary font descriptor and, when it loads, measures and draws with the font at a few
// sizes, scales and tags steered by the input, so that hostile numbers reach the scaling and the
// drawing too. A small glyph picture beside the descriptor lets the picture commands succeed.
#include "framework/font/FontData.h"
#include "framework/font/ImageFont.h"
#include "framework/font/StandaloneFontHost.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "tests/fuzz/FuzzFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void WriteGlyphPicture() {
    static const bool written = [] {
        auto picture = Zorbel::ImageLib::Image::Create(12, 4, false);
        for (size_t i = 0; i < picture->GetPixelCount(); ++i)
            picture->GetBits()[i] = i % 3 == 0 ? 0x80FFFFFF : 0xFF204080;
        return Zorbel::ImageLib::WritePng(FuzzFiles::PathOf("g.png"), *picture);
    }();
    if (!written) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteGlyphPicture();
    FuzzFiles::Write("font.txt", data, size);
    Zorbel::ImageContext context;
    Zorbel::StandaloneFontHost host(context);
    Zorbel::ImageFont font(&host, FuzzFiles::PathOf("font.txt"));
    if (!font.IsInitialized()) return 0;

    const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 64));
    Zorbel::MemoryImage target(context);
    target.SetSize(64, 32);
    Zorbel::Graphics g(&target);
    const uint8_t steer = size > 0 ? data[size - 1] : 0;
    for (int round = 0; round < 3; ++round) {
        (void)font.StringWidth(text);
        std::vector<Zorbel::Rect> glyphs;
        int32_t width = 0;
        font.DrawTextEx(g, 3, 20, text, Zorbel::Color(200, 100, 50, 255), target.GetBounds(), &glyphs,
                        &width);
        font.SetPointSize(font.GetDefaultPointSize() + (steer & 15) - round * 4);
        font.SetScale(round == 1 ? 0.5 + (steer >> 4) / 4.0 : 1.0);
        (void)font.AddTag(round == 0 ? "bold" : "GLOW");
    }
    std::unique_ptr<Zorbel::Font> copy = font.Clone();
    (void)copy->StringWidth(text);
    return 0;
}
