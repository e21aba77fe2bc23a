#pragma once

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

#include <memory>
#include <string>
#include <vector>

namespace ZorbelTest {

// A font that draws nothing and writes down where it was asked to draw: "text@x,y" with x and y as
// the font receives them (the context's translation not yet applied). Clones share the log.
class RecordingFont : public Zorbel::Font {
public:
    struct Call {
        std::string text;
        int32_t x = 0;
        int32_t y = 0;
        Zorbel::Color color;
        // The context's translation at the time, which the font applies itself.
        float translationX = 0;
        float translationY = 0;
        std::string Where() const { return text + "@" + std::to_string(x) + "," + std::to_string(y); }
    };

    explicit RecordingFont(int32_t advance = 10, int32_t ascent = 12, int32_t height = 15)
        : mAdvance(advance), mCalls(std::make_shared<std::vector<Call>>()) {
        mAscent = ascent;
        mHeight = height;
    }

    int32_t StringWidth(const std::string& text) const override {
        return mAdvance * static_cast<int32_t>(text.size());
    }
    void DrawText(Zorbel::Graphics& g, int32_t x, int32_t y, const std::string& text,
                  const Zorbel::Color& color, const Zorbel::Rect&) override {
        mCalls->push_back({text, x, y, color, g.GetTranslationX(), g.GetTranslationY()});
    }
    std::unique_ptr<Zorbel::Font> Clone() const override { return std::make_unique<RecordingFont>(*this); }

    void SetAscentPadding(int32_t padding) { mAscentPadding = padding; }
    const std::vector<Call>& Calls() const { return *mCalls; }
    void Clear() { mCalls->clear(); }
    std::vector<std::string> Places() const {
        std::vector<std::string> places;
        for (const Call& call : *mCalls)
            places.push_back(call.Where());
        return places;
    }

private:
    int32_t mAdvance;
    std::shared_ptr<std::vector<Call>> mCalls;
};

} // namespace ZorbelTest
