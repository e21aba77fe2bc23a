#include "framework/platform/window/MaskCursor.h"

namespace Zorbel {

bool MaskCursor::IsValid() const {
    if (width <= 0 || height <= 0 || width > 256 || height > 256) return false;
    size_t bytes = static_cast<size_t>(BytesPerRow()) * static_cast<size_t>(height);
    return andMask.size() == bytes && xorMask.size() == bytes && hotX >= 0 && hotX < width && hotY >= 0 &&
           hotY < height;
}

void MaskCursorToSdlBits(const MaskCursor& cursor, std::vector<uint8_t>& data, std::vector<uint8_t>& mask) {
    data.resize(cursor.andMask.size());
    mask.resize(cursor.andMask.size());
    for (size_t i = 0; i < cursor.andMask.size() && i < cursor.xorMask.size(); ++i) {
        mask[i] = static_cast<uint8_t>(~cursor.andMask[i]);
        data[i] = static_cast<uint8_t>(~(cursor.andMask[i] ^ cursor.xorMask[i]));
    }
}

} // namespace Zorbel
