// The built-in puzzle picture: a balloon festival over a lakeside village at sunset. Every part of
// the picture carries something of its own (a balloon, a house, a boat, a flower bed), and colours
// drift from left to right and from top to bottom, so that each tile of even the finest grid can be
// placed by eye.
#include "tools/artgen/Artwork.h"

#include <cmath>

namespace ArtGen {

namespace {

void Sky(Canvas& c) {
    // Dusk blue at the top to a warm glow at the horizon; the glow is stronger on the sun's side.
    c.Shade(0, 0, 800, 330, [](float x, float y) {
        float across = x / 800.0f;
        float warmth = 0.35f + 0.65f * across;
        Color top = Mix(Color(38, 40, 120), Color(60, 70, 150), across);
        Color horizon = Mix(Color(230, 120, 170), Color(255, 190, 90), warmth);
        return Mix(top, horizon, std::pow(y / 330.0f, 1.3f));
    });
    c.Glow(620, 250, 260, Color(255, 225, 150, 190));
    c.Circle(620, 250, 58, Color(255, 236, 170));
    c.Circle(620, 250, 50, Color(255, 250, 215));
    // A few stars still in the dark corner.
    Dice dice(7);
    for (int i = 0; i < 24; ++i) {
        float x = dice.Range(0, 360), y = dice.Range(0, 120);
        c.Circle(x, y, dice.Range(0.8f, 1.8f), Color(255, 255, 230, 200));
    }
}

void Cloud(Canvas& c, float x, float y, float size, const Color& light, const Color& shade) {
    const float puffs[][3] = {{0, 0, 1.0f},         {0.9f, -0.35f, 0.8f}, {1.8f, 0.05f, 0.9f},
                              {-0.9f, 0.1f, 0.75f}, {0.5f, 0.3f, 0.9f},   {1.3f, 0.35f, 0.8f}};
    for (const auto& p : puffs)
        c.Ellipse(x + p[0] * size + 2, y + p[1] * size + 4, p[2] * size * 1.1f, p[2] * size * 0.7f, shade);
    for (const auto& p : puffs)
        c.Ellipse(x + p[0] * size, y + p[1] * size, p[2] * size * 1.1f, p[2] * size * 0.7f, light);
}

void Balloon(Canvas& c, float x, float y, float r, const Color& a, const Color& b, int pattern) {
    // Envelope: an ellipse over a tapering skirt, painted in vertical gores or horizontal bands.
    std::vector<Pt> envelope;
    for (int i = 0; i <= 48; ++i) {
        float t = 3.14159265f * (1.0f + i / 48.0f);
        envelope.push_back({x + r * std::cos(t), y + r * 1.05f * std::sin(t)});
    }
    envelope.push_back({x + r * 0.98f, y + r * 0.25f});
    envelope.push_back({x + r * 0.30f, y + r * 1.25f});
    envelope.push_back({x - r * 0.30f, y + r * 1.25f});
    envelope.push_back({x - r * 0.98f, y + r * 0.25f});
    c.Polygon(envelope, a);
    if (pattern == 0) {
        for (int gore = -3; gore <= 3; gore += 2) {
            float left = x + gore * r / 4.0f, right = x + (gore + 1) * r / 4.0f;
            std::vector<Pt> stripe;
            for (int i = 0; i <= 16; ++i) {
                float t = i / 16.0f;
                float wy = y - r * 1.05f + t * r * 2.3f;
                float squeeze = std::sqrt(std::max(0.0f, 1 - std::pow((wy - y) / (r * 1.1f), 2.0f)));
                stripe.push_back({x + (left - x) * std::max(squeeze, 0.3f), wy});
            }
            for (int i = 16; i >= 0; --i) {
                float t = i / 16.0f;
                float wy = y - r * 1.05f + t * r * 2.3f;
                float squeeze = std::sqrt(std::max(0.0f, 1 - std::pow((wy - y) / (r * 1.1f), 2.0f)));
                stripe.push_back({x + (right - x) * std::max(squeeze, 0.3f), wy});
            }
            c.Polygon(stripe, b);
        }
    } else if (pattern == 1) {
        c.Rectangle(x - r, y - r * 0.35f, 2 * r, r * 0.3f, b);
        c.Rectangle(x - r, y + r * 0.3f, 2 * r, r * 0.22f, b);
    } else {
        std::vector<Pt> zigzag;
        for (int i = 0; i <= 8; ++i)
            zigzag.push_back({x - r + i * r / 4.0f, y + ((i % 2) ? -r * 0.25f : r * 0.05f)});
        for (int i = 8; i >= 0; --i)
            zigzag.push_back({x - r + i * r / 4.0f, y + ((i % 2) ? r * 0.05f : r * 0.35f)});
        c.Polygon(zigzag, b);
    }
    // Light from the sun on the right, shade on the left.
    c.Ellipse(x + r * 0.35f, y - r * 0.35f, r * 0.35f, r * 0.5f, Color(255, 255, 255, 60));
    c.Ellipse(x - r * 0.5f, y + r * 0.1f, r * 0.45f, r * 0.8f, Color(20, 0, 40, 45));
    // Ropes and basket.
    const Color rope(70, 45, 30);
    c.Line(x - r * 0.3f, y + r * 1.25f, x - r * 0.15f, y + r * 1.6f, std::max(0.8f, r * 0.04f), rope);
    c.Line(x + r * 0.3f, y + r * 1.25f, x + r * 0.15f, y + r * 1.6f, std::max(0.8f, r * 0.04f), rope);
    c.RoundRect(x - r * 0.2f, y + r * 1.58f, r * 0.4f, r * 0.3f, r * 0.05f, Color(130, 80, 40));
    c.Rectangle(x - r * 0.2f, y + r * 1.62f, r * 0.4f, r * 0.05f, Color(90, 55, 25));
}

void Birds(Canvas& c, float x, float y, int count, float spread) {
    Dice dice(static_cast<uint32_t>(x * 13 + y));
    for (int i = 0; i < count; ++i) {
        float bx = x + dice.Range(-spread, spread), by = y + dice.Range(-spread / 2, spread / 2);
        float s = dice.Range(3, 6);
        c.Polyline({{bx - s, by - s * 0.4f}, {bx, by}, {bx + s, by - s * 0.5f}}, 1.2f, Color(40, 30, 60));
    }
}

void Mountains(Canvas& c) {
    // Far range, hazy violet with snow.
    std::vector<Pt> far = {{0, 330}};
    const float peaksFar[][2] = {{0, 265},   {70, 230},  {140, 255}, {210, 205}, {290, 250}, {360, 220},
                                 {430, 262}, {500, 238}, {560, 270}, {690, 240}, {760, 262}, {800, 250}};
    for (const auto& p : peaksFar)
        far.push_back({p[0], p[1]});
    far.push_back({800, 330});
    c.Polygon(far, Color(120, 100, 160));
    // Slopes facing the sun catch its light; the nearer the sun, the warmer.
    const size_t peakCount = sizeof peaksFar / sizeof peaksFar[0];
    for (size_t i = 0; i + 1 < peakCount; ++i) {
        const float* p = peaksFar[i];
        const float* next = peaksFar[i + 1];
        if (next[1] <= p[1]) continue;
        float light = std::max(0.0f, 1 - std::fabs(p[0] - 620) / 520.0f);
        c.Polygon({{p[0], p[1]}, {next[0], next[1]}, {next[0], 330}, {p[0] + (next[0] - p[0]) * 0.35f, 330}},
                  WithAlpha(Mix(Color(190, 170, 220), Color(255, 190, 150), light), 90));
    }
    for (const auto& p : peaksFar) {
        if (p[1] > 240) continue;
        c.Polygon({{p[0] - 22, p[1] + 20}, {p[0], p[1]}, {p[0] + 24, p[1] + 22}, {p[0] + 6, p[1] + 14}},
                  Color(245, 235, 250));
    }
    // Near hills, green turning golden toward the sun.
    std::vector<Pt> near = {{0, 400}};
    for (int i = 0; i <= 40; ++i) {
        float x = i * 20.0f;
        near.push_back({x, 300 + 18 * std::sin(x / 90.0f) + 10 * std::sin(x / 37.0f + 1)});
    }
    near.push_back({800, 400});
    c.Polygon(near, Color(88, 140, 70));
    c.VerticalGradient(0, 300, 800, 100, WithAlpha(Color(255, 200, 90), 0), WithAlpha(Color(40, 80, 40), 90));
}

void House(Canvas& c, float x, float y, float w, float h, const Color& wall, const Color& roof, int windows) {
    c.Rectangle(x + 2, y + 2, w, h, Color(30, 30, 40, 70));
    c.Rectangle(x, y, w, h, wall);
    c.Rectangle(x, y, w * 0.3f, h, Darker(wall, 0.15f));
    c.Polygon({{x - 4, y + 1}, {x + w / 2, y - h * 0.7f}, {x + w + 4, y + 1}}, roof);
    c.Polygon({{x - 4, y + 1}, {x + w / 2, y - h * 0.7f}, {x + w / 2, y + 1}}, Darker(roof, 0.2f));
    for (int i = 0; i < windows; ++i) {
        float wx = x + w * (i + 0.5f) / windows - 3;
        c.Rectangle(wx, y + h * 0.25f, 6, 7, Color(255, 226, 120));
        c.Rectangle(wx + 2.5f, y + h * 0.25f, 1, 7, Darker(wall, 0.5f));
    }
    c.Rectangle(x + w * 0.62f, y + h * 0.55f, w * 0.18f, h * 0.45f, Darker(roof, 0.35f));
}

void Village(Canvas& c) {
    struct HousePlan {
        float x, y, w, h, hue;
        int windows;
    };
    const HousePlan houses[] = {
        {24, 322, 34, 24, 5, 2},    {78, 330, 28, 20, 45, 1},   {150, 318, 40, 26, 200, 3},
        {205, 327, 30, 22, 330, 2}, {268, 320, 36, 24, 95, 2},  {312, 333, 26, 19, 20, 1},
        {396, 324, 38, 25, 260, 3}, {452, 318, 30, 24, 170, 2}, {505, 330, 34, 22, 55, 2},
        {575, 322, 28, 22, 290, 1}, {645, 326, 40, 24, 10, 3},  {715, 318, 32, 26, 140, 2},
        {760, 332, 30, 20, 220, 1}};
    for (const HousePlan& h : houses)
        House(c, h.x, h.y, h.w, h.h, Hsv(h.hue, 0.22f, 0.95f), Hsv(h.hue + 180, 0.65f, 0.7f), h.windows);
    // The church with its steeple.
    c.Rectangle(350, 290, 30, 56, Color(235, 225, 205));
    c.Polygon({{346, 292}, {365, 238}, {384, 292}}, Color(70, 90, 140));
    c.Circle(365, 305, 6, Color(250, 215, 110));
    c.Line(365, 238, 365, 226, 2, Color(230, 190, 80));
    c.Line(360, 231, 370, 231, 2, Color(230, 190, 80));
    // The windmill on the left hill, sails turned to catch the evening breeze.
    c.Polygon({{110, 330}, {118, 278}, {134, 278}, {142, 330}}, Color(225, 210, 180));
    c.Polygon({{114, 280}, {126, 264}, {138, 280}}, Color(150, 60, 50));
    for (int i = 0; i < 4; ++i) {
        float a = 0.4f + i * 1.5707963f;
        float ex = 126 + 34 * std::cos(a), ey = 280 + 34 * std::sin(a);
        c.Line(126, 280, ex, ey, 2.5f, Color(90, 60, 40));
        float px = -std::sin(a) * 6, py = std::cos(a) * 6;
        c.Polygon({{126 + (ex - 126) * 0.3f, 280 + (ey - 280) * 0.3f},
                   {ex, ey},
                   {ex + px, ey + py},
                   {126 + (ex - 126) * 0.3f + px, 280 + (ey - 280) * 0.3f + py}},
                  Color(240, 235, 220));
    }
    c.Circle(126, 280, 3, Color(60, 40, 30));
    // Trees between the houses.
    Dice dice(99);
    for (int i = 0; i < 22; ++i) {
        float x = dice.Range(5, 795), y = dice.Range(335, 362), s = dice.Range(6, 11);
        c.Rectangle(x - 1.5f, y, 3, s, Color(80, 55, 35));
        c.Circle(x, y - s * 0.3f, s, Hsv(dice.Range(80, 140), 0.55f, dice.Range(0.35f, 0.6f)));
        c.Circle(x + s * 0.3f, y - s * 0.6f, s * 0.55f, Color(255, 230, 150, 50));
    }
}

void Lake(Canvas& c) {
    // Water mirrors the sky, darker and bluer toward the shore.
    for (int band = 0; band < 8; ++band) {
        float warmth = 0.35f + 0.65f * band / 7.0f;
        Color surface = Mix(Color(200, 110, 160), Color(245, 170, 90), warmth);
        c.VerticalGradient(band * 100.0f, 365, 100, 115, surface,
                           Mix(Color(40, 60, 120), Color(50, 80, 130), warmth));
    }
    // The sun's path on the water.
    Dice dice(3);
    for (int i = 0; i < 40; ++i) {
        float y = 370 + i * 2.7f;
        float half = 10 + i * 1.4f + dice.Range(0, 8);
        c.Rectangle(620 - half + dice.Range(-6, 6), y, half * 2, 1.2f, Color(255, 235, 170, 150 - i * 3));
    }
    // Ripples.
    for (int i = 0; i < 90; ++i) {
        float x = dice.Range(0, 800), y = dice.Range(372, 478), w = dice.Range(8, 30);
        c.Rectangle(x, y, w, 1, Color(255, 255, 255, 45));
    }
    // Reflections of the village lights.
    for (float x = 30; x < 800; x += 57)
        c.Rectangle(x, 368 + std::fmod(x, 11.0f), 2, 18, Color(255, 220, 120, 70));
}

void Boat(Canvas& c, float x, float y, float size, const Color& hull, const Color& sail, bool twoSails) {
    c.Polygon({{x - size, y},
               {x + size, y},
               {x + size * 0.7f, y + size * 0.35f},
               {x - size * 0.75f, y + size * 0.35f}},
              hull);
    c.Rectangle(x - size, y, size * 2, size * 0.08f, Lighter(hull, 0.4f));
    c.Line(x, y, x, y - size * 1.7f, std::max(1.0f, size * 0.06f), Color(70, 50, 40));
    c.Polygon({{x + size * 0.05f, y - size * 1.65f},
               {x + size * 0.05f, y - size * 0.15f},
               {x + size * 0.9f, y - size * 0.15f}},
              sail);
    if (twoSails)
        c.Polygon({{x - size * 0.05f, y - size * 1.3f},
                   {x - size * 0.05f, y - size * 0.15f},
                   {x - size * 0.7f, y - size * 0.15f}},
                  Lighter(sail, 0.35f));
    // Reflection.
    c.Polygon({{x - size * 0.75f, y + size * 0.4f},
               {x + size * 0.7f, y + size * 0.4f},
               {x + size * 0.4f, y + size * 1.2f},
               {x - size * 0.4f, y + size * 1.2f}},
              WithAlpha(hull, 70));
}

void Harbour(Canvas& c) {
    // Jetty.
    c.Rectangle(0, 392, 150, 7, Color(110, 75, 45));
    for (float x = 6; x < 150; x += 24)
        c.Rectangle(x, 392, 4, 26, Color(80, 55, 35));
    // Lighthouse on its rock.
    c.Ellipse(742, 440, 60, 22, Color(95, 85, 90));
    c.Polygon({{724, 432}, {730, 330}, {754, 330}, {760, 432}}, Color(245, 245, 240));
    for (int band = 0; band < 3; ++band) {
        float y = 345 + band * 30.0f;
        c.Polygon({{729.0f - band * 2, y + 15},
                   {729.5f - band * 2, y},
                   {754.5f + band * 2, y},
                   {755.0f + band * 2, y + 15}},
                  Color(210, 50, 50));
    }
    c.Rectangle(726, 318, 32, 14, Color(60, 60, 70));
    c.Rectangle(730, 320, 24, 10, Color(255, 240, 160));
    c.Polygon({{724, 318}, {742, 302}, {760, 318}}, Color(200, 45, 45));
    c.Glow(742, 325, 48, Color(255, 240, 170, 200));
    // Boats, each with its own colours.
    Boat(c, 60, 430, 22, Color(160, 50, 40), Color(250, 245, 230), true);
    Boat(c, 190, 455, 18, Color(40, 90, 160), Color(250, 200, 70), false);
    Boat(c, 300, 418, 14, Color(60, 130, 70), Color(240, 120, 110), false);
    Boat(c, 430, 448, 24, Color(200, 160, 40), Color(120, 180, 230), true);
    Boat(c, 545, 412, 12, Color(110, 60, 130), Color(250, 250, 250), false);
    Boat(c, 655, 462, 16, Color(30, 30, 40), Color(240, 90, 160), false);
    // Ducks.
    const float ducks[][2] = {{250, 470}, {262, 474}, {274, 471}};
    for (const auto& d : ducks) {
        c.Ellipse(d[0], d[1], 5, 2.5f, Color(120, 90, 60));
        c.Circle(d[0] + 4, d[1] - 3, 2, Color(40, 110, 60));
    }
}

void Meadow(Canvas& c) {
    // Grass from golden on the sunny right to deep green on the left, darker toward the bottom.
    c.Shade(0, 478, 800, 122, [](float x, float y) {
        float t = x / 800.0f;
        return Mix(Mix(Color(110, 160, 60), Color(190, 170, 60), t),
                   Mix(Color(30, 80, 40), Color(80, 90, 30), t), (y - 478) / 122.0f);
    });
    // Shore line.
    std::vector<Pt> shore = {{0, 490}};
    for (int i = 0; i <= 40; ++i)
        shore.push_back({i * 20.0f, 478 + 5 * std::sin(i * 0.9f)});
    shore.push_back({800, 490});
    c.Polygon(shore, Color(205, 185, 130));
    // A winding path.
    std::vector<Pt> path;
    for (int i = 0; i <= 24; ++i) {
        float y = 600 - i * 5.0f;
        float x = 380 + 60 * std::sin(i * 0.22f) - i * 2.0f;
        path.push_back({x, y});
    }
    for (size_t i = 0; i + 1 < path.size(); ++i)
        c.Line(path[i].x, path[i].y, path[i + 1].x, path[i + 1].y, 26 - i * 0.8f, Color(200, 170, 120));
    // Fence on the left.
    for (float x = 10; x < 230; x += 22) {
        c.Rectangle(x, 520 + x * 0.05f, 4, 30, Color(240, 235, 220));
    }
    c.Line(5, 530, 232, 541, 3, Color(240, 235, 220));
    c.Line(5, 542, 232, 553, 3, Color(240, 235, 220));
    // Flower beds: a different colour in each stretch.
    Dice dice(2024);
    const float hues[] = {350, 30, 55, 280, 200, 320, 10, 260};
    for (int i = 0; i < 420; ++i) {
        float x = dice.Range(0, 800), y = dice.Range(492, 598);
        if (std::fabs(x - (380 + 60 * std::sin((600 - y) / 5.0f * 0.22f) - (600 - y) / 5.0f * 2.0f)) < 18)
            continue;
        int bed = static_cast<int>(x / 100);
        float s = 1.5f + (y - 490) / 40.0f;
        c.Line(x, y, x, y + s * 2, 1, Color(40, 90, 30));
        Color petal = Hsv(hues[bed] + dice.Range(-15, 15), 0.75f, 0.95f);
        c.Circle(x, y, s, petal);
        c.Circle(x, y, s * 0.35f, Color(255, 220, 80));
    }
    // Sunflowers and a big tree close by.
    const float sunflowers[][2] = {{610, 540}, {640, 560}, {672, 536}};
    for (const auto& f : sunflowers) {
        c.Line(f[0], f[1], f[0] + 2, 600, 3, Color(50, 110, 40));
        for (int p = 0; p < 12; ++p) {
            float a = p * 0.5236f;
            c.Ellipse(f[0] + 9 * std::cos(a), f[1] + 9 * std::sin(a), 5, 5, Color(250, 200, 30));
        }
        c.Circle(f[0], f[1], 7, Color(110, 60, 20));
    }
    c.Rectangle(742, 470, 16, 130, Color(100, 70, 45));
    c.Circle(750, 460, 46, Color(50, 110, 50));
    c.Circle(725, 485, 30, Color(60, 125, 55));
    c.Circle(780, 490, 32, Color(45, 100, 45));
    for (int i = 0; i < 9; ++i)
        c.Circle(720 + dice.Range(0, 65), 440 + dice.Range(0, 60), 4, Color(220, 40, 40));
    // Mushrooms by the path.
    c.Rectangle(468, 580, 5, 10, Color(240, 230, 210));
    c.Ellipse(470, 580, 10, 6, Color(210, 40, 40));
    c.Circle(466, 578, 1.5f, Color(255, 255, 255));
    c.Circle(474, 577, 1.5f, Color(255, 255, 255));
}

} // namespace

std::unique_ptr<Zorbel::MemoryImage> DrawPuzzlePicture(Zorbel::ImageContext& context) {
    Canvas c(context, 800, 600, 3);
    Sky(c);
    Cloud(c, 150, 150, 26, Color(255, 210, 220), Color(180, 120, 170));
    Cloud(c, 470, 40, 20, Color(250, 220, 235), Color(170, 130, 180));
    Cloud(c, 700, 180, 18, Color(255, 230, 200), Color(210, 150, 150));
    Cloud(c, 40, 250, 16, Color(250, 190, 200), Color(170, 110, 160));
    Balloon(c, 95, 80, 40, Color(220, 50, 50), Color(250, 220, 60), 0);
    Balloon(c, 255, 55, 28, Color(40, 120, 210), Color(250, 250, 250), 1);
    Balloon(c, 405, 125, 44, Color(250, 150, 30), Color(120, 40, 160), 2);
    Balloon(c, 560, 60, 26, Color(50, 170, 90), Color(250, 230, 90), 0);
    Balloon(c, 720, 95, 36, Color(230, 80, 160), Color(80, 200, 230), 1);
    Balloon(c, 175, 205, 20, Color(255, 220, 40), Color(230, 60, 40), 2);
    Balloon(c, 320, 215, 16, Color(140, 60, 200), Color(255, 160, 200), 1);
    Balloon(c, 490, 225, 18, Color(30, 180, 170), Color(250, 120, 60), 0);
    Balloon(c, 775, 230, 13, Color(250, 250, 250), Color(220, 40, 60), 2);
    Birds(c, 300, 150, 5, 20);
    Birds(c, 640, 30, 4, 15);
    Birds(c, 30, 170, 3, 10);
    Mountains(c);
    Village(c);
    Lake(c);
    Harbour(c);
    Meadow(c);
    return c.Resolve();
}

} // namespace ArtGen
