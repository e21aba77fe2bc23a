// The program's icon: eight bevelled tiles and one gap on a dark rounded square. It is described once
// as rounded boxes on a 64-unit grid, which are painted at any pixel size and written as SVG.
#include "tools/artgen/Artwork.h"

#include <algorithm>
#include <cstdio>

namespace ArtGen {

namespace {

struct Box {
    float x, y, w, h, radius;
    Color color;
};

constexpr float IconGrid = 64;

// A tile lit from the top left: dark rim, light rim, face, and a sheen over the face's upper half.
void AddTile(std::vector<Box>& boxes, float x, float y, float size, const Color& base) {
    boxes.push_back({x, y, size, size, 5, Darker(base, 0.35f)});
    boxes.push_back({x, y, size - 2, size - 2, 5, Lighter(base, 0.3f)});
    boxes.push_back({x + 2, y + 2, size - 4, size - 4, 4, base});
    boxes.push_back({x + 2, y + 2, size - 4, (size - 4) / 2, 0, Color(255, 255, 255, 22)});
}

std::vector<Box> IconBoxes() {
    std::vector<Box> boxes = {{0, 0, IconGrid, IconGrid, 10, Color(30, 24, 60)}};
    for (int i = 1; i < 9; ++i)
        AddTile(boxes, 4 + (i % 3) * 19.0f, 4 + (i / 3) * 19.0f, 18, Hsv(i * 40.0f, 0.7f, 0.9f));
    return boxes;
}

} // namespace

Picture DrawIcon(Zorbel::ImageContext& context, int size) {
    // Small icons get more samples per pixel so that the tiles' edges stay smooth.
    Canvas c(context, size, size, std::max(2, 256 / size));
    const float unit = static_cast<float>(size) / IconGrid;
    for (const Box& b : IconBoxes())
        c.RoundRect(b.x * unit, b.y * unit, b.w * unit, b.h * unit, b.radius * unit, b.color);
    return c.Resolve();
}

std::string DrawIconSvg() {
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n";
    char line[200];
    for (const Box& b : IconBoxes()) {
        std::snprintf(line, sizeof line,
                      "  <rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" rx=\"%g\" fill=\"#%02x%02x%02x\"",
                      static_cast<double>(b.x), static_cast<double>(b.y), static_cast<double>(b.w),
                      static_cast<double>(b.h), static_cast<double>(b.radius), b.color.red, b.color.green,
                      b.color.blue);
        svg += line;
        if (b.color.alpha < 255) {
            std::snprintf(line, sizeof line, " fill-opacity=\"%.3f\"", b.color.alpha / 255.0);
            svg += line;
        }
        svg += "/>\n";
    }
    return svg + "</svg>\n";
}

} // namespace ArtGen
