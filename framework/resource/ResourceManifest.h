#pragma once

#include "framework/font/DescParser.h"
#include "framework/resource/ResourceRecordSource.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Zorbel {

class ResourceManager;
struct FontRecord;
struct ImageRecord;
struct ResourceRecord;
struct SoundRecord;

// Fills a resource manager's tables from manifest files written in the descriptor command language:
// "Group" names the group of the records that follow, "Image", "Sound" and "Font" add records with
// their options, "ProgramImage", "ProgramSound" and "ProgramFont" add the program's own, and "Define"
// names values. docs/resources.md describes the format.
//
// The manifest is the manager's record source: a failure names the line and file of the command
// being read, or later of the record being loaded. A manifest with a mistake adds nothing. Read every
// manifest of a manager through one ResourceManifest, which must not outlive the manager unless the
// manager drops it first (by going away or taking another source).
class ResourceManifest : public DescParser, public ResourceRecordSource {
public:
    // Manifests larger than this are not read: the largest game lists some thousands of records.
    static constexpr uint64_t MaxManifestBytes = uint64_t(4) << 20;
    // Cel grids of more rows or columns than this are refused as mistakes.
    static constexpr int32_t MaxCels = 65536;
    // A sound's balance, in hundredths of a decibel either way.
    static constexpr int32_t MaxPan = 10000;

    explicit ResourceManifest(ResourceManager& manager);
    ResourceManifest(ResourceManager&&) = delete;
    ~ResourceManifest() override;

    // Reads the manifest at path and adds its records to the manager, or nothing when it has a
    // mistake; then false, with the manager's last error saying what and where. Relative paths in the
    // manifest are taken from the manifest's folder.
    [[nodiscard]] bool Read(const std::string& path);

    // DescParser
    bool Error(const std::string& message) override;
    bool HandleCommand(const ListDataElement& elements) override;

    // ResourceRecordSource
    int32_t GetCurrentLineNumber() const override;
    std::string GetCurrentFileName() const override;
    void RecordLoading(const ResourceRecord* record) override;
    void DetachedFromManager() override { mManager = nullptr; }

private:
    struct Place {
        size_t file = 0;
        int32_t line = 0;
    };
    template <typename Record>
    struct Staged {
        std::unique_ptr<Record> record;
        int32_t line = 0;
    };
    template <typename Record>
    struct StagedTable {
        std::vector<Staged<Record>> records;
        std::set<std::string> ids;
    };

    bool ReadImage(const ListDataElement& e, bool fromProgram);
    bool ReadSound(const ListDataElement& e, bool fromProgram);
    bool ReadFont(const ListDataElement& e, bool fromProgram);
    bool ReadGroup(const ListDataElement& e);
    // Hands each option from index on to handle (upper-cased word, word as written, index of its
    // value), which moves index past the values it takes; stops at the first that fails.
    template <typename Handle>
    bool ReadOptions(const ListDataElement& e, size_t index, Handle handle);
    // Id, group and (unless from the program) path of a new record; the options follow at index.
    bool StartRecord(const ListDataElement& e, ResourceRecord& record, bool fromProgram, size_t& index);
    // The value after an option, moving index past it.
    bool TextValue(const ListDataElement& e, size_t& index, const std::string& option, std::string& text);
    bool PathValue(const ListDataElement& e, size_t& index, const std::string& option, std::string& path);
    bool IntValue(const ListDataElement& e, size_t& index, const std::string& option, int32_t low,
                  int32_t high, int32_t& value);
    bool ListValue(const ListDataElement& e, size_t& index, const std::string& option,
                   std::vector<int32_t>& values);
    bool CheckAnimation(const ImageRecord& record);
    std::string Resolve(const std::string& path) const;
    // A record id must be new to its table, in the manager and in this manifest so far.
    template <typename Record>
    bool Stage(std::unique_ptr<Record> record, StagedTable<Record>& staged, const char* kind);
    void Commit();
    void DropStaged();

    ResourceManager* mManager;
    // While a file is read: its path, folder and the group of the records that follow.
    bool mReading = false;
    std::string mReadingPath;
    std::string mFolder;
    std::string mGroup;
    StagedTable<ImageRecord> mStagedImages;
    StagedTable<SoundRecord> mStagedSounds;
    StagedTable<FontRecord> mStagedFonts;
    // Where each record added to the manager was written, and the record being loaded.
    std::vector<std::string> mFiles;
    std::map<const ResourceRecord*, Place> mPlaces;
    const ResourceRecord* mLoading = nullptr;
};

} // namespace Zorbel
