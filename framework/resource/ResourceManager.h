#pragma once

#include "framework/app/SharedImageCache.h"
#include "framework/resource/ResourceRecord.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace Zorbel {

class ImageFont;
class ResourceHost;
class ResourceRecordSource;

// Named images, sounds and fonts in three tables, each record belonging to a named group. A group is
// loaded record by record (a loading screen can call LoadNextResource between frames), loaded
// resources are handed out by id, and the first failure of a load is kept as the message to show.
// Records come from a record source such as a ResourceManifest.
//
// Main thread only. The host must outlive the manager; so must an attached record source, unless it
// detaches itself first.
class ResourceManager {
public:
    using Table = std::map<std::string, std::unique_ptr<ResourceRecord>>;

    explicit ResourceManager(ResourceHost* host);
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // Releases what the group's records loaded (every record's, for an empty name); the records stay.
    virtual void DeleteGroupResources(const std::string& group);
    virtual void DeleteTableResources(Table& table, const std::string& group);
    [[nodiscard]] virtual bool LoadImageRecord(ImageRecord& record);
    [[nodiscard]] virtual bool LoadFontRecord(FontRecord& record);
    virtual ~ResourceManager();
    // Each loads the next record of its table that belongs to the group being loaded, is not loaded
    // yet and does not come from the program. False at the end of the table or after a failure.
    virtual bool LoadNextImage();
    virtual bool LoadNextSound();
    virtual bool LoadNextFont();
    // Images first, then sounds, then fonts; false when nothing was left to load or a load failed.
    virtual bool LoadNextResource();
    // An empty name loads every group.
    virtual void StartGroupLoad(const std::string& group);
    // Loads every record of the group; false with the first failure as the last error.
    [[nodiscard]] virtual bool LoadGroup(const std::string& group);
    // A loaded resource. An unknown or unloaded id fails with "… resource not found: id" and throws
    // ResourceManagerException, except for a program resource while missing ones are allowed: then
    // the result is empty (null, −1, null).
    virtual SharedImageRef FindImage(const std::string& id);
    virtual int32_t FindSoundId(const std::string& id);
    virtual ImageFont* FindFont(const std::string& id);

    // The failure step: the first message since the errors were cleared becomes the last error, with
    // the record source's line and file. Always false.
    bool Fail(const std::string& message);
    const std::string& GetLastError() const { return mLastError; }
    bool HasFailed() const { return mFailed; }
    void ClearError();

    // --- Records, for record sources ---
    // The manager takes the record; false (and the record dropped) when its table has the id already.
    bool AddImage(std::unique_ptr<ImageRecord> record) { return Add(mImages, std::move(record)); }
    bool AddSound(std::unique_ptr<SoundRecord> record) { return Add(mSounds, std::move(record)); }
    bool AddFont(std::unique_ptr<FontRecord> record) { return Add(mFonts, std::move(record)); }
    const Table& Images() const { return mImages; }
    const Table& Sounds() const { return mSounds; }
    const Table& Fonts() const { return mFonts; }
    Table& Images() { return mImages; }
    Table& Sounds() { return mSounds; }
    Table& Fonts() { return mFonts; }

    // The source borrowed for the places of failures; null detaches. A source replaced is told so.
    void AttachRecordSource(ResourceRecordSource* source);
    ResourceRecordSource* GetRecordSource() const { return mRecordSource; }

    const std::set<std::string>& GetLoadedGroups() const { return mLoadedGroups; }
    bool IsGroupLoaded(const std::string& group) const { return mLoadedGroups.count(group) != 0; }
    void SetAllowMissingProgramResources(bool allow) { mAllowMissingProgramResources = allow; }
    ResourceHost* GetHost() const { return mHost; }

private:
    static bool Add(Table& table, std::unique_ptr<ResourceRecord> record);
    // The next record of the table the group load takes, moving the cursor past it; null at the end.
    ResourceRecord* NextToLoad(Table& table, Table::iterator& cursor);
    // Runs load on record with the record source told which record it is.
    template <typename Load>
    bool LoadWithSource(ResourceRecord& record, Load load);
    bool LoadSoundRecord(SoundRecord& record);
    bool ApplyAlphaImage(MemoryImage& image, const ImageRecord& record);
    bool ApplyAlphaGridImage(MemoryImage& image, const ImageRecord& record);
    void ApplyRecordToImage(MemoryImage& image, const ImageRecord& record);
    // The loaded record of id, or null (also when it is missing and allowed to be).
    ResourceRecord* FindLoaded(Table& table, const std::string& id, const char* kind, bool& allowedMissing);

    std::set<std::string> mLoadedGroups;
    Table mImages;
    Table mSounds;
    Table mFonts;
    Table::iterator mImageCursor;
    Table::iterator mSoundCursor;
    Table::iterator mFontCursor;
    int32_t mNextSoundId = 0;
    ResourceRecordSource* mRecordSource = nullptr;
    std::string mLastError;
    bool mFailed = false;
    ResourceHost* mHost;
    std::string mCurrentGroup;
    bool mAllowMissingProgramResources = false;
};

} // namespace Zorbel
