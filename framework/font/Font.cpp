#include "framework/font/Font.h"

namespace Zorbel {

int32_t Font::StringWidth(const std::string&) {
    return 0;
}

int32_t Font::CharWidth(char c) {
    return StringWidth(std::string(1, c));
}

int32_t Font::CharWidthKerned(char c, char) {
    return CharWidth(c);
}

void Font::DrawText(Graphics*, int32_t, int32_t, const std::string&, const Color&, const Rect&) {}

std::unique_ptr<Font> Font::Clone() const {
    return nullptr;
}

} // namespace Zorbel
