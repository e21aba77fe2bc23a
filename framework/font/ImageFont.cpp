#include "framework/font/ImageFont.h"

#include "framework/font/FontData.h"
#include "framework/font/FontLayer.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/files/Path.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace Zorbel {

namespace {

// One glyph waiting to be drawn, linked to the next of its priority by index.
struct GlyphDraw {
    Image* image;
    int32_t x;
    int32_t y;
    Rect source;
    Color color;
    int32_t drawMode;
    int32_t next;
};

// The glyph pool and the 256 priority buckets that every image font draws through, under one lock.
struct GlyphQueue {
    static constexpr int32_t None = -1;

    std::mutex lock;
    std::array<GlyphDraw, ImageFont::MaxGlyphDraws> pool;
    std::array<int32_t, 256> head;
    std::array<int32_t, 256> tail;
    int32_t used = 0;

    void Clear() {
        head.fill(None);
        tail.fill(None);
        used = 0;
    }

    void Add(uint8_t priority, const GlyphDraw& draw) {
        const int32_t index = used++;
        pool[index] = draw;
        pool[index].next = None;
        if (tail[priority] != None)
            pool[tail[priority]].next = index;
        else
            head[priority] = index;
        tail[priority] = index;
    }

    // Lowest priority first, each in the order recorded.
    void Draw(Graphics& g) const {
        const DrawMode contextMode = g.GetBlendMode();
        for (int32_t first : head) {
            for (int32_t index = first; index != None; index = pool[index].next) {
                const GlyphDraw& glyph = pool[index];
                g.SetPaintColor(glyph.color);
                if (glyph.drawMode != FontLayer::KEEP_DRAW_MODE) g.SetBlendMode(DrawMode(glyph.drawMode));
                g.PaintImagePart(glyph.image, glyph.x, glyph.y, glyph.source);
                g.SetBlendMode(contextMode);
            }
        }
    }
};

GlyphQueue& Queue() {
    static GlyphQueue queue;
    return queue;
}

// Glyph positions stay where the context's float arithmetic is still exact.
int32_t Position(int64_t value) {
    constexpr int64_t limit = int64_t(1) << 30;
    return static_cast<int32_t>(std::clamp(value, -limit, limit));
}

// Requested channel times the layer's multiplier, plus its addition; 255 from 255 on.
int32_t Channel(int32_t multiplier, int32_t requested, int32_t addition) {
    const int64_t value = int64_t(multiplier) * requested / 255 + addition;
    return value > 254 ? 255 : static_cast<int32_t>(std::max<int64_t>(value, 0));
}

Color LayerColor(const FontLayer& layer, const Color& requested) {
    const Color& m = layer.colorMult;
    const Color& a = layer.colorAdd;
    return Color(Channel(m.red, requested.red, a.red), Channel(m.green, requested.green, a.green),
                 Channel(m.blue, requested.blue, a.blue), Channel(m.alpha, requested.alpha, a.alpha));
}

} // namespace

ImageFont::ImageFont(FontHost* host, const std::string& descriptorPath)
    : mFontData(std::make_shared<FontData>(host)) {
    (void)mFontData->Load(descriptorPath);
    mPointSize = mFontData->GetDefaultPointSize();
    GenerateActiveLayers();
}

ImageFont::ImageFont(std::shared_ptr<MemoryImage> image, const std::string& widthsPath)
    : mFontData(std::make_shared<FontData>(nullptr)) {
    (void)mFontData->LoadLegacy(std::move(image), widthsPath);
    mPointSize = mFontData->GetDefaultPointSize();
    GenerateActiveLayers();
}

ImageFont::ImageFont(const ImageFont& other)
    : Font(other), mFontData(other.mFontData), mPointSize(other.mPointSize), mTags(other.mTags),
      mActiveValid(other.mActiveValid), mActiveLayers(other.mActiveLayers), mScale(other.mScale) {}

ImageFont::~ImageFont() = default;

std::unique_ptr<Font> ImageFont::Clone() const {
    return std::make_unique<ImageFont>(*this);
}

bool ImageFont::IsInitialized() const {
    return mFontData->IsInitialized();
}

int32_t ImageFont::GetDefaultPointSize() const {
    return mFontData->GetDefaultPointSize();
}

std::string ImageFont::GetDefinedString(const std::string& name) const {
    const DataElement* definition = mFontData->GetDefine(name);
    return definition != nullptr ? DescParser::DataElementToString(*definition) : std::string();
}

// --- Size, scale and tags ---

void ImageFont::SetPointSize(int32_t pointSize) {
    mPointSize = pointSize;
    SelectActiveLayers();
}

void ImageFont::SetScale(double scale) {
    mScale = scale;
    SelectActiveLayers();
}

bool ImageFont::AddTag(const std::string& tag) {
    if (HasTag(tag)) return false;
    mTags.push_back(StringToUpper(tag));
    SelectActiveLayers();
    return true;
}

bool ImageFont::RemoveTag(const std::string& tag) {
    auto found = std::find(mTags.begin(), mTags.end(), StringToUpper(tag));
    if (found == mTags.end()) return false;
    mTags.erase(found);
    SelectActiveLayers();
    return true;
}

bool ImageFont::HasTag(const std::string& tag) const {
    return std::find(mTags.begin(), mTags.end(), StringToUpper(tag)) != mTags.end();
}

// --- Active layers ---

void ImageFont::GenerateActiveLayers() {
    SelectActiveLayers();
    Prepare();
}

void ImageFont::Prepare() {
    if (mActiveValid) return;
    for (ActiveFontLayer& active : mActiveLayers)
        active.BuildScaledImage();
    mActiveValid = true;
}

void ImageFont::SelectActiveLayers() {
    mActiveLayers.clear();
    mActiveValid = false;
    mAscent = mAscentPadding = mHeight = mLineSpacingOffset = 0;
    if (!mFontData->IsInitialized()) return;
    for (const auto& layer : mFontData->Layers()) {
        if (!layer->IsActiveFor(mPointSize, mTags)) continue;
        const bool sized = layer->pointSize > 0;
        const double factor = sized ? mPointSize * mScale / layer->pointSize : mScale;
        const bool scaled = mScale != 1.0 || (sized && layer->pointSize != mPointSize);
        const ActiveFontLayer& active = mActiveLayers.emplace_back(*layer, factor, scaled);
        const double f = active.Factor();
        const int32_t padding = ActiveFontLayer::Scaled(f, layer->ascentPadding);
        const int32_t lineSpacing = ActiveFontLayer::Scaled(f, layer->lineSpacingOffset);
        const bool first = mActiveLayers.size() == 1;
        mAscent = std::max(mAscent, ActiveFontLayer::Scaled(f, layer->ascent));
        mHeight = std::max(mHeight, ActiveFontLayer::Scaled(f, layer->height));
        mAscentPadding = first ? padding : std::min(mAscentPadding, padding);
        mLineSpacingOffset = first ? lineSpacing : std::max(mLineSpacingOffset, lineSpacing);
    }
}

// --- Measuring ---

int32_t ImageFont::CharWidthKerned(char c, char previous) const {
    const uint8_t code = mFontData->MapChar(c);
    const uint8_t before = previous != 0 ? mFontData->MapChar(previous) : 0;
    bool any = false;
    int64_t widest = 0;
    for (const ActiveFontLayer& active : mActiveLayers) {
        const FontLayer& layer = active.BaseLayer();
        const double f = active.Factor();
        const int64_t width = ActiveFontLayer::Scaled(f, layer.Char(code).width);
        const int64_t kern =
            before != 0
                ? ActiveFontLayer::Scaled(f, int64_t(layer.Char(before).kerningOffsets[code]) + layer.spacing)
                : 0;
        widest = any ? std::max(widest, width + kern) : width + kern;
        any = true;
    }
    return Position(widest);
}

int32_t ImageFont::CharWidth(char c) const {
    return CharWidthKerned(c, 0);
}

int32_t ImageFont::StringWidth(const std::string& text) const {
    int64_t width = 0;
    char previous = 0;
    for (char c : text) {
        width += CharWidthKerned(c, previous);
        previous = c;
    }
    return Position(width);
}

// --- Drawing ---

void ImageFont::DrawText(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                         const Rect& clipRect) {
    DrawTextEx(g, x, y, text, color, clipRect, nullptr, nullptr);
}

void ImageFont::DrawTextEx(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                           const Rect& /*clipRect*/, std::vector<Rect>* outGlyphRects, int32_t* outWidth) {
    GlyphQueue& queue = Queue();
    std::lock_guard<std::mutex> guard(queue.lock);
    queue.Clear();
    if (outGlyphRects != nullptr) outGlyphRects->clear();
    if (!mFontData->IsInitialized()) {
        if (outWidth != nullptr) *outWidth = 0;
        return;
    }
    Prepare();

    // What stays the same for every glyph of a layer.
    struct LayerDraw {
        const ActiveFontLayer* active;
        Image* image;
        Color color;
    };
    std::array<LayerDraw, FontData::MaxLayers> layers;
    const size_t layerCount = std::min(mActiveLayers.size(), layers.size());
    for (size_t l = 0; l < layerCount; ++l)
        layers[l] = {&mActiveLayers[l], mActiveLayers[l].Image(),
                     LayerColor(mActiveLayers[l].BaseLayer(), color)};

    int64_t pen = x;
    for (size_t i = 0; i < text.size(); ++i) {
        if (queue.used + layerCount > size_t(MaxGlyphDraws)) break;
        const uint8_t c = mFontData->MapChar(text[i]);
        const uint8_t next = i + 1 < text.size() ? mFontData->MapChar(text[i + 1]) : 0;
        int64_t end = pen;
        for (size_t l = 0; l < layerCount; ++l) {
            const ActiveFontLayer& active = *layers[l].active;
            const FontLayer& layer = active.BaseLayer();
            const FontLayer::CharData& data = layer.Char(c);
            const double t = active.Factor();
            const int64_t kerning = next != 0 ? int64_t(data.kerningOffsets[next]) + layer.spacing : 0;
            int64_t glyphX, glyphY, advance, kern;
            if (t == 1.0) {
                glyphX = pen + layer.offsetX + data.offsetX;
                glyphY = int64_t(y) + data.offsetY + layer.offsetY - layer.ascent;
                advance = data.width;
                kern = kerning;
            } else {
                glyphX = pen + ActiveFontLayer::Scaled(t, int64_t(layer.offsetX) + data.offsetX);
                glyphY =
                    y -
                    int64_t(ActiveFontLayer::Scaled(t, int64_t(layer.ascent) - data.offsetY - layer.offsetY));
                advance = ActiveFontLayer::Scaled(t, data.width);
                kern = next != 0 ? ActiveFontLayer::Scaled(t, kerning) : 0;
            }
            const Rect& source = active.GlyphRect(c);
            const auto priority = static_cast<uint8_t>(
                std::clamp<int64_t>(int64_t(layer.baseOrder) + data.order + 128, 0, 255));
            queue.Add(priority, {layers[l].image, Position(glyphX), Position(glyphY), source, layers[l].color,
                                 layer.drawMode, 0});
            if (outGlyphRects != nullptr)
                outGlyphRects->emplace_back(Position(glyphX), Position(glyphY), source.width, source.height);
            end = l == 0 ? pen + advance + kern : std::max(end, pen + advance + kern);
        }
        pen = end;
    }
    if (outWidth != nullptr) *outWidth = Position(pen - x);

    const Color contextColor = g.GetPaintColor();
    const bool contextTint = g.GetTintImages();
    g.SetTintImages(true);
    queue.Draw(g);
    g.SetPaintColor(contextColor);
    g.SetTintImages(contextTint);
}

} // namespace Zorbel
