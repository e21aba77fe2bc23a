// The game's interface pictures: title, menu panel, buttons, tile borders, banners and difficulty
// plates. Sizes follow the menu layout: the panel sits at x 50 and its buttons, preview and difficulty
// plate at fixed places on it.
#include "tools/artgen/Artwork.h"

#include <cmath>

namespace ArtGen {

namespace {

using Picture = std::unique_ptr<Zorbel::MemoryImage>;

const Color Gold(250, 205, 90);
const Color Ink(28, 22, 48);

Canvas::TextStyle LabelStyle(float size) {
    Canvas::TextStyle style;
    style.pixelHeight = size;
    style.fill = [](float, float) { return Color(255, 255, 255); };
    style.shadow = Color(0, 0, 0, 120);
    style.shadowOffset = size / 14.0f;
    return style;
}

Canvas::TextStyle GoldStyle(float size, float top, float bottom) {
    Canvas::TextStyle style;
    style.pixelHeight = size;
    style.fill = [top, bottom](float, float y) {
        float t = std::clamp((y - top) / std::max(1.0f, bottom - top), 0.0f, 1.0f);
        return Mix(Color(255, 245, 190), Color(235, 150, 40), t);
    };
    style.outline = Ink;
    style.outlineWidth = std::max(1.5f, size / 16.0f);
    style.shadow = Color(0, 0, 0, 110);
    style.shadowOffset = size / 12.0f;
    return style;
}

// A tile of the mosaic: a bevelled square, lit from the top left.
void Tile(Canvas& c, float x, float y, float w, float h, const Color& base) {
    c.RoundRect(x, y, w, h, 5, Darker(base, 0.35f));
    c.RoundRect(x, y, w - 2, h - 2, 5, Lighter(base, 0.3f));
    c.RoundRect(x + 2, y + 2, w - 4, h - 4, 4, base);
    c.Shade(x + 2, y + 2, w - 4, (h - 4) / 2, [](float, float) { return Color(255, 255, 255, 22); });
}

enum class ButtonState { Normal, Hover, Down };

struct ButtonLook {
    Color base;
    const char* label;
    float textSize;
    int arrow; // -1 left, +1 right, 0 none
};

Picture Button(Zorbel::ImageContext& context, Zorbel::FontEngine& fonts, int w, int h, const ButtonLook& look,
               ButtonState state) {
    Canvas c(context, w, h, 4);
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    const float radius = std::min(fh / 2.2f, 16.0f);
    Color base = look.base;
    if (state == ButtonState::Hover) base = Lighter(base, 0.22f);
    if (state == ButtonState::Down) base = Darker(base, 0.2f);
    c.RoundRect(1, 2, fw - 2, fh - 2, radius, Color(0, 0, 0, 90));
    c.RoundRect(0, 0, fw - 1, fh - 2, radius, Ink);
    const float inset = 2;
    const Color top = Lighter(base, state == ButtonState::Down ? 0.05f : 0.35f);
    const Color bottom = Darker(base, state == ButtonState::Down ? 0.1f : 0.25f);
    c.RoundRect(inset, inset, fw - 1 - 2 * inset, fh - 2 - 2 * inset, radius - inset, bottom);
    c.Shade(inset, inset, fw - 1 - 2 * inset, fh - 2 - 2 * inset, [&](float, float y) {
        float t = (y - inset) / (fh - 2 - 2 * inset);
        return WithAlpha(Mix(top, bottom, t), 255);
    });
    // The shading above is a rectangle; cut its corners back to the rounded outline.
    c.RoundRectRing(-6, -6, fw + 11, fh + 10, radius + 6, 6 + inset, Color(0, 0, 0, 0));
    if (state != ButtonState::Down)
        c.RoundRect(inset + 3, inset + 1, fw - 7 - 2 * inset, (fh - 2) * 0.42f, radius - 3,
                    Color(255, 255, 255, 45));
    if (state == ButtonState::Hover)
        c.RoundRectRing(0, 0, fw - 1, fh - 2, radius, 2.2f, Color(255, 240, 170, 230));
    const float shift = state == ButtonState::Down ? 1.5f : 0.0f;
    Canvas::TextStyle style = LabelStyle(look.textSize);
    float textWidth = look.label[0] ? c.TextWidth(fonts, look.label, style) : 0;
    float arrowSize = fh * 0.22f;
    float centreX = fw / 2 + shift;
    if (look.arrow != 0) {
        float gap = textWidth > 0 ? 6 : 0;
        float total = textWidth + gap + arrowSize * 1.4f;
        float arrowX =
            look.arrow < 0 ? fw / 2 - total / 2 + arrowSize * 0.7f : fw / 2 + total / 2 - arrowSize * 0.7f;
        float textX = look.arrow < 0 ? arrowX + arrowSize * 0.7f + gap + textWidth / 2
                                     : arrowX - arrowSize * 0.7f - gap - textWidth / 2;
        float cy = fh / 2 - 1 + shift;
        float d = static_cast<float>(look.arrow);
        c.Polygon({{arrowX + shift - d * arrowSize * 0.7f, cy - arrowSize},
                   {arrowX + shift + d * arrowSize * 0.7f, cy},
                   {arrowX + shift - d * arrowSize * 0.7f, cy + arrowSize}},
                  Color(255, 255, 255));
        centreX = textX + shift;
    }
    if (look.label[0]) c.Text(fonts, look.label, centreX, fh / 2 + look.textSize * 0.36f - 1 + shift, style);
    return c.Resolve();
}

} // namespace

Picture DrawTitle(Zorbel::ImageContext& context, Zorbel::FontEngine& fonts) {
    Canvas c(context, 800, 600, 2);
    c.Fill(Color(24, 20, 44));
    // A mosaic of tiles drifting through the colours, with the gap of a puzzle in it.
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 10; ++column) {
            if (row == 0 && column == 0) continue;
            float hue = 200 + column * 16.0f + row * 9.0f;
            Tile(c, column * 80.0f + 3, row * 75.0f + 3, 74, 69, Hsv(hue, 0.55f, 0.78f - row * 0.03f));
        }
    }
    c.Shade(0, 0, 800, 600, [](float x, float y) {
        float dx = (x - 400) / 420.0f, dy = (y - 300) / 330.0f;
        return Color(10, 6, 30, static_cast<int>(std::clamp(60 + 140 * (dx * dx + dy * dy), 0.0f, 230.0f)));
    });
    c.Glow(400, 290, 330, Color(255, 230, 170, 90));
    c.Text(fonts, "Tesserine", 400, 320, GoldStyle(118, 225, 320));
    c.Text(fonts, "a sliding picture puzzle", 400, 530, LabelStyle(30));
    return c.Resolve();
}

Picture DrawMenuPanel(Zorbel::ImageContext& context, Zorbel::FontEngine& fonts) {
    Canvas c(context, 700, 450, 3);
    c.RoundRect(4, 6, 694, 442, 26, Color(0, 0, 0, 110));
    c.RoundRect(0, 0, 694, 442, 26, Gold);
    c.RoundRect(5, 5, 684, 432, 22, Darker(Gold, 0.45f));
    c.RoundRect(8, 8, 678, 426, 20, Color(44, 34, 88));
    c.Shade(8, 8, 678, 426, [](float x, float y) {
        float t = y / 430.0f;
        float glow = std::max(0.0f, 1 - std::hypot(x - 350, y - 60) / 420.0f);
        return WithAlpha(
            Mix(Mix(Color(70, 60, 140), Color(30, 24, 60), t), Color(130, 100, 190), glow * 0.5f), 255);
    });
    c.RoundRectRing(-10, -10, 714, 462, 36, 18, Color(0, 0, 0, 0));
    // Restore the frame the shading covered at the corners.
    c.RoundRectRing(0, 0, 694, 442, 26, 5, Gold);
    c.RoundRectRing(5, 5, 684, 432, 22, 3, Darker(Gold, 0.45f));
    // A faint mosaic in the background.
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 8; ++column)
            c.RoundRect(30 + column * 82.0f, 110 + row * 62.0f, 74, 54, 6,
                        Color(255, 255, 255, 10 + (row + column) % 3 * 4));
    c.Text(fonts, "Tesserine", 350, 78, GoldStyle(64, 25, 78));
    Canvas::TextStyle caption = LabelStyle(19);
    caption.fill = [](float, float) { return Color(235, 225, 255); };
    c.Text(fonts, "Difficulty", 350, 140, caption);
    Canvas::TextStyle small = LabelStyle(15);
    small.fill = [](float, float) { return Color(215, 205, 245); };
    c.Text(fonts, "Next picture", 346, 238, small);
    // The preview frame is drawn by the game; give it a dark bed.
    c.Rectangle(293, 242, 106, 81, Color(10, 8, 20, 160));
    return c.Resolve();
}

std::vector<std::pair<std::string, Picture>> DrawButtons(Zorbel::ImageContext& context,
                                                         Zorbel::FontEngine& fonts) {
    struct ButtonDesign {
        const char* name;
        int w, h;
        ButtonLook look;
    };
    const ButtonDesign designs[] = {
        {"Quit", 192, 52, {Color(200, 60, 60), "Quit", 24, 0}},
        {"Cancel", 192, 52, {Color(90, 100, 170), "Cancel", 24, 0}},
        {"NewGame", 192, 52, {Color(60, 160, 80), "New Game", 24, 0}},
        {"DifficultyLess", 90, 60, {Color(230, 140, 40), "Easier", 15, -1}},
        {"DifficultyMore", 90, 60, {Color(230, 140, 40), "Harder", 15, 1}},
        {"ChangeImage", 186, 38, {Color(140, 80, 190), "Change Picture", 18, 0}},
        {"FullScreen", 84, 26, {Color(70, 80, 110), "Full Screen", 12, 0}},
        {"Window", 84, 26, {Color(70, 80, 110), "Window", 12, 0}},
    };
    const std::pair<const char*, ButtonState> states[] = {
        {"Normal", ButtonState::Normal}, {"Hover", ButtonState::Hover}, {"Down", ButtonState::Down}};
    std::vector<std::pair<std::string, Picture>> buttons;
    for (const ButtonDesign& design : designs)
        for (const auto& [stateName, state] : states)
            buttons.emplace_back(std::string("Button") + design.name + stateName,
                                 Button(context, fonts, design.w, design.h, design.look, state));
    return buttons;
}

std::vector<std::pair<std::string, Picture>> DrawBorders(Zorbel::ImageContext& context) {
    std::vector<std::pair<std::string, Picture>> borders;
    {
        // Plain: a dark line with a light inner edge, so neighbouring tiles read as separate pieces.
        Canvas c(context, 200, 150, 2);
        c.RoundRectRing(0, 0, 200, 150, 3, 3, Color(10, 8, 20, 170));
        c.RoundRectRing(3, 3, 194, 144, 2, 2, Color(255, 255, 255, 70));
        borders.emplace_back("border2", c.Resolve());
    }
    {
        // Movable: a golden frame.
        Canvas c(context, 200, 150, 2);
        c.RoundRectRing(0, 0, 200, 150, 4, 4, Color(60, 40, 10, 200));
        c.RoundRectRing(3, 3, 194, 144, 4, 6, Gold);
        c.RoundRectRing(5, 5, 190, 140, 3, 2, Color(255, 245, 190));
        c.RoundRectRing(9, 9, 182, 132, 3, 4, Color(250, 205, 90, 70));
        borders.emplace_back("border_valid", c.Resolve());
    }
    {
        // Selected: a white frame with a soft glow inward. The game tints it from red to white to
        // make movable tiles pulse.
        Canvas c(context, 200, 150, 2);
        c.RoundRectRing(0, 0, 200, 150, 4, 7, Color(255, 255, 255));
        for (int i = 0; i < 8; ++i)
            c.RoundRectRing(7.0f + i * 2, 7.0f + i * 2, 186.0f - i * 4, 136.0f - i * 4, 3, 2,
                            Color(255, 255, 255, 90 - i * 11));
        borders.emplace_back("border_select", c.Resolve());
    }
    return borders;
}

namespace {

Picture Banner(Zorbel::ImageContext& context, Zorbel::FontEngine& fonts, int w, int h, const char* text,
               const Color& ribbon) {
    Canvas c(context, w, h, 3);
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    const float tail = fh * 0.45f;
    // Swallow-tailed ribbon ends behind the band.
    const Color back = Darker(ribbon, 0.35f);
    c.Polygon({{0, fh * 0.3f},
               {tail * 1.6f, fh * 0.3f},
               {tail * 1.6f, fh * 0.98f},
               {0, fh * 0.98f},
               {tail * 0.7f, fh * 0.64f}},
              back);
    c.Polygon({{fw, fh * 0.3f},
               {fw - tail * 1.6f, fh * 0.3f},
               {fw - tail * 1.6f, fh * 0.98f},
               {fw, fh * 0.98f},
               {fw - tail * 0.7f, fh * 0.64f}},
              back);
    c.RoundRect(tail, fh * 0.08f, fw - 2 * tail, fh * 0.78f, 10, Gold);
    c.RoundRect(tail + 4, fh * 0.08f + 4, fw - 2 * tail - 8, fh * 0.78f - 8, 8, ribbon);
    c.Shade(tail + 4, fh * 0.08f + 4, fw - 2 * tail - 8, fh * 0.34f,
            [](float, float) { return Color(255, 255, 255, 35); });
    c.Text(fonts, text, fw / 2, fh * 0.47f + fh * 0.22f, GoldStyle(fh * 0.6f, fh * 0.2f, fh * 0.7f));
    // Sparkles.
    const float sparkles[][3] = {{0.12f, 0.2f, 7}, {0.88f, 0.25f, 6}, {0.2f, 0.85f, 5}, {0.8f, 0.82f, 6}};
    for (const auto& s : sparkles) {
        float x = fw * s[0], y = fh * s[1], r = s[2];
        c.Polygon({{x, y - r * 2},
                   {x + r * 0.4f, y - r * 0.4f},
                   {x + r * 2, y},
                   {x + r * 0.4f, y + r * 0.4f},
                   {x, y + r * 2},
                   {x - r * 0.4f, y + r * 0.4f},
                   {x - r * 2, y},
                   {x - r * 0.4f, y - r * 0.4f}},
                  Color(255, 250, 210));
    }
    return c.Resolve();
}

} // namespace

std::vector<std::pair<std::string, Picture>> DrawBanners(Zorbel::ImageContext& context,
                                                         Zorbel::FontEngine& fonts) {
    std::vector<std::pair<std::string, Picture>> banners;
    banners.emplace_back("PuzzleCompleteTop", Banner(context, fonts, 450, 130, "Puzzle", Color(180, 40, 70)));
    banners.emplace_back("PuzzleCompleteBottom",
                         Banner(context, fonts, 710, 140, "Complete!", Color(40, 90, 170)));
    return banners;
}

std::vector<std::pair<std::string, Picture>> DrawDifficultyPlates(Zorbel::ImageContext& context,
                                                                  Zorbel::FontEngine& fonts) {
    std::vector<std::pair<std::string, Picture>> plates;
    for (int n = 3; n <= 7; ++n) {
        Canvas c(context, 82, 32, 4);
        c.RoundRect(0, 0, 82, 32, 8, Darker(Gold, 0.4f));
        c.RoundRect(2, 2, 78, 28, 7, Color(24, 18, 50));
        std::string text = std::to_string(n) + " \xD7 " + std::to_string(n);
        c.Text(fonts, text, 41, 24, GoldStyle(22, 6, 26));
        plates.emplace_back("difficulty" + std::to_string(n), c.Resolve());
    }
    return plates;
}

} // namespace ArtGen
