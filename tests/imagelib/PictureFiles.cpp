#include "imagelib/PictureFiles.h"

#include "support/WholeFile.h"

#include <array>
#include <atomic>
#include <cstring>
#include <fstream>
#include <map>
#include <unistd.h>

#include <zlib.h>

namespace PictureFiles {

using Zorbel::ImageLib::Image;

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    mRoot = std::filesystem::temp_directory_path() /
            ("zorbel-pictures-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(mRoot);
    std::filesystem::create_directories(mRoot);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(mRoot, ignored);
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::string& path) {
    return ZorbelTest::ReadWholeFile<Bytes>(path);
}

bool TemporaryLeftBeside(const std::string& path) {
    std::filesystem::path target(path);
    std::string prefix = target.filename().string() + ".tmp";
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) return true;
    return false;
}

int OpenFileCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

std::unique_ptr<Image> MakeImage(int width, int height, const std::function<uint32_t(int, int)>& pixel) {
    std::unique_ptr<Image> image = Image::Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->GetBits()[size_t(y) * size_t(width) + size_t(x)] = pixel(x, y);
    return image;
}

uint32_t PixelAt(const Image& image, int x, int y) {
    return image.GetBits()[size_t(y) * size_t(image.GetWidth()) + size_t(x)];
}

Bytes TgaFile(int width, int height, const std::vector<uint32_t>& pixels, uint8_t depth, uint8_t descriptor) {
    Bytes bytes(18, 0);
    bytes[2] = 2; // uncompressed true colour
    bytes[12] = static_cast<uint8_t>(width);
    bytes[13] = static_cast<uint8_t>(width >> 8);
    bytes[14] = static_cast<uint8_t>(height);
    bytes[15] = static_cast<uint8_t>(height >> 8);
    bytes[16] = depth;
    bytes[17] = descriptor;
    for (uint32_t p : pixels)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(p >> shift));
    return bytes;
}

namespace {

class BitWriter {
public:
    void Put(uint32_t code, int bits) {
        mAccumulator |= uint64_t(code) << mCount;
        mCount += bits;
        while (mCount >= 8) {
            mBytes.push_back(static_cast<uint8_t>(mAccumulator));
            mAccumulator >>= 8;
            mCount -= 8;
        }
    }
    Bytes Finish() {
        if (mCount > 0) mBytes.push_back(static_cast<uint8_t>(mAccumulator));
        return mBytes;
    }

private:
    Bytes mBytes;
    uint64_t mAccumulator = 0;
    int mCount = 0;
};

} // namespace

Bytes LzwEncode(const Bytes& indices, int minCodeSize, bool deferClear) {
    const uint32_t clear = 1u << minCodeSize;
    const uint32_t end = clear + 1;
    uint32_t next = clear + 2;
    int bits = minCodeSize + 1;
    std::map<uint32_t, uint32_t> table; // (prefix << 8 | index) -> code
    BitWriter out;
    out.Put(clear, bits);
    if (indices.empty()) {
        out.Put(end, bits);
        return out.Finish();
    }
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        uint32_t key = (prefix << 8) | indices[i];
        auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        out.Put(prefix, bits);
        prefix = indices[i];
        if (next < 4096) {
            table[key] = next;
            // The decoder defines each entry one code later, so it widens when this entry is the first
            // that needs the extra bit.
            if (next == (1u << bits) && bits < 12) ++bits;
            ++next;
        }
        if (next == 4096 && !deferClear) {
            out.Put(clear, bits);
            table.clear();
            next = clear + 2;
            bits = minCodeSize + 1;
        }
    }
    out.Put(prefix, bits);
    if (next == (1u << bits) && bits < 12) ++bits;
    out.Put(end, bits);
    return out.Finish();
}

Bytes PackCodes(const std::vector<std::pair<uint32_t, int>>& codes) {
    BitWriter out;
    for (auto [code, bits] : codes)
        out.Put(code, bits);
    return out.Finish();
}

Bytes SubBlocks(const Bytes& data) {
    Bytes blocks;
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        blocks.push_back(static_cast<uint8_t>(n));
        blocks.insert(blocks.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                      data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    blocks.push_back(0);
    return blocks;
}

GifFile::GifFile(int screenWidth, int screenHeight, const std::vector<uint32_t>& colors) {
    for (char c : std::string("GIF89a"))
        mBytes.push_back(static_cast<uint8_t>(c));
    PutWord(screenWidth);
    PutWord(screenHeight);
    mBytes.push_back(colors.empty() ? 0 : static_cast<uint8_t>(0x80 | TableBits(colors.size())));
    mBytes.push_back(0); // background
    mBytes.push_back(0); // aspect
    if (!colors.empty()) PutColorTable(colors);
}

GifFile& GifFile::GraphicControl(bool transparentFlag, uint8_t transparentIndex) {
    Bytes block = {0x21, 0xF9, 4, static_cast<uint8_t>(transparentFlag ? 1 : 0), 10, 0, transparentIndex, 0};
    return Raw(block);
}

GifFile& GifFile::Comment(const std::string& text) {
    Raw({0x21, 0xFE});
    return Raw(SubBlocks(Bytes(text.begin(), text.end())));
}

GifFile& GifFile::Raw(const Bytes& bytes) {
    mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
    return *this;
}

GifFile& GifFile::Frame(int width, int height, const Bytes& indices, bool interlaced,
                        const std::vector<uint32_t>& localColors, int minCodeSize) {
    mBytes.push_back(0x2C);
    PutWord(0);
    PutWord(0);
    PutWord(width);
    PutWord(height);
    uint8_t flags = interlaced ? 0x40 : 0;
    if (!localColors.empty()) flags |= static_cast<uint8_t>(0x80 | TableBits(localColors.size()));
    mBytes.push_back(flags);
    if (!localColors.empty()) PutColorTable(localColors);
    mBytes.push_back(static_cast<uint8_t>(minCodeSize));
    return Raw(SubBlocks(LzwEncode(indices, minCodeSize)));
}

GifFile& GifFile::FrameWithData(int width, int height, int minCodeSize, const Bytes& lzwData,
                                bool interlaced) {
    mBytes.push_back(0x2C);
    PutWord(0);
    PutWord(0);
    PutWord(width);
    PutWord(height);
    mBytes.push_back(interlaced ? 0x40 : 0);
    mBytes.push_back(static_cast<uint8_t>(minCodeSize));
    return Raw(SubBlocks(lzwData));
}

GifFile& GifFile::Trailer() {
    mBytes.push_back(0x3B);
    return *this;
}

void GifFile::PutWord(int value) {
    mBytes.push_back(static_cast<uint8_t>(value));
    mBytes.push_back(static_cast<uint8_t>(value >> 8));
}

void GifFile::PutColorTable(const std::vector<uint32_t>& colors) {
    size_t entries = size_t(2) << TableBits(colors.size());
    for (size_t i = 0; i < entries; ++i) {
        uint32_t c = i < colors.size() ? colors[i] : 0;
        mBytes.push_back(static_cast<uint8_t>(c >> 16));
        mBytes.push_back(static_cast<uint8_t>(c >> 8));
        mBytes.push_back(static_cast<uint8_t>(c));
    }
}

int GifFile::TableBits(size_t colors) {
    int bits = 0;
    while ((size_t(2) << bits) < colors)
        ++bits;
    return bits;
}

constexpr int BombSide = 16384;

Bytes GifBomb() {
    return GifFile(1, 1, {0xFF0000, 0x00FF00})
        .FrameWithData(BombSide, BombSide, 2, PackCodes({{4, 3}, {1, 3}, {5, 3}}))
        .Trailer()
        .GetBytes();
}

Bytes JpegBomb() {
    ScratchFolder folder;
    const std::string path = folder.Path("small.jpg");
    auto picture =
        MakeImage(16, 16, [](int x, int y) { return 0xFF000000u | uint32_t(x * 16) << 8 | uint32_t(y); });
    if (!Zorbel::ImageLib::WriteJpeg(path, *picture)) return {};
    Bytes bytes = ReadFile(path);
    // Segments follow the start marker: marker (2), length (2) and the rest; the frame header holds
    // precision (1), height (2) and width (2).
    for (size_t at = 2; at + 9 < bytes.size(); at += 2 + size_t(bytes[at + 2] << 8 | bytes[at + 3])) {
        if (bytes[at] != 0xFF) break;
        if (bytes[at + 1] != 0xC0) continue;
        for (size_t field : {at + 5, at + 7}) {
            bytes[field] = static_cast<uint8_t>(BombSide >> 8);
            bytes[field + 1] = static_cast<uint8_t>(BombSide);
        }
        return bytes;
    }
    return {};
}

void PutPngChunk(Bytes& file, const char* type, const Bytes& data) {
    for (int shift = 24; shift >= 0; shift -= 8)
        file.push_back(static_cast<uint8_t>(data.size() >> shift));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file.insert(file.end(), body.begin(), body.end());
    uLong crc = crc32(0, body.data(), static_cast<uInt>(body.size()));
    for (int shift = 24; shift >= 0; shift -= 8)
        file.push_back(static_cast<uint8_t>(crc >> shift));
}

namespace {

// Every row is a filter byte and the samples, all zero; deflated a slice at a time.
Bytes DeflatedZeros(size_t count) {
    z_stream stream{};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    std::array<uint8_t, 1 << 16> zeros{};
    Bytes out;
    std::array<uint8_t, 1 << 16> chunk{};
    int flush = Z_NO_FLUSH;
    do {
        size_t slice = std::min(count, zeros.size());
        count -= slice;
        flush = count == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = zeros.data();
        stream.avail_in = static_cast<uInt>(slice);
        do {
            stream.next_out = chunk.data();
            stream.avail_out = static_cast<uInt>(chunk.size());
            deflate(&stream, flush);
            out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - stream.avail_out));
        } while (stream.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&stream);
    return out;
}

} // namespace

Bytes PngBomb() {
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const uint8_t side[4] = {0, 0, BombSide >> 8, 0};
    Bytes header(side, side + 4);
    header.insert(header.end(), side, side + 4);
    header.insert(header.end(), {8, 0, 0, 0, 0}); // 8-bit grey, not interlaced
    PutPngChunk(file, "IHDR", header);
    PutPngChunk(file, "IDAT", DeflatedZeros(size_t(BombSide) * (BombSide + 1)));
    PutPngChunk(file, "IEND", {});
    return file;
}

} // namespace PictureFiles
