#include "framework/platform/files/ProductVersion.h"

#include "framework/platform/files/InputFile.h"

#include <cstdint>
#include <cstring>
#include <sys/mman.h>

namespace Zorbel {

namespace {

// Little-endian fields at any offset, checked against the file's size before every read.
class Reader {
public:
    Reader(const unsigned char* bytes, size_t size) : mBytes(bytes), mSize(size) {}

    bool Has(uint64_t offset, uint64_t length) const { return offset <= mSize && length <= mSize - offset; }

    uint64_t Read(uint64_t offset, int width) const {
        uint64_t value = 0;
        for (int i = 0; i < width; ++i)
            value |= static_cast<uint64_t>(mBytes[offset + static_cast<uint64_t>(i)]) << (8 * i);
        return value;
    }

    const unsigned char* At(uint64_t offset) const { return mBytes + offset; }

private:
    const unsigned char* mBytes;
    size_t mSize;
};

struct Layout {
    int word; // 4 for 32-bit files, 8 for 64-bit ones
    uint64_t shoff, shentsize, shnum, shstrndx;
    uint64_t nameAt, offsetAt, sizeAt; // field offsets inside a section header
};

bool ReadLayout(const Reader& file, Layout& layout) {
    if (!file.Has(0, 64) || std::memcmp(file.At(0),
                                        "\x7F"
                                        "ELF",
                                        4) != 0)
        return false;
    if (file.Read(5, 1) != 1) return false; // little-endian only
    bool is64 = file.Read(4, 1) == 2;
    if (!is64 && file.Read(4, 1) != 1) return false;
    layout.word = is64 ? 8 : 4;
    layout.shoff = file.Read(is64 ? 0x28 : 0x20, layout.word);
    layout.shentsize = file.Read(is64 ? 0x3A : 0x2E, 2);
    layout.shnum = file.Read(is64 ? 0x3C : 0x30, 2);
    layout.shstrndx = file.Read(is64 ? 0x3E : 0x32, 2);
    layout.nameAt = 0;
    layout.offsetAt = is64 ? 0x18 : 0x10;
    layout.sizeAt = is64 ? 0x20 : 0x14;
    uint64_t minimum = layout.sizeAt + static_cast<uint64_t>(layout.word);
    return layout.shentsize >= minimum && layout.shstrndx < layout.shnum &&
           layout.shnum <= (UINT64_MAX / layout.shentsize) &&
           file.Has(layout.shoff, layout.shnum * layout.shentsize);
}

} // namespace

std::string ReadProductVersionFromBytes(const unsigned char* bytes, size_t size) {
    Reader file(bytes, size);
    Layout layout{};
    if (!ReadLayout(file, layout)) return std::string();
    auto header = [&](uint64_t index) { return layout.shoff + index * layout.shentsize; };
    uint64_t namesOffset = file.Read(header(layout.shstrndx) + layout.offsetAt, layout.word);
    uint64_t namesSize = file.Read(header(layout.shstrndx) + layout.sizeAt, layout.word);
    if (!file.Has(namesOffset, namesSize)) return std::string();

    const std::string wanted = ProductVersionSection;
    for (uint64_t i = 0; i < layout.shnum; ++i) {
        uint64_t name = file.Read(header(i) + layout.nameAt, 4);
        if (name >= namesSize || namesSize - name < wanted.size() + 1) continue;
        if (std::memcmp(file.At(namesOffset + name), wanted.c_str(), wanted.size() + 1) != 0) continue;
        uint64_t offset = file.Read(header(i) + layout.offsetAt, layout.word);
        uint64_t length = file.Read(header(i) + layout.sizeAt, layout.word);
        if (!file.Has(offset, length)) return std::string();
        const char* text = reinterpret_cast<const char*>(file.At(offset));
        return std::string(text, strnlen(text, static_cast<size_t>(length)));
    }
    return std::string();
}

std::string ReadProductVersion(const std::string& path) {
    InputFile file(path);
    if (!file || file.Size() == 0) return std::string();
    // Programs are large and only a few headers are read, so the file is mapped rather than copied.
    auto size = static_cast<size_t>(file.Size());
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, ::fileno(file.Get()), 0);
    if (mapped == MAP_FAILED) return std::string();
    std::string version = ReadProductVersionFromBytes(static_cast<const unsigned char*>(mapped), size);
    ::munmap(mapped, size);
    return version;
}

} // namespace Zorbel
