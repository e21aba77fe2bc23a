#include "framework/graphics/TextLayout.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

#include <algorithm>

namespace Zorbel {

namespace {

int32_t WidthOf(Font* font, const std::string& text, size_t offset, size_t length) {
    return font->StringWidth(text.substr(offset, length));
}

// Wraps one paragraph (text without line breaks) into lines.
void WrapParagraph(Font* font, int32_t width, const std::string& text, size_t begin, size_t end,
                   std::vector<TextLayout::Line>& lines) {
    if (begin == end) {
        lines.push_back({begin, 0});
        return;
    }
    size_t start = begin;
    while (start < end) {
        // Take whole words while they fit; blanks before the first word of a paragraph stay.
        size_t fits = start;
        size_t scan = start;
        while (scan < end) {
            size_t wordEnd = scan;
            while (wordEnd < end && text[wordEnd] == ' ')
                ++wordEnd;
            while (wordEnd < end && text[wordEnd] != ' ')
                ++wordEnd;
            if (WidthOf(font, text, start, wordEnd - start) > width) break;
            fits = scan = wordEnd;
        }
        if (fits == start) {
            // The first word alone is too wide: break it between characters.
            size_t count = 1;
            while (start + count < end && text[start + count] != ' ' &&
                   WidthOf(font, text, start, count + 1) <= width)
                ++count;
            lines.push_back({start, count});
            start += count;
        } else {
            lines.push_back({start, fits - start});
            start = fits;
        }
        while (start < end && text[start] == ' ')
            ++start;
    }
}

} // namespace

std::vector<TextLayout::Line> TextLayout::WrapLines(Font* font, int32_t width, const std::string& text) {
    std::vector<Line> lines;
    if (font == nullptr || text.empty()) return lines;
    size_t begin = 0;
    while (true) {
        size_t newline = text.find('\n', begin);
        size_t end = newline == std::string::npos ? text.size() : newline;
        size_t contentEnd = end > begin && text[end - 1] == '\r' ? end - 1 : end;
        WrapParagraph(font, width, text, begin, contentEnd, lines);
        if (newline == std::string::npos) break;
        begin = newline + 1;
    }
    return lines;
}

int32_t TextLayout::JustifiedX(int32_t x, int32_t width, int32_t lineWidth, int32_t justification) {
    switch (justification) {
        case JUSTIFY_CENTER:
            return x + (width - lineWidth) / 2;
        case JUSTIFY_RIGHT:
            return x + width - lineWidth;
        default:
            return x;
    }
}

int32_t TextLayout::DrawStringJustified(Graphics* g, const std::string& text, int32_t x, int32_t y,
                                        int32_t width, int32_t justification, bool draw, int32_t offset,
                                        int32_t length) {
    Font* font = g != nullptr ? g->GetTextFont() : nullptr;
    if (font == nullptr || offset < 0 || static_cast<size_t>(offset) > text.size()) return 0;
    std::string part = length < 0 ? text.substr(static_cast<size_t>(offset))
                                  : text.substr(static_cast<size_t>(offset), static_cast<size_t>(length));
    int32_t lineWidth = font->StringWidth(part);
    if (draw) g->PaintText(part, JustifiedX(x, width, lineWidth, justification), y);
    return lineWidth;
}

int32_t TextLayout::DrawWordWrapped(Graphics* g, const Rect& rect, const std::string& text,
                                    int32_t lineSpacing, int32_t justification) {
    Font* font = g != nullptr ? g->GetTextFont() : nullptr;
    if (font == nullptr) return 0;
    std::vector<Line> lines = WrapLines(font, rect.width, text);
    int32_t baseline = rect.y + font->Ascent() - font->AscentPadding();
    for (const Line& line : lines) {
        DrawStringJustified(g, text, rect.x, baseline, rect.width, justification, true,
                            static_cast<int32_t>(line.offset), static_cast<int32_t>(line.length));
        baseline += lineSpacing;
    }
    return lines.empty() ? 0
                         : font->Height() - font->AscentPadding() +
                               (static_cast<int32_t>(lines.size()) - 1) * lineSpacing;
}

int32_t TextLayout::MeasureWordWrappedHeight(Font* font, int32_t width, const std::string& text,
                                             int32_t lineSpacing) {
    if (font == nullptr) return 0;
    size_t count = WrapLines(font, width, text).size();
    if (count == 0) return 0;
    return font->Height() - font->AscentPadding() + (static_cast<int32_t>(count) - 1) * lineSpacing;
}

} // namespace Zorbel
