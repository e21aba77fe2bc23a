#include "tools/artgen/Canvas.h"

#include "framework/graphics/Graphics.h"

#include <algorithm>
#include <cmath>

namespace ArtGen {

using Zorbel::Span;

Canvas::Canvas(Zorbel::ImageContext& context, int width, int height, int scale)
    : mContext(context), mWidth(width), mHeight(height), mScale(scale),
      mLarge(std::make_unique<Zorbel::MemoryImage>(context)) {
    mLarge->SetSize(width * scale, height * scale);
    Clear();
}

void Canvas::Clear() {
    mLarge->ClearArea(mLarge->GetBounds());
}

void Canvas::Fill(const Color& color) {
    mLarge->FillArea(mLarge->GetBounds(), color, Zorbel::DRAWMODE_NORMAL);
}

void Canvas::FillRows(const std::vector<Span>& spans, const Color& color) {
    if (!spans.empty())
        mLarge->FillSpans(spans.data(), static_cast<int32_t>(spans.size()), color, Zorbel::DRAWMODE_NORMAL);
}

void Canvas::Rectangle(float x, float y, float w, float h, const Color& color) {
    Polygon({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, color);
}

void Canvas::VerticalGradient(float x, float y, float w, float h, const Color& top, const Color& bottom) {
    const int s = mScale;
    const int x0 = static_cast<int>(std::lround(x * s)), x1 = static_cast<int>(std::lround((x + w) * s));
    const int y0 = static_cast<int>(std::lround(y * s)), y1 = static_cast<int>(std::lround((y + h) * s));
    for (int row = y0; row < y1; ++row) {
        float t = y1 - y0 > 1 ? float(row - y0) / float(y1 - y0 - 1) : 0.0f;
        mLarge->FillArea(Zorbel::Rect(x0, row, x1 - x0, 1), Mix(top, bottom, t), Zorbel::DRAWMODE_NORMAL);
    }
}

void Canvas::Polygon(const std::vector<Pt>& points, const Color& color) {
    if (points.size() < 3) return;
    const float s = static_cast<float>(mScale);
    float top = points[0].y, bottom = points[0].y;
    for (const Pt& p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    const int rowFirst = std::max(0, static_cast<int>(std::floor(top * s)));
    const int rowLast = std::min(mLarge->GetHeight() - 1, static_cast<int>(std::ceil(bottom * s)));
    std::vector<Span> spans;
    std::vector<float> crossings;
    for (int row = rowFirst; row <= rowLast; ++row) {
        const float sampleY = (static_cast<float>(row) + 0.5f) / s;
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            const Pt& a = points[i];
            const Pt& b = points[(i + 1) % points.size()];
            if ((a.y <= sampleY) == (b.y <= sampleY)) continue;
            crossings.push_back((a.x + (sampleY - a.y) / (b.y - a.y) * (b.x - a.x)) * s);
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            int left = std::max(0, static_cast<int>(std::ceil(crossings[i] - 0.5f)));
            int right = std::min(mLarge->GetWidth(), static_cast<int>(std::ceil(crossings[i + 1] - 0.5f)));
            if (right > left) spans.push_back(Span{row, left, right - left});
        }
    }
    FillRows(spans, color);
}

void Canvas::Ellipse(float cx, float cy, float rx, float ry, const Color& color) {
    std::vector<Pt> points;
    const int corners = std::clamp(static_cast<int>((rx + ry) * mScale), 16, 720);
    for (int i = 0; i < corners; ++i) {
        float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(corners);
        points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    Polygon(points, color);
}

void Canvas::EllipseRing(float cx, float cy, float rx, float ry, float thickness, const Color& color) {
    // Outer and inner outline as one even-odd polygon: the hole stays empty.
    std::vector<Pt> points;
    const int corners = std::clamp(static_cast<int>((rx + ry) * mScale), 16, 720);
    for (int i = 0; i <= corners; ++i) {
        float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(corners);
        points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    for (int i = corners; i >= 0; --i) {
        float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(corners);
        points.push_back({cx + (rx - thickness) * std::cos(a), cy + (ry - thickness) * std::sin(a)});
    }
    Polygon(points, color);
}

void Canvas::Line(float x1, float y1, float x2, float y2, float width, const Color& color) {
    const float dx = x2 - x1, dy = y2 - y1;
    const float length = std::sqrt(dx * dx + dy * dy);
    const float half = width / 2;
    if (length > 0) {
        const float nx = -dy / length * half, ny = dx / length * half;
        Polygon({{x1 + nx, y1 + ny}, {x2 + nx, y2 + ny}, {x2 - nx, y2 - ny}, {x1 - nx, y1 - ny}}, color);
    }
    if (color.alpha == 255) {
        Circle(x1, y1, half, color);
        Circle(x2, y2, half, color);
    }
}

void Canvas::Polyline(const std::vector<Pt>& points, float width, const Color& color) {
    for (size_t i = 0; i + 1 < points.size(); ++i)
        Line(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, width, color);
}

namespace {

std::vector<Pt> RoundRectOutline(float x, float y, float w, float h, float r) {
    r = std::min({r, w / 2, h / 2});
    std::vector<Pt> points;
    const Pt centres[4] = {{x + w - r, y + r}, {x + w - r, y + h - r}, {x + r, y + h - r}, {x + r, y + r}};
    for (int corner = 0; corner < 4; ++corner) {
        for (int i = 0; i <= 12; ++i) {
            float a = 1.5707963f * (static_cast<float>(corner) - 1 + static_cast<float>(i) / 12.0f);
            points.push_back({centres[corner].x + r * std::cos(a), centres[corner].y + r * std::sin(a)});
        }
    }
    return points;
}

} // namespace

void Canvas::RoundRect(float x, float y, float w, float h, float radius, const Color& color) {
    Polygon(RoundRectOutline(x, y, w, h, radius), color);
}

void Canvas::RoundRectRing(float x, float y, float w, float h, float radius, float thickness,
                           const Color& color) {
    std::vector<Pt> outer = RoundRectOutline(x, y, w, h, radius);
    std::vector<Pt> inner = RoundRectOutline(x + thickness, y + thickness, w - 2 * thickness,
                                             h - 2 * thickness, radius - thickness);
    outer.push_back(outer.front());
    std::reverse(inner.begin(), inner.end());
    inner.push_back(inner.front());
    outer.insert(outer.end(), inner.begin(), inner.end());
    Polygon(outer, color);
}

void Canvas::Shade(float x, float y, float w, float h, const std::function<Color(float, float)>& shade) {
    const int s = mScale;
    const int x0 = std::max(0, static_cast<int>(std::lround(x * s)));
    const int y0 = std::max(0, static_cast<int>(std::lround(y * s)));
    const int x1 = std::min(mLarge->GetWidth(), static_cast<int>(std::lround((x + w) * s)));
    const int y1 = std::min(mLarge->GetHeight(), static_cast<int>(std::lround((y + h) * s)));
    uint32_t* bits = mLarge->GetPixels();
    for (int row = y0; row < y1; ++row) {
        uint32_t* line = bits + static_cast<size_t>(row) * static_cast<size_t>(mLarge->GetWidth());
        for (int column = x0; column < x1; ++column) {
            Color c = shade((static_cast<float>(column) + 0.5f) / static_cast<float>(s),
                            (static_cast<float>(row) + 0.5f) / static_cast<float>(s));
            const uint32_t d = line[column];
            const int a = std::clamp(c.alpha, 0, 255);
            auto blend = [a](int source, uint32_t dest) {
                return static_cast<uint32_t>((source * a + static_cast<int>(dest) * (255 - a) + 127) / 255);
            };
            const uint32_t da = d >> 24;
            const uint32_t outA = static_cast<uint32_t>(a) + da * static_cast<uint32_t>(255 - a) / 255;
            line[column] = (outA << 24) | (blend(c.red, (d >> 16) & 0xFF) << 16) |
                           (blend(c.green, (d >> 8) & 0xFF) << 8) | blend(c.blue, d & 0xFF);
        }
    }
    mLarge->NotifyPixelsChanged();
}

void Canvas::Glow(float cx, float cy, float r, const Color& color) {
    Shade(cx - r, cy - r, 2 * r, 2 * r, [=](float x, float y) {
        float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / r;
        float strength = d >= 1 ? 0 : (1 - d) * (1 - d);
        return WithAlpha(color, static_cast<int>(std::lround(color.alpha * strength)));
    });
}

void Canvas::Paste(Zorbel::MemoryImage& picture, float x, float y) {
    Zorbel::Graphics g(mLarge.get());
    g.PaintImageScaled(&picture, static_cast<int32_t>(std::lround(x * mScale)),
                       static_cast<int32_t>(std::lround(y * mScale)), picture.GetWidth() * mScale,
                       picture.GetHeight() * mScale);
}

void Canvas::Composite(const Zorbel::TextCoverage& coverage, int left, int top,
                       const std::function<Color(float, float)>& color) {
    uint32_t* bits = mLarge->GetPixels();
    const int width = mLarge->GetWidth(), height = mLarge->GetHeight();
    const float s = static_cast<float>(mScale);
    for (int y = 0; y < coverage.height; ++y) {
        const int row = top + y;
        if (row < 0 || row >= height) continue;
        for (int x = 0; x < coverage.width; ++x) {
            const int column = left + x;
            const uint8_t cover = coverage.At(x, y);
            if (column < 0 || column >= width || cover == 0) continue;
            const Color c =
                color((static_cast<float>(column) + 0.5f) / s, (static_cast<float>(row) + 0.5f) / s);
            const uint32_t a = static_cast<uint32_t>(c.alpha) * cover / 255;
            uint32_t& d =
                bits[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column)];
            auto blend = [a](int source, uint32_t dest) {
                return (static_cast<uint32_t>(source) * a + dest * (255 - a) + 127) / 255;
            };
            const uint32_t outA = a + (d >> 24) * (255 - a) / 255;
            d = (outA << 24) | (blend(c.red, (d >> 16) & 0xFF) << 16) |
                (blend(c.green, (d >> 8) & 0xFF) << 8) | blend(c.blue, d & 0xFF);
        }
    }
    mLarge->NotifyPixelsChanged();
}

namespace {

std::unique_ptr<Zorbel::FontFace> OpenFace(Zorbel::FontEngine& fonts, const Canvas::TextStyle& style,
                                           int scale) {
    Zorbel::FontRequest request;
    request.face = style.face;
    request.pixelHeight = static_cast<int32_t>(std::lround(style.pixelHeight * static_cast<float>(scale)));
    request.bold = style.bold;
    return fonts.OpenFace(request);
}

// Coverage grown by radius pixels in every direction: the outline of the text.
Zorbel::TextCoverage Dilate(const Zorbel::TextCoverage& in, int radius) {
    Zorbel::TextCoverage out;
    out.width = in.width + 2 * radius;
    out.height = in.height + 2 * radius;
    out.alpha.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 0);
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            const uint8_t cover = in.At(x, y);
            if (cover == 0) continue;
            for (int dy = -radius; dy <= radius; ++dy) {
                for (int dx = -radius; dx <= radius; ++dx) {
                    if (dx * dx + dy * dy > radius * radius) continue;
                    uint8_t& o =
                        out.alpha[static_cast<size_t>(y + radius + dy) * static_cast<size_t>(out.width) +
                                  static_cast<size_t>(x + radius + dx)];
                    o = std::max(o, cover);
                }
            }
        }
    }
    return out;
}

} // namespace

float Canvas::TextWidth(Zorbel::FontEngine& fonts, const std::string& text, const TextStyle& style) {
    auto face = OpenFace(fonts, style, mScale);
    return face ? static_cast<float>(face->TextWidth(text)) / static_cast<float>(mScale) : 0.0f;
}

void Canvas::Text(Zorbel::FontEngine& fonts, const std::string& text, float cx, float y,
                  const TextStyle& style) {
    auto face = OpenFace(fonts, style, mScale);
    if (!face) return;
    const Zorbel::TextCoverage coverage = face->Render(text);
    const int left = static_cast<int>(std::lround(cx * static_cast<float>(mScale))) - coverage.width / 2;
    const int top = static_cast<int>(std::lround(y * static_cast<float>(mScale))) - face->Ascent();
    const int outline = static_cast<int>(std::lround(style.outlineWidth * static_cast<float>(mScale)));
    const Zorbel::TextCoverage grown = outline > 0 ? Dilate(coverage, outline) : coverage;
    if (style.shadow.alpha > 0) {
        const int offset = static_cast<int>(std::lround(style.shadowOffset * static_cast<float>(mScale)));
        Composite(grown, left - outline + offset, top - outline + offset,
                  [&](float, float) { return style.shadow; });
    }
    if (style.outline.alpha > 0 && outline > 0)
        Composite(grown, left - outline, top - outline, [&](float, float) { return style.outline; });
    Composite(coverage, left, top, style.fill);
}

std::unique_ptr<Zorbel::MemoryImage> Canvas::Resolve() {
    auto result = std::make_unique<Zorbel::MemoryImage>(mContext);
    result->SetSize(mWidth, mHeight);
    result->ClearAll();
    // Area-weighted scaling averages every block of scale x scale pixels. The large picture is
    // copied over transparent black, which the averaging keeps transparent where nothing was drawn.
    result->BlitImageScaled(mLarge.get(), Zorbel::FRect(0, 0, mWidth, mHeight),
                            Zorbel::FRect(0, 0, mLarge->GetWidth(), mLarge->GetHeight()),
                            Zorbel::BlitState{result->GetBounds(), Color::White, Zorbel::DRAWMODE_NORMAL},
                            false);
    return result;
}

Color Hsv(float hue, float saturation, float value, int alpha) {
    hue = std::fmod(std::fmod(hue, 360.0f) + 360.0f, 360.0f);
    const float c = value * saturation;
    const float x = c * (1 - std::fabs(std::fmod(hue / 60.0f, 2.0f) - 1));
    const float m = value - c;
    float r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue / 60.0f)) {
        case 0:
            r = c, g = x;
            break;
        case 1:
            r = x, g = c;
            break;
        case 2:
            g = c, b = x;
            break;
        case 3:
            g = x, b = c;
            break;
        case 4:
            r = x, b = c;
            break;
        default:
            r = c, b = x;
            break;
    }
    auto channel = [m](float v) { return static_cast<int>(std::lround((v + m) * 255)); };
    return Color(channel(r), channel(g), channel(b), alpha);
}

Color Mix(const Color& a, const Color& b, float t) {
    auto lerp = [t](int p, int q) { return static_cast<int>(std::lround(p + (q - p) * t)); };
    return Color(lerp(a.red, b.red), lerp(a.green, b.green), lerp(a.blue, b.blue), lerp(a.alpha, b.alpha));
}

Color WithAlpha(const Color& c, int alpha) {
    return Color(c.red, c.green, c.blue, alpha);
}
Color Lighter(const Color& c, float amount) {
    return Mix(c, Color(255, 255, 255, c.alpha), amount);
}
Color Darker(const Color& c, float amount) {
    return Mix(c, Color(0, 0, 0, c.alpha), amount);
}

uint32_t Dice::Next() {
    // xorshift32: small, repeatable, good enough for scenery.
    mState ^= mState << 13;
    mState ^= mState >> 17;
    mState ^= mState << 5;
    return mState;
}

float Dice::Range(float low, float high) {
    return low + (high - low) * static_cast<float>(Next() % 1000000) / 1000000.0f;
}

} // namespace ArtGen
