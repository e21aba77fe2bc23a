#pragma once

#include "framework/platform/FontEngine.h"

#include <memory>
#include <string>

namespace ZorbelTest {

// A font engine with exactly predictable metrics: every character advances by the same width, and
// every non-blank character covers its whole cell. Lets widget and layout tests compute positions
// by hand.
class FakeFontEngine : public Zorbel::FontEngine {
public:
    int32_t advance = 10;
    int32_t ascent = 12;
    int32_t height = 15;
    int32_t opened = 0;

    std::unique_ptr<Zorbel::FontFace> OpenFace(const Zorbel::FontRequest& request) override {
        ++opened;
        return std::make_unique<Face>(request, advance, ascent, height);
    }

    class Face : public Zorbel::FontFace {
    public:
        Face(const Zorbel::FontRequest& request, int32_t advance, int32_t ascent, int32_t height)
            : mRequest(request), mAdvance(advance), mAscent(ascent), mHeight(height) {}
        const Zorbel::FontRequest& Request() const override { return mRequest; }
        int32_t Ascent() const override { return mAscent; }
        int32_t Height() const override { return mHeight; }
        int32_t TextWidth(const std::string& text) override {
            return mAdvance * static_cast<int32_t>(text.size());
        }
        Zorbel::TextCoverage Render(const std::string& text) override {
            Zorbel::TextCoverage coverage;
            coverage.width = TextWidth(text);
            coverage.height = mHeight;
            coverage.alpha.assign(static_cast<size_t>(coverage.width) * static_cast<size_t>(mHeight), 0);
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i] == ' ') continue;
                for (int32_t y = 0; y < mHeight; ++y)
                    for (int32_t x = 0; x < mAdvance; ++x)
                        coverage.alpha[static_cast<size_t>(y * coverage.width) +
                                       i * static_cast<size_t>(mAdvance) + static_cast<size_t>(x)] = 255;
            }
            return coverage;
        }

    private:
        Zorbel::FontRequest mRequest;
        int32_t mAdvance;
        int32_t mAscent;
        int32_t mHeight;
    };
};

} // namespace ZorbelTest
