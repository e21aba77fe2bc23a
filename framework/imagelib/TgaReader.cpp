// The narrow TGA variant our tools write: uncompressed, 32 bits per pixel, origin at the top left,
// pixels right after the 18-byte header. Its B, G, R, A bytes are a 0xAARRGGBB value in little-endian
// order, so the pixels are read straight into place.
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/files/InputFile.h"

namespace Zorbel::ImageLib {

namespace {

constexpr size_t HeaderSize = 18;
constexpr uint8_t RequiredDepth = 32;
// Eight attribute bits per pixel and the top-left origin.
constexpr uint8_t RequiredDescriptor = 0x28;

int16_t SignedWordAt(const uint8_t* bytes) {
    return static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
}

} // namespace

std::unique_ptr<Image> ReadTga(const std::string& fileName) {
    InputFile file(fileName, MaxFileBytes);
    if (!file) return nullptr;

    uint8_t header[HeaderSize];
    if (std::fread(header, 1, HeaderSize, file.Get()) != HeaderSize) return nullptr;
    if (header[16] != RequiredDepth || header[17] != RequiredDescriptor) return nullptr;
    int width = SignedWordAt(header + 12);
    int height = SignedWordAt(header + 14);
    if (width <= 0 || height <= 0) return nullptr;

    // A truncated file is refused before its header can make us allocate for pixels it lacks.
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    long available = file.RemainingBytes();
    if (available >= 0 && static_cast<unsigned long>(available) < count * sizeof(uint32_t)) return nullptr;

    std::unique_ptr<Image> image = Image::Create(width, height, false);
    if (!image || std::fread(image->GetBits(), sizeof(uint32_t), count, file.Get()) != count) return nullptr;
    return image;
}

} // namespace Zorbel::ImageLib
