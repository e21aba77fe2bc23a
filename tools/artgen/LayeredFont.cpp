// The layered image font "Tessera": glyphs rasterised from a bold TrueType face, then a fill, an
// outline, a soft shadow and an additive glow drawn around them, each layer a strip of glyph cells
// in a picture of its own, at two sizes. The descriptor written beside the pictures is the sample a
// developer copies: it uses definitions, span rectangle lists, glyph maps, widths, offsets, kerning
// pairs taken from the face, base orders, colours, draw modes, tags and point ranges.
#include "tools/artgen/Artwork.h"

#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace ArtGen {

namespace {

constexpr const char* kName = "Tessera";

// Printable ASCII and Latin-1.
std::vector<uint8_t> Characters() {
    std::vector<uint8_t> chars;
    for (int c = 32; c < 127; ++c)
        chars.push_back(static_cast<uint8_t>(c));
    for (int c = 161; c < 256; ++c)
        if (c != 173) chars.push_back(static_cast<uint8_t>(c)); // no soft hyphen
    return chars;
}

// A text as the descriptor reads it back: quoted, backslashes escaped, and a single quote inside
// double quotes (where a doubled double quote stands for one).
std::string Quote(const std::string& text) {
    const bool hasSingle = text.find('\'') != std::string::npos;
    const char quote = hasSingle ? '"' : '\'';
    std::string quoted(1, quote);
    for (char c : text) {
        if (c == '\\') quoted += '\\';
        if (c == quote) quoted += quote;
        quoted += c;
    }
    return quoted + quote;
}

// A float coverage map, 0 ... 1.
struct Coverage {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Coverage(int w, int h) : width(w), height(h), values(static_cast<size_t>(w) * h, 0.0f) {}
    float& At(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
    float Get(int x, int y) const {
        return x < 0 || y < 0 || x >= width || y >= height ? 0.0f
                                                           : values[static_cast<size_t>(y) * width + x];
    }
};

// Grown by radius with a soft edge: each pixel takes the strongest neighbour within the disc.
Coverage Dilate(const Coverage& in, float radius) {
    Coverage out(in.width, in.height);
    const int r = static_cast<int>(std::ceil(radius));
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            float best = 0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    const float edge =
                        std::clamp(radius + 0.5f - std::hypot(float(dx), float(dy)), 0.0f, 1.0f);
                    best = std::max(best, in.Get(x + dx, y + dy) * edge);
                }
            out.At(x, y) = best;
        }
    return out;
}

// Two box blurs across and down, close enough to a Gaussian for a shadow.
Coverage Blur(const Coverage& in, int radius) {
    Coverage out = in;
    for (int pass = 0; pass < 2; ++pass) {
        Coverage across(in.width, in.height);
        for (int y = 0; y < in.height; ++y)
            for (int x = 0; x < in.width; ++x) {
                float sum = 0;
                for (int d = -radius; d <= radius; ++d)
                    sum += out.Get(x + d, y);
                across.At(x, y) = sum / float(2 * radius + 1);
            }
        for (int y = 0; y < in.height; ++y)
            for (int x = 0; x < in.width; ++x) {
                float sum = 0;
                for (int d = -radius; d <= radius; ++d)
                    sum += across.Get(x, y + d);
                out.At(x, y) = sum / float(2 * radius + 1);
            }
    }
    return out;
}

struct Glyph {
    uint8_t code = 0;
    int cellX = 0;
    int cellWidth = 0;
    int offsetX = 0;
    int advance = 0;
};

// One size of the font: the glyph cells side by side, and the layers' coverage over the strip.
struct Strip {
    int size = 0;
    int pad = 0;
    int ascent = 0;     // of the face, without the padding
    int lineHeight = 0; // of the face
    int shadowOffset = 0;
    int height = 0; // of a cell, padding included
    std::vector<Glyph> glyphs;
    std::vector<std::pair<std::string, int>> kerning;
    Coverage fill{0, 0};
    Coverage outline{0, 0};
    Coverage shadow{0, 0};
    Coverage glow{0, 0};
};

bool Rasterise(FT_Face face, int size, Strip& strip) {
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) return false;
    const float outlineRadius = std::max(1.0f, size / 14.0f);
    const int glowRadius = std::max(2, size / 7);
    strip.size = size;
    strip.pad = static_cast<int>(std::ceil(outlineRadius)) + 2 * glowRadius + 1;
    strip.ascent = static_cast<int>(face->size->metrics.ascender >> 6);
    const int descent = static_cast<int>(-(face->size->metrics.descender >> 6));
    strip.lineHeight = static_cast<int>(face->size->metrics.height >> 6);
    strip.height = strip.ascent + descent + 2 * strip.pad;

    struct Bitmap {
        int left, top, width, rows;
        std::vector<uint8_t> pixels;
    };
    std::vector<Bitmap> bitmaps;
    int x = 0;
    for (uint8_t code : Characters()) {
        if (FT_Load_Char(face, code, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        Bitmap bitmap{slot->bitmap_left,
                      slot->bitmap_top,
                      static_cast<int>(slot->bitmap.width),
                      static_cast<int>(slot->bitmap.rows),
                      {}};
        for (int row = 0; row < bitmap.rows; ++row) {
            const uint8_t* line = slot->bitmap.buffer + row * slot->bitmap.pitch;
            bitmap.pixels.insert(bitmap.pixels.end(), line, line + bitmap.width);
        }
        Glyph glyph;
        glyph.code = code;
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        glyph.cellX = x;
        glyph.cellWidth = bitmap.width > 0 ? bitmap.width + 2 * strip.pad : 0;
        glyph.offsetX = bitmap.left - strip.pad;
        x += glyph.cellWidth;
        strip.glyphs.push_back(glyph);
        bitmaps.push_back(std::move(bitmap));
    }

    strip.fill = Coverage(std::max(1, x), strip.height);
    for (size_t i = 0; i < strip.glyphs.size(); ++i) {
        const Bitmap& bitmap = bitmaps[i];
        const int left = strip.glyphs[i].cellX + strip.pad;
        const int top = strip.pad + strip.ascent - bitmap.top;
        for (int row = 0; row < bitmap.rows; ++row)
            for (int column = 0; column < bitmap.width; ++column) {
                const int py = top + row;
                if (py < 0 || py >= strip.height) continue;
                strip.fill.At(left + column, py) =
                    bitmap.pixels[size_t(row) * bitmap.width + column] / 255.0f;
            }
    }
    strip.outline = Dilate(strip.fill, outlineRadius);
    // The shadow is the outline's shape moved down and right; where the letter's own opaque outline
    // lies over it, it could never be seen, and is left out of the picture.
    strip.shadowOffset = std::max(1, size / 12);
    strip.shadow = Coverage(strip.fill.width, strip.fill.height);
    for (int row = 0; row < strip.height; ++row)
        for (int column = 0; column < strip.fill.width; ++column)
            if (strip.outline.Get(column + strip.shadowOffset, row + strip.shadowOffset) < 1.0f)
                strip.shadow.At(column, row) = strip.outline.Get(column, row);
    strip.glow = Blur(Dilate(strip.fill, outlineRadius + 1), glowRadius);
    // Likewise the outline under the letter's opaque fill.
    for (size_t i = 0; i < strip.outline.values.size(); ++i)
        if (strip.fill.values[i] >= 1.0f) strip.outline.values[i] = 0.0f;

    FT_Vector delta;
    for (const Glyph& a : strip.glyphs)
        for (const Glyph& b : strip.glyphs) {
            const FT_UInt first = FT_Get_Char_Index(face, a.code), second = FT_Get_Char_Index(face, b.code);
            if (FT_Get_Kerning(face, first, second, FT_KERNING_DEFAULT, &delta) != 0) continue;
            const int pixels = static_cast<int>(delta.x >> 6);
            if (pixels != 0)
                strip.kerning.emplace_back(std::string{char(a.code), char(b.code)},
                                           std::clamp(pixels, -128, 127));
        }
    return true;
}

uint32_t Alpha(float coverage) {
    return static_cast<uint32_t>(std::lround(std::clamp(coverage, 0.0f, 1.0f) * 255.0f)) << 24;
}

// White at the top of the letters to a cool grey at the baseline, so that a text colour keeps
// some depth.
uint32_t FillShade(float coverage, float y, const Strip& strip) {
    const float t = std::clamp((y - strip.pad) / float(strip.ascent), 0.0f, 1.0f);
    const auto red = static_cast<uint32_t>(std::lround(255 - 52 * t));
    const auto blue = static_cast<uint32_t>(std::lround(255 - 36 * t));
    return Alpha(coverage) | red << 16 | red << 8 | blue;
}

uint32_t WhiteShade(float coverage, float, const Strip&) {
    return Alpha(coverage) | 0xFFFFFF;
}

// The outline and the shadow carry their own colours: drawn as they are, whatever the text colour,
// they take the quickest way through the renderer.
uint32_t OutlineShade(float coverage, float, const Strip&) {
    return Alpha(coverage) | 0x16112A;
}

uint32_t ShadowShade(float coverage, float, const Strip&) {
    return Alpha(coverage * 0.55f);
}

using Shade = uint32_t (*)(float coverage, float y, const Strip& strip);

// One layer of one size as the descriptor describes it: each glyph cut to the box its pixels cover
// and packed side by side into a picture of its own, placed by an offset from the pen and the top
// of the line. Transparent margins would cost every draw a walk over them.
struct PackedLayer {
    std::string name;
    Picture picture;
    std::vector<Zorbel::Rect> rects;
    std::vector<std::pair<int, int>> offsets;
    int height = 0; // from the top of the line to the lowest pixel
};

// With uniform, every box spans the same rows (the band all glyphs of the layer cover), so that the
// boxes form one span list.
PackedLayer Pack(Zorbel::ImageContext& context, const Strip& strip, const Coverage& coverage, Shade shade,
                 bool uniform) {
    struct Box {
        int left = 0, top = 0, right = 0, bottom = 0; // in the glyph's cell; empty when right == left
    };
    std::vector<Box> boxes;
    int bandTop = strip.height, bandBottom = 0;
    for (const Glyph& glyph : strip.glyphs) {
        Box box{glyph.cellWidth, strip.height, 0, 0};
        for (int y = 0; y < strip.height; ++y)
            for (int x = 0; x < glyph.cellWidth; ++x)
                if (coverage.Get(glyph.cellX + x, y) >= 1.0f / 255.0f) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
                }
        if (box.right <= box.left) box = Box{};
        if (box.right > box.left) {
            bandTop = std::min(bandTop, box.top);
            bandBottom = std::max(bandBottom, box.bottom);
        }
        boxes.push_back(box);
    }
    if (uniform)
        for (Box& box : boxes)
            if (box.right > box.left) box.top = bandTop, box.bottom = bandBottom;

    PackedLayer layer;
    int width = 0, height = 1;
    for (const Box& box : boxes) {
        width += box.right - box.left;
        height = std::max(height, box.bottom - box.top);
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(std::max(1, width)) * height, 0);
    int x = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& box = boxes[i];
        const Glyph& glyph = strip.glyphs[i];
        for (int row = box.top; row < box.bottom; ++row)
            for (int column = box.left; column < box.right; ++column) {
                const float value = coverage.Get(glyph.cellX + column, row);
                if (value >= 1.0f / 255.0f)
                    pixels[size_t(row - box.top) * std::max(1, width) + x + column - box.left] =
                        shade(value, float(row), strip);
            }
        // The cell's top row lies pad pixels above the line.
        const int lineTop = box.top - strip.pad;
        layer.rects.emplace_back(x, 0, box.right - box.left, box.bottom - box.top);
        layer.offsets.emplace_back(glyph.offsetX + box.left, box.right > box.left ? lineTop : 0);
        if (box.right > box.left) layer.height = std::max(layer.height, lineTop + box.bottom - box.top);
        x += box.right - box.left;
    }
    layer.picture = std::make_unique<Zorbel::MemoryImage>(context);
    layer.picture->SetPixels(pixels.data(), std::max(1, width), height, true);
    return layer;
}

bool Save(const std::string& path, Zorbel::MemoryImage& picture) {
    auto out = Zorbel::ImageLib::Image::Create(picture.GetWidth(), picture.GetHeight(), false);
    if (!out) return false;
    std::memcpy(out->GetBits(), picture.GetPixels(), out->GetPixelCount() * sizeof(uint32_t));
    return Zorbel::ImageLib::WritePng(path, *out);
}

template <typename Item, typename Write>
void List(std::ostream& out, const std::vector<Item>& items, Write write) {
    out << "(";
    for (size_t i = 0; i < items.size(); ++i) {
        out << (i == 0 ? "" : i % 16 == 0 ? "\n    " : " ");
        write(items[i]);
    }
    out << ")";
}

void Rects(std::ostream& out, const PackedLayer& layer) {
    List(out, layer.rects, [&](const Zorbel::Rect& r) {
        out << "(" << r.x << " " << r.y << " " << r.width << " " << r.height << ")";
    });
}

void Offsets(std::ostream& out, const PackedLayer& layer) {
    List(out, layer.offsets,
         [&](const auto& offset) { out << "(" << offset.first << " " << offset.second << ")"; });
}

// The glyphs of a layer made from the fill: its own picture, boxes and offsets. The boxes are written
// out, or named by cells when a definition holds them.
void Glyphs(std::ostream& out, const PackedLayer& layer, const std::string& n, int lineSpacingOffset,
            const std::string& cells = {}) {
    out << "CreateLayerFrom " << layer.name << " Fill" << n << ";\n"
        << "LayerSetImage " << layer.name << " '" << kName << layer.name << ".png';\n"
        << "LayerSetLineSpacingOffset " << layer.name << " " << lineSpacingOffset << ";\n"
        << "LayerSetCharOffsets " << layer.name << " Chars" << n << " ";
    Offsets(out, layer);
    out << ";\nLayerSetImageMap " << layer.name << " Chars" << n << " ";
    if (cells.empty())
        Rects(out, layer);
    else
        out << cells;
    out << ";\n";
}

// The commands of one size: the fill layer first, then the others made from it.
void Describe(std::ostream& out, const Strip& strip, const std::vector<PackedLayer>& layers, int minSize,
              int maxSize) {
    const std::string n = std::to_string(strip.size);
    const PackedLayer& fill = layers[0];
    const PackedLayer& outline = layers[1];
    const PackedLayer& shadow = layers[2];
    const PackedLayer& glow = layers[3];
    // Line spacing is the face's, however far the outline and shadow reach below it (the glow, when
    // asked for, spreads the lines a little).
    const int tallest = std::max({fill.height, outline.height, shadow.height});
    const int lineSpacingOffset = strip.lineHeight - tallest;

    out << "\n# --- Drawn at " << n << " pixels, used for sizes " << minSize << " to "
        << (maxSize < 0 ? std::string("any larger") : std::to_string(maxSize)) << " ---\n\n";
    out << "Define Chars" << n << " ";
    List(out, strip.glyphs, [&](const Glyph& g) { out << Quote(std::string(1, char(g.code))); });
    out << ";\nDefine Offsets" << n << " ";
    Offsets(out, fill);
    out << ";\n\nCreateLayer " << fill.name << ";\n"
        << "LayerSetImage " << fill.name << " '" << kName << fill.name << ".png';\n"
        << "LayerPointRange " << fill.name << " " << minSize << " " << maxSize << ";\n"
        << "LayerSetPointSize " << fill.name << " " << n << ";\n"
        << "LayerSetAscent " << fill.name << " " << strip.ascent << ";\n"
        << "LayerSetLineSpacingOffset " << fill.name << " " << lineSpacingOffset << ";\n"
        << "# Offsets before the map: the layer's height counts them.\n"
        << "LayerSetCharOffsets " << fill.name << " Chars" << n << " Offsets" << n << ";\n"
        << "# Each glyph's box in the picture: x y width height.\n"
        << "LayerSetImageMap " << fill.name << " Chars" << n << " ";
    Rects(out, fill);
    out << ";\nLayerSetCharWidths " << fill.name << " Chars" << n << " ";
    List(out, strip.glyphs, [&](const Glyph& g) { out << g.advance; });
    out << ";\n# Pairs from the face's kerning table.\nLayerSetKerningPairs " << fill.name << " ";
    List(out, strip.kerning, [&](const auto& pair) { out << Quote(pair.first); });
    out << "\n    ";
    List(out, strip.kerning, [&](const auto& pair) { out << pair.second; });
    out << ";\n\n# The other layers copy the fill's widths, kerning and range, and take glyphs, colours\n"
           "# and orders of their own. The outline and the shadow keep the colours of their pictures:\n"
           "# they are drawn in white whatever the text colour, with the text's alpha.\n";
    Glyphs(out, outline, n, lineSpacingOffset);
    out << "LayerSetColorMult " << outline.name << " (0 0 0 1);\n"
        << "LayerSetColorAdd " << outline.name << " (1 1 1 0);\n"
        << "LayerSetBaseOrder " << outline.name << " -1;\n\n";
    Glyphs(out, shadow, n, lineSpacingOffset);
    out << "LayerSetColorMult " << shadow.name << " (0 0 0 1);\n"
        << "LayerSetColorAdd " << shadow.name << " (1 1 1 0);\n"
        << "LayerSetOffset " << shadow.name << " (" << strip.shadowOffset << " " << strip.shadowOffset
        << ");\n"
        << "LayerSetBaseOrder " << shadow.name << " -2;\n"
        << "LayerExcludeTags " << shadow.name << " ('Flat');\n\n"
        << "# With the tag Glow: light added around the letters, under everything else. Its glyphs\n"
        << "# all span the same rows, so that their boxes are one span list.\n"
        << "CreateHorzSpanRectList GlowCells" << n << " (0 0 0 " << glow.picture->GetHeight() << ") ";
    List(out, glow.rects, [&](const Zorbel::Rect& r) { out << r.width; });
    out << ";\n";
    Glyphs(out, glow, n, lineSpacingOffset, "GlowCells" + n);
    out << "LayerSetDrawMode " << glow.name << " 1;\n"
        << "LayerSetColorMult " << glow.name << " (1 1 1 0.8);\n"
        << "LayerSetBaseOrder " << glow.name << " -3;\n"
        << "LayerRequireTags " << glow.name << " ('Glow');\n";
}

} // namespace

bool WriteLayeredFont(Zorbel::ImageContext& context, const std::string& faceFile, const std::string& folder) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return false;
    FT_Face face = nullptr;
    bool ok = FT_New_Face(library, faceFile.c_str(), 0, &face) == 0;

    std::ostringstream out;
    out << "# " << kName << ": a bold sans image font in layers (fill, outline, shadow, and a glow for the\n"
        << "# tag Glow), drawn by tesserine-artgen from " << (ok ? face->family_name : "") << " "
        << (ok ? face->style_name : "") << ".\n"
        << "# Each layer is a picture with its glyphs side by side, each cut to the box its pixels cover;\n"
        << "# outline and shadow pixels under the letter's own opaque fill or outline are left out (only a\n"
        << "# translucent text colour would have shown them). The layers of the small size serve fonts up\n"
        << "# to 19 points, those of the large size all larger ones, scaled as needed.\n\n"
        << "SetDefaultPointSize 32;\n";
    const struct { int size, minSize, maxSize; } sizes[] = {{14, 0, 19}, {32, 20, -1}};
    for (const auto& size : sizes) {
        Strip strip;
        if (!ok || !Rasterise(face, size.size, strip)) {
            ok = false;
            break;
        }
        const std::string n = std::to_string(size.size);
        std::vector<PackedLayer> layers;
        layers.push_back(Pack(context, strip, strip.fill, FillShade, false));
        layers.push_back(Pack(context, strip, strip.outline, OutlineShade, false));
        layers.push_back(Pack(context, strip, strip.shadow, ShadowShade, false));
        layers.push_back(Pack(context, strip, strip.glow, WhiteShade, true));
        const char* names[] = {"Fill", "Outline", "Shadow", "Glow"};
        for (size_t i = 0; i < layers.size() && ok; ++i) {
            layers[i].name = names[i] + n;
            ok = Save(folder + "/" + kName + layers[i].name + ".png", *layers[i].picture);
        }
        if (!ok) break;
        Describe(out, strip, layers, size.minSize, size.maxSize);
    }
    if (face != nullptr) FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!ok) return false;
    std::ofstream file(folder + "/" + kName + ".txt", std::ios::binary);
    file << out.str();
    return static_cast<bool>(file.flush());
}

} // namespace ArtGen
