// zorbel-fontview: loads an image font, prints the width of a text in it and, when asked, draws the
// text into a PNG picture just large enough for its glyphs.
//
//   zorbel-fontview [--size N] [--scale F] [--tag T]... [--color RRGGBB] [--out FILE.png] DESCRIPTOR TEXT
#include "framework/font/ImageFont.h"
#include "framework/font/StandaloneFontHost.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace Zorbel;

namespace {

// Pictures larger than this on a side are refused rather than allocated.
constexpr int32_t kLargestSide = 16384;

struct Options {
    std::optional<int32_t> size;
    double scale = 1.0;
    std::vector<std::string> tags;
    Color color = Color::White;
    std::string out;
    std::string descriptor;
    std::string text;
};

int Usage() {
    std::fprintf(stderr, "usage: zorbel-fontview [--size N] [--scale F] [--tag T]... [--color RRGGBB] "
                         "[--out FILE.png] DESCRIPTOR TEXT\n");
    return 2;
}

bool ParseInt(const char* text, int32_t& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < 0 || parsed > 100000) return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

bool ParseColor(const char* text, Color& color) {
    if (std::strlen(text) != 6 || std::strspn(text, "0123456789abcdefABCDEF") != 6) return false;
    color = Color::FromPacked(0xFF000000u | static_cast<uint32_t>(std::strtoul(text, nullptr, 16)));
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string> positional;
    bool optionsEnded = false; // after "--" a text may start with dashes
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (optionsEnded || arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--size" && hasValue) {
            int32_t size = 0;
            if (!ParseInt(argv[++i], size)) return false;
            options.size = size;
        } else if (arg == "--scale" && hasValue) {
            char* end = nullptr;
            options.scale = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(options.scale > 0.0 && options.scale <= 100.0)) return false;
        } else if (arg == "--tag" && hasValue) {
            options.tags.emplace_back(argv[++i]);
        } else if (arg == "--color" && hasValue) {
            if (!ParseColor(argv[++i], options.color)) return false;
        } else if (arg == "--out" && hasValue) {
            options.out = argv[++i];
        } else {
            return false;
        }
    }
    if (positional.size() != 2) return false;
    options.descriptor = positional[0];
    options.text = positional[1];
    return true;
}

// The union of the glyph rectangles that cover anything.
Rect Bounds(const std::vector<Rect>& glyphs) {
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (const Rect& r : glyphs) {
        if (r.IsEmpty()) continue;
        left = std::min<int64_t>(left, r.x);
        top = std::min<int64_t>(top, r.y);
        right = std::max<int64_t>(right, int64_t(r.x) + r.width);
        bottom = std::max<int64_t>(bottom, int64_t(r.y) + r.height);
    }
    if (left > right) return Rect();
    return Rect(static_cast<int32_t>(left), static_cast<int32_t>(top),
                static_cast<int32_t>(std::min<int64_t>(right - left, kLargestSide + 1)),
                static_cast<int32_t>(std::min<int64_t>(bottom - top, kLargestSide + 1)));
}

bool WritePicture(ImageContext& context, ImageFont& font, const Options& options) {
    std::vector<Rect> glyphs;
    Graphics measure;
    font.DrawTextEx(measure, 0, 0, options.text, options.color, Rect(), &glyphs, nullptr);
    const Rect bounds = Bounds(glyphs);
    if (bounds.width > kLargestSide || bounds.height > kLargestSide) {
        std::fprintf(stderr, "zorbel-fontview: the text is too large to draw\n");
        return false;
    }
    // An empty text still gives a picture: one transparent pixel.
    MemoryImage picture(context);
    picture.SetSize(std::max(1, bounds.width), std::max(1, bounds.height));
    (void)picture.ClearAll();
    Graphics g(&picture);
    font.DrawTextEx(g, -bounds.x, -bounds.y, options.text, options.color, picture.GetBounds(), nullptr,
                    nullptr);

    auto out = ImageLib::Image::Create(picture.GetWidth(), picture.GetHeight(), false);
    if (out) std::memcpy(out->GetBits(), picture.GetPixels(), out->GetPixelCount() * sizeof(uint32_t));
    if (!out || !ImageLib::WritePng(options.out, *out)) {
        std::fprintf(stderr, "zorbel-fontview: cannot write %s\n", options.out.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return Usage();

    ImageContext context;
    StandaloneFontHost host(context);
    ImageFont font(&host, options.descriptor);
    for (const std::string& error : host.Errors())
        std::fprintf(stderr, "%s\n", error.c_str());
    if (!font.IsInitialized()) {
        // The font ignores a descriptor it cannot read; a viewer says so.
        if (host.Errors().empty())
            std::fprintf(stderr, "cannot read descriptor: %s\n", options.descriptor.c_str());
        return 1;
    }
    if (options.size) font.SetPointSize(*options.size);
    if (options.scale != 1.0) font.SetScale(options.scale);
    for (const std::string& tag : options.tags)
        font.AddTag(tag);

    std::printf("width %d\n", font.StringWidth(options.text));
    if (!options.out.empty() && !WritePicture(context, font, options)) return 1;
    return 0;
}
