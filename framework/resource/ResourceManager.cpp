#include "framework/resource/ResourceManager.h"

#include "framework/font/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/resource/ResourceHost.h"
#include "framework/resource/ResourceManagerException.h"
#include "framework/resource/ResourceRecordSource.h"
#include "framework/sound/SoundManager.h"

#include <algorithm>

namespace Zorbel {

namespace {

constexpr char kRefPrefix[] = "!ref:";
constexpr uint32_t kNeutralFill = 0xFFFFFF;

// The alpha fill colour holds for the loads of one image record only.
class AlphaFillScope {
public:
    explicit AlphaFillScope(uint32_t color) { ImageLib::gAlphaFillColor = color; }
    AlphaFillScope(const AlphaFillScope&) = delete;
    AlphaFillScope& operator=(const AlphaFillScope&) = delete;
    ~AlphaFillScope() { ImageLib::gAlphaFillColor = kNeutralFill; }
};

// Copies the blue channel of width × height source pixels into the alpha channel of the destination
// block at (left, top) of a picture destWidth pixels wide.
void CopyBlueToAlpha(const uint32_t* source, int32_t width, int32_t height, uint32_t* dest, int32_t destWidth,
                     int32_t left, int32_t top) {
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* from = source + static_cast<size_t>(y) * static_cast<size_t>(width);
        uint32_t* to = dest + static_cast<size_t>(top + y) * static_cast<size_t>(destWidth) + left;
        for (int32_t x = 0; x < width; ++x)
            to[x] = (to[x] & 0x00FFFFFF) | ((from[x] & 0xFF) << 24);
    }
}

} // namespace

ResourceManager::ResourceManager(ResourceHost* host)
    : mImageCursor(mImages.end()), mSoundCursor(mSounds.end()), mFontCursor(mFonts.end()), mHost(host) {}

ResourceManager::~ResourceManager() {
    AttachRecordSource(nullptr);
    for (Table* table : {&mImages, &mSounds, &mFonts})
        for (auto& [id, record] : *table)
            record->Release(mHost);
}

// --- Loading groups ---

bool ResourceManager::LoadGroup(const std::string& group) {
    ClearError();
    StartGroupLoad(group);
    while (LoadNextResource()) {
    }
    if (mFailed) return false;
    mLoadedGroups.insert(group);
    return true;
}

void ResourceManager::StartGroupLoad(const std::string& group) {
    mCurrentGroup = group;
    mImageCursor = mImages.begin();
    mSoundCursor = mSounds.begin();
    mFontCursor = mFonts.begin();
}

bool ResourceManager::LoadNextResource() {
    return LoadNextImage() || LoadNextSound() || LoadNextFont();
}

ResourceRecord* ResourceManager::NextToLoad(Table& table, Table::iterator& cursor) {
    if (mFailed) return nullptr;
    for (; cursor != table.end(); ++cursor) {
        ResourceRecord& record = *cursor->second;
        if (!mCurrentGroup.empty() && record.group != mCurrentGroup) continue;
        if (record.IsLoaded() || record.fromProgram) continue;
        // The record is taken now: whatever its load does, the next call goes on after it.
        ++cursor;
        return &record;
    }
    return nullptr;
}

template <typename Load>
bool ResourceManager::LoadWithSource(ResourceRecord& record, Load load) {
    if (mRecordSource) mRecordSource->RecordLoading(&record);
    const bool loaded = load();
    if (mRecordSource) mRecordSource->RecordLoading(nullptr);
    return loaded;
}

bool ResourceManager::LoadNextImage() {
    auto* record = static_cast<ImageRecord*>(NextToLoad(mImages, mImageCursor));
    return record && LoadWithSource(*record, [&] { return LoadImageRecord(*record); });
}

bool ResourceManager::LoadNextSound() {
    auto* record = static_cast<SoundRecord*>(NextToLoad(mSounds, mSoundCursor));
    return record && LoadWithSource(*record, [&] { return LoadSoundRecord(*record); });
}

bool ResourceManager::LoadNextFont() {
    auto* record = static_cast<FontRecord*>(NextToLoad(mFonts, mFontCursor));
    return record && LoadWithSource(*record, [&] { return LoadFontRecord(*record); });
}

// --- Sounds ---

bool ResourceManager::LoadSoundRecord(SoundRecord& record) {
    SoundManager* sounds = mHost ? mHost->GetSoundManager() : nullptr;
    // A record loaded before takes its slot back, so that reloading a group uses up no slots.
    const int32_t id = record.lastSoundId >= 0 ? record.lastSoundId : mNextSoundId;
    if (sounds == nullptr || !sounds->LoadSoundInto(id, record.path))
        return Fail("Failed to load sound: " + record.path);
    if (record.baseVolume >= 0) sounds->SetSoundBaseLevel(id, record.baseVolume);
    if (record.basePan != 0) sounds->SetSoundBaseBalance(id, record.basePan);
    record.soundId = id;
    if (record.lastSoundId < 0) ++mNextSoundId;
    record.lastSoundId = id;
    return true;
}

// --- Images ---

bool ResourceManager::LoadImageRecord(ImageRecord& record) {
    SharedImageRef shared;
    bool isNew = false;
    if (mHost) {
        AlphaFillScope fill(record.alphaColor);
        shared = mHost->GetSharedImage(record.path, record.variant, &isNew);
    }
    if (!shared || !shared->image) return Fail("Failed to load image: " + record.path);
    MemoryImage& image = *shared->image;

    // A picture shared with another record was completed when it was first loaded.
    if (isNew && !record.alphaImagePath.empty() && !ApplyAlphaImage(image, record)) return false;
    if (isNew && !record.alphaGridImagePath.empty() && !ApplyAlphaGridImage(image, record)) return false;

    ApplyRecordToImage(image, record);
    record.image = std::move(shared);
    if (image.PurgesBits()) image.DropPixels();
    return true;
}

bool ResourceManager::ApplyAlphaImage(MemoryImage& image, const ImageRecord& record) {
    std::unique_ptr<ImageLib::Image> alpha = ImageLib::LoadImageFile(record.alphaImagePath, true);
    if (!alpha) return Fail("Failed to load image: " + record.alphaImagePath);
    uint32_t* pixels = alpha->GetWidth() == image.GetWidth() && alpha->GetHeight() == image.GetHeight()
                           ? image.GetPixels()
                           : nullptr;
    if (pixels == nullptr)
        return Fail("AlphaImage size mismatch between " + record.path + " and " + record.alphaImagePath);
    CopyBlueToAlpha(alpha->GetBits(), alpha->GetWidth(), alpha->GetHeight(), pixels, image.GetWidth(), 0, 0);
    image.NotifyPixelsChanged();
    return true;
}

bool ResourceManager::ApplyAlphaGridImage(MemoryImage& image, const ImageRecord& record) {
    std::unique_ptr<ImageLib::Image> alpha = ImageLib::LoadImageFile(record.alphaGridImagePath, true);
    if (!alpha) return Fail("Failed to load image: " + record.alphaGridImagePath);
    const int32_t rows = std::max(record.rows, 1);
    const int32_t columns = std::max(record.columns, 1);
    const int32_t cellWidth = image.GetWidth() / columns;
    const int32_t cellHeight = image.GetHeight() / rows;
    uint32_t* pixels =
        alpha->GetWidth() == cellWidth && alpha->GetHeight() == cellHeight ? image.GetPixels() : nullptr;
    if (pixels == nullptr)
        return Fail("GridAlphaImage size mismatch between " + record.path + " and " +
                    record.alphaGridImagePath);
    for (int32_t row = 0; row < rows; ++row)
        for (int32_t column = 0; column < columns; ++column)
            CopyBlueToAlpha(alpha->GetBits(), cellWidth, cellHeight, pixels, image.GetWidth(),
                            column * cellWidth, row * cellHeight);
    image.NotifyPixelsChanged();
    return true;
}

// In this order: the display-surface wish needs the alpha flags, and dropping the pixels comes last
// because everything before may still read them.
void ResourceManager::ApplyRecordToImage(MemoryImage& image, const ImageRecord& record) {
    image.RecomputeAlphaFlags();
    image.SetPurgeBits(record.purgeBits);
    if (record.useDisplaySurface) {
        image.RecomputeAlphaFlags();
        if (!image.HasAlpha()) {
            image.SetWantSurface(true);
            image.SetPurgeBits(true);
        }
    }
    if (record.palletize) {
        if (image.HasSurface())
            image.SetWantPalette(true);
        else
            image.ConvertToPalette();
    }
    uint32_t flags = image.GetTextureFlags();
    if (record.textureBit4) flags |= ImageRecord::TexturePrefer4444;
    if (record.textureBit8) flags |= ImageRecord::TextureAlwaysAlpha;
    if (record.textureBit1) flags |= ImageRecord::TexturePowerOfTwoPieces;
    image.SetTextureFlags(flags);
    if (record.animation) image.SetAnimInfo(std::make_unique<AnimInfo>(*record.animation));
    image.SetCelGrid(record.columns, record.rows);
}

// --- Fonts ---

bool ResourceManager::LoadFontRecord(FontRecord& record) {
    std::unique_ptr<ImageFont> font;
    if (!record.imagePath.empty()) {
        std::unique_ptr<MemoryImage> picture = mHost ? mHost->GetImage(record.imagePath, true) : nullptr;
        if (!picture) return Fail("Failed to load image: " + record.imagePath);
        record.image = std::move(picture);
        font = std::make_unique<ImageFont>(record.image, record.path);
    } else if (record.path.rfind(kRefPrefix, 0) == 0) {
        const std::string refId = record.path.substr(sizeof kRefPrefix - 1);
        auto found = mFonts.find(refId);
        if (found == mFonts.end() || !found->second->IsLoaded()) return Fail("Ref font not found: " + refId);
        font = std::make_unique<ImageFont>(*static_cast<FontRecord&>(*found->second).font);
    } else {
        font = std::make_unique<ImageFont>(mHost ? mHost->GetFontHost() : nullptr, record.path);
    }
    if (!font->IsInitialized()) {
        record.image.reset();
        return Fail("Failed to load font: " + record.path);
    }
    size_t start = 0;
    while ((start = record.tags.find_first_not_of(", \r\n\t", start)) != std::string::npos) {
        const size_t end = record.tags.find_first_of(", \r\n\t", start);
        font->AddTag(record.tags.substr(start, end - start));
        start = end;
    }
    record.font = std::move(font);
    return true;
}

// --- Lookups ---

ResourceRecord* ResourceManager::FindLoaded(Table& table, const std::string& id, const char* kind,
                                            bool& allowedMissing) {
    allowedMissing = false;
    auto found = table.find(id);
    if (found != table.end()) {
        ResourceRecord& record = *found->second;
        if (record.IsLoaded()) return &record;
        if (mAllowMissingProgramResources && record.fromProgram) {
            allowedMissing = true;
            return nullptr;
        }
    }
    Fail(std::string(kind) + " resource not found: " + id);
    throw ResourceManagerException(mLastError);
}

SharedImageRef ResourceManager::FindImage(const std::string& id) {
    bool allowedMissing = false;
    ResourceRecord* record = FindLoaded(mImages, id, "Image", allowedMissing);
    return record ? static_cast<ImageRecord*>(record)->image : nullptr;
}

int32_t ResourceManager::FindSoundId(const std::string& id) {
    bool allowedMissing = false;
    ResourceRecord* record = FindLoaded(mSounds, id, "Sound", allowedMissing);
    return record ? static_cast<SoundRecord*>(record)->soundId : -1;
}

ImageFont* ResourceManager::FindFont(const std::string& id) {
    bool allowedMissing = false;
    ResourceRecord* record = FindLoaded(mFonts, id, "Font", allowedMissing);
    return record ? static_cast<FontRecord*>(record)->font.get() : nullptr;
}

// --- Failures ---

bool ResourceManager::Fail(const std::string& message) {
    if (mFailed) return false;
    mFailed = true;
    mLastError = message;
    if (mRecordSource) {
        const int32_t line = mRecordSource->GetCurrentLineNumber();
        if (line > 0) mLastError += " on Line " + std::to_string(line);
        const std::string file = mRecordSource->GetCurrentFileName();
        if (!file.empty()) mLastError += " in File '" + file + "'";
    }
    return false;
}

void ResourceManager::ClearError() {
    mLastError.clear();
    mFailed = false;
}

// --- Releasing ---

void ResourceManager::DeleteGroupResources(const std::string& group) {
    DeleteTableResources(mImages, group);
    DeleteTableResources(mSounds, group);
    DeleteTableResources(mFonts, group);
    mLoadedGroups.erase(group);
}

void ResourceManager::DeleteTableResources(Table& table, const std::string& group) {
    for (auto& [id, record] : table)
        if (group.empty() || record->group == group) record->Release(mHost);
}

// --- Records ---

bool ResourceManager::Add(Table& table, std::unique_ptr<ResourceRecord> record) {
    const std::string id = record->id;
    return table.emplace(id, std::move(record)).second;
}

void ResourceManager::AttachRecordSource(ResourceRecordSource* source) {
    if (mRecordSource == source) return;
    if (mRecordSource) mRecordSource->DetachedFromManager();
    mRecordSource = source;
}

} // namespace Zorbel
