#include "framework/app/ImageDump.h"

#include "framework/app/ReportText.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/files/AtomicFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace Zorbel {

namespace {

std::string Numbered(const char* pattern, size_t k) {
    char name[32];
    std::snprintf(name, sizeof name, pattern, static_cast<unsigned>(k));
    return name;
}

std::string Cell(const std::string& content) {
    return "<TD>" + content + "</TD>";
}

std::string CategoryCell(const char* name, const std::optional<uint64_t>& bytes) {
    return bytes ? Cell(std::string(name) + "<BR>" + GroupThousands(*bytes)) : Cell("&nbsp;");
}

std::string FlagCell(const char* name, bool set) {
    return Cell(set ? name : "&nbsp;");
}

// The source index that a thumbnail coordinate samples along a side of the given length.
int32_t SampleAt(int32_t t, int32_t length) {
    return static_cast<int32_t>(std::floor((t + 0.5) * length / ImageDump::ThumbnailSize));
}

bool WritePicture(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height, bool jpeg) {
    std::unique_ptr<ImageLib::Image> picture = ImageLib::Image::Create(width, height, false);
    if (!picture) return false;
    std::memcpy(picture->GetBits(), pixels, picture->GetPixelCount() * sizeof(uint32_t));
    return jpeg ? ImageLib::WriteJpeg(path, *picture) : ImageLib::WritePng(path, *picture);
}

} // namespace

uint64_t ImageAccount::Total() const {
    uint64_t total = 0;
    for (const std::optional<uint64_t>* part :
         {&bits, &palettized, &surface, &texture, &nativeAlpha, &rlAlpha, &rlAdditive})
        total += part->value_or(0);
    return total;
}

ImageDump::ImageDump(std::string folder, TextureLookup textures)
    : mFolder(std::move(folder)), mTextures(std::move(textures)) {}

ImageAccount ImageDump::Account(const MemoryImage& image) const {
    ImageAccount account;
    account.width = image.GetWidth();
    account.height = image.GetHeight();
    const uint64_t pixels = image.PixelCount();
    if (image.Bits()) account.bits = 4 * pixels;
    if (image.ColorIndices()) account.palettized = pixels + 1024;
    if (image.HasSurface()) account.surface = 4 * pixels;
    TextureUse texture;
    if (image.GetHardwareTexture() && mTextures && mTextures(image, texture)) {
        account.texture = texture.bytes;
        account.textureFormat = texture.format;
    }
    if (image.NativeAlphaData()) account.nativeAlpha = image.ColorIndices() ? 1024 : 4 * pixels;
    if (image.RLAlphaData()) account.rlAlpha = pixels;
    if (image.RLAdditiveData()) account.rlAdditive = pixels;
    account.isVolatile = image.IsVolatile();
    account.forced = image.IsForced();
    account.hasAlpha = image.HasAlpha();
    account.hasTrans = image.HasTrans();
    return account;
}

bool ImageDump::ListedBefore(const ImageAccount& a, const ImageAccount& b) {
    if (a.Total() != b.Total()) return a.Total() > b.Total();
    if (a.width != b.width) return a.width > b.width;
    return a.height > b.height;
}

std::string ImageDump::PageText(const std::vector<ImageAccount>& accounts, const std::string& date) {
    std::string page;
    auto line = [&page](const std::string& piece) { page += piece + "\n"; };
    line("<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>");
    line(date);
    line("</B></FONT><BR>");

    uint64_t total = 0;
    for (const ImageAccount& account : accounts)
        total += account.Total();
    line("Total Image Allocation: " + GroupThousands(total) + " bytes<BR>");
    line("<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4>");

    // Column sums: the size, then the seven categories in the table's order.
    uint64_t sums[8] = {};
    for (size_t k = 0; k < accounts.size(); ++k) {
        const ImageAccount& a = accounts[k];
        line("<TR>");
        line("<TD><A HREF=" + Numbered("img%04u.png", k) + "><IMG SRC=" + Numbered("thumb%04u.jpg", k) +
             " WIDTH=64 HEIGHT=64></A></TD>");
        line(Cell(std::to_string(a.width) + " x " + std::to_string(a.height) + "<BR>" +
                  GroupThousands(a.Total()) + " bytes"));
        line(CategoryCell("mBits", a.bits));
        line(CategoryCell("Palletized", a.palettized));
        line(CategoryCell("DDSurface", a.surface));
        line(a.texture ? Cell(std::string("Texture<BR>") + TextureFormatName(a.textureFormat) + "<BR>" +
                              GroupThousands(*a.texture))
                       : Cell("&nbsp;"));
        line(CategoryCell("NativeAlpha", a.nativeAlpha));
        line(CategoryCell("RLAlpha", a.rlAlpha));
        line(CategoryCell("RLAdditive", a.rlAdditive));
        line(FlagCell("Volatile", a.isVolatile));
        line(FlagCell("Forced", a.forced));
        line(FlagCell("HasAlpha", a.hasAlpha));
        line(FlagCell("HasTrans", a.hasTrans));
        line("</TR>");
        const std::optional<uint64_t>* parts[] = {&a.bits,        &a.palettized, &a.surface,   &a.texture,
                                                  &a.nativeAlpha, &a.rlAlpha,    &a.rlAdditive};
        sums[0] += a.Total();
        for (size_t i = 0; i < 7; ++i)
            sums[i + 1] += parts[i]->value_or(0);
    }

    line("<TD>Totals</TD>");
    for (size_t i = 0; i < 5; ++i)
        line(Cell(GroupThousands(sums[i])));
    for (int flag = 0; flag < 4; ++flag)
        line(Cell("&nbsp;"));
    for (size_t i = 5; i < 8; ++i)
        line(Cell(GroupThousands(sums[i])));
    line("</TABLE></CENTER></BODY></HTML>");
    return page;
}

std::vector<uint32_t> ImageDump::Thumbnail(const uint32_t* pixels, int32_t width, int32_t height) {
    std::vector<uint32_t> thumbnail(size_t(ThumbnailSize) * ThumbnailSize, 0xFF000000);
    if (pixels == nullptr || width <= 0 || height <= 0) return thumbnail;
    for (int32_t y = 0; y < ThumbnailSize; ++y) {
        const uint32_t* row = pixels + size_t(SampleAt(y, height)) * size_t(width);
        for (int32_t x = 0; x < ThumbnailSize; ++x)
            thumbnail[size_t(y) * ThumbnailSize + size_t(x)] = row[SampleAt(x, width)];
    }
    return thumbnail;
}

std::vector<uint32_t> ImageDump::PixelsOf(MemoryImage& image) {
    if (const uint32_t* bits = image.Bits()) return std::vector<uint32_t>(bits, bits + image.PixelCount());
    // A copy builds the pixels in the picture for a moment and frees them again afterwards.
    MemoryImage copy(image);
    const uint32_t* bits = copy.GetPixels();
    if (bits == nullptr) return {};
    return std::vector<uint32_t>(bits, bits + copy.PixelCount());
}

bool ImageDump::Write(const std::vector<MemoryImage*>& images, const std::string& date) const {
    std::vector<std::pair<ImageAccount, MemoryImage*>> rows;
    for (MemoryImage* image : images)
        rows.emplace_back(Account(*image), image);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return ListedBefore(a.first, b.first); });
    std::vector<ImageAccount> accounts;
    for (const auto& row : rows)
        accounts.push_back(row.first);

    const bool pageWritten = WriteFileAtomically(mFolder + "/" + PageName, PageText(accounts, date));
    for (size_t k = 0; k < rows.size(); ++k) {
        MemoryImage& image = *rows[k].second;
        const std::vector<uint32_t> pixels = PixelsOf(image);
        const bool whole = !pixels.empty() && pixels.size() == image.PixelCount();
        const uint32_t* data = whole ? pixels.data() : nullptr;
        // An empty picture still gets a (transparent 1 x 1) file, so that the page shows every row.
        const uint32_t blank = 0;
        (void)WritePicture(mFolder + "/" + Numbered("img%04u.png", k), data ? data : &blank,
                           data ? image.GetWidth() : 1, data ? image.GetHeight() : 1, false);
        const std::vector<uint32_t> thumbnail = Thumbnail(data, image.GetWidth(), image.GetHeight());
        (void)WritePicture(mFolder + "/" + Numbered("thumb%04u.jpg", k), thumbnail.data(), ThumbnailSize,
                           ThumbnailSize, true);
    }
    return pageWritten;
}

} // namespace Zorbel
