#include "framework/resource/ResourceManifest.h"

#include "framework/platform/files/Path.h"
#include "framework/resource/ResourceManager.h"
#include "framework/resource/ResourceRecord.h"

namespace Zorbel {

namespace {

const std::string& Text(const DataElement& element) {
    return static_cast<const SingleDataElement&>(element).Value();
}

std::string Word(const DataElement& element) {
    return element.IsList() ? std::string() : StringToUpper(Text(element));
}

} // namespace

ResourceManifest::ResourceManifest(ResourceManager& manager) : mManager(&manager) {
    SetSeparatorFlags(SEPARATE_AT_SEMICOLON | SEPARATE_AT_UNINDENTED_LINE);
}

ResourceManifest::~ResourceManifest() {
    if (mManager && mManager->GetRecordSource() == this) mManager->AttachRecordSource(nullptr);
}

// --- Reading ---

bool ResourceManifest::Read(const std::string& path) {
    if (mManager == nullptr) return false;
    mManager->ClearError();
    mManager->AttachRecordSource(this);
    mReading = true;
    mReadingPath = path;
    mFolder = GetFileDir(path);
    mGroup.clear();
    bool ok = LoadDescriptor(path, MaxManifestBytes);
    // The parser says nothing about a file it cannot read.
    if (!ok && !mManager->HasFailed()) Error("Failed to read manifest");
    if (ok)
        Commit();
    else
        DropStaged();
    mReading = false;
    return ok;
}

bool ResourceManifest::Error(const std::string& message) {
    DescParser::Error(message);
    if (mManager) mManager->Fail(message);
    return false;
}

bool ResourceManifest::HandleCommand(const ListDataElement& e) {
    const std::string word = Word(e[0]);
    if (word == "DEFINE") return HandleDefine(e);
    if (word == "GROUP") return ReadGroup(e);
    if (word == "IMAGE" || word == "PROGRAMIMAGE") return ReadImage(e, word[0] == 'P');
    if (word == "SOUND" || word == "PROGRAMSOUND") return ReadSound(e, word[0] == 'P');
    if (word == "FONT" || word == "PROGRAMFONT") return ReadFont(e, word[0] == 'P');
    return Report("Unknown Command: " + Text(e[0]));
}

bool ResourceManifest::ReadGroup(const ListDataElement& e) {
    if (e.Size() != 2) return Report("Invalid Number of Parameters");
    std::string group;
    if (!DataToString(e[1], group) || group.empty()) return Report("Invalid Group Name");
    mGroup = group;
    return true;
}

bool ResourceManifest::StartRecord(const ListDataElement& e, ResourceRecord& record, bool fromProgram,
                                   size_t& index) {
    if (e.Size() < (fromProgram ? 2u : 3u)) return Report("Invalid Number of Parameters");
    if (e[1].IsList() || Unquote(Text(e[1])).empty()) return Report("Invalid Resource Id");
    record.id = Unquote(Text(e[1]));
    if (mGroup.empty()) return Report("Resource Outside a Group: " + record.id);
    record.group = mGroup;
    record.fromProgram = fromProgram;
    index = 2;
    if (fromProgram) return true;
    if (!DataToString(e[2], record.path) || record.path.empty()) return Report("Invalid Path: " + record.id);
    record.path = Resolve(record.path);
    index = 3;
    return true;
}

template <typename Handle>
bool ResourceManifest::ReadOptions(const ListDataElement& e, size_t index, Handle handle) {
    while (index < e.Size()) {
        const DataElement& word = e[index++];
        const std::string name = word.IsList() ? DataElementToString(word) : Text(word);
        if (!handle(word.IsList() ? std::string() : StringToUpper(name), name, index)) return false;
    }
    return true;
}

bool ResourceManifest::ReadImage(const ListDataElement& e, bool fromProgram) {
    auto record = std::make_unique<ImageRecord>();
    size_t start = 0;
    if (!StartRecord(e, *record, fromProgram, start)) return false;
    ImageRecord& r = *record;
    std::vector<int32_t> delays;
    std::vector<int32_t> frames;
    const bool read =
        ReadOptions(e, start, [&](const std::string& option, const std::string& name, size_t& i) {
            if (option == "PALLETIZE") return r.palletize = true;
            if (option == "DISPLAYSURFACE") return r.useDisplaySurface = true;
            if (option == "PURGE") return r.purgeBits = true;
            if (option == "TEXTUREPOW2") return r.textureBit1 = true;
            if (option == "TEXTURE4444") return r.textureBit4 = true;
            if (option == "TEXTUREALPHA") return r.textureBit8 = true;
            if (option == "ALPHA") return PathValue(e, i, name, r.alphaImagePath);
            if (option == "ALPHAGRID") return PathValue(e, i, name, r.alphaGridImagePath);
            if (option == "VARIANT") return TextValue(e, i, name, r.variant);
            if (option == "ROWS") return IntValue(e, i, name, 1, MaxCels, r.rows);
            if (option == "COLUMNS") return IntValue(e, i, name, 1, MaxCels, r.columns);
            if (option == "FRAMEDELAYS") return ListValue(e, i, name, delays);
            if (option == "FRAMEMAP") return ListValue(e, i, name, frames);
            if (option == "ALPHACOLOR") {
                int32_t color = 0;
                if (!IntValue(e, i, name, 0, 0xFFFFFF, color)) return false;
                r.alphaColor = static_cast<uint32_t>(color);
                return true;
            }
            return Report("Unknown Option: " + name);
        });
    if (!read) return false;
    if (!delays.empty() || !frames.empty()) r.animation = AnimInfo{std::move(delays), std::move(frames)};
    if (!CheckAnimation(r)) return false;
    return Stage(std::move(record), mStagedImages, "Image");
}

bool ResourceManifest::CheckAnimation(const ImageRecord& record) {
    if (!record.animation) return true;
    const AnimInfo& animation = *record.animation;
    if (animation.frameDelays.size() != animation.frameMap.size())
        return Report("FrameDelays and FrameMap Differ in Length: " + record.id);
    const int64_t cels = int64_t(record.rows) * record.columns;
    for (size_t i = 0; i < animation.frameMap.size(); ++i) {
        if (animation.frameDelays[i] < 0) return Report("Value Out of Range: FrameDelays");
        if (animation.frameMap[i] < 0 || animation.frameMap[i] >= cels)
            return Report("Value Out of Range: FrameMap");
    }
    return true;
}

bool ResourceManifest::ReadSound(const ListDataElement& e, bool fromProgram) {
    auto record = std::make_unique<SoundRecord>();
    size_t start = 0;
    if (!StartRecord(e, *record, fromProgram, start)) return false;
    SoundRecord& r = *record;
    const bool read =
        ReadOptions(e, start, [&](const std::string& option, const std::string& name, size_t& i) {
            if (option == "PAN") return IntValue(e, i, name, -MaxPan, MaxPan, r.basePan);
            if (option != "VOLUME") return Report("Unknown Option: " + name);
            std::string text;
            if (!TextValue(e, i, name, text)) return false;
            if (!StringToDouble(text, r.baseVolume) || r.baseVolume < 0.0 || r.baseVolume > 1.0)
                return Report("Value Out of Range: " + name);
            return true;
        });
    return read && Stage(std::move(record), mStagedSounds, "Sound");
}

bool ResourceManifest::ReadFont(const ListDataElement& e, bool fromProgram) {
    auto record = std::make_unique<FontRecord>();
    size_t start = 0;
    if (!StartRecord(e, *record, fromProgram, start)) return false;
    FontRecord& r = *record;
    const bool read =
        ReadOptions(e, start, [&](const std::string& option, const std::string& name, size_t& i) {
            if (option == "IMAGE") return PathValue(e, i, name, r.imagePath);
            if (option != "TAGS") return Report("Unknown Option: " + name);
            if (i >= e.Size() || !e[i].IsList()) return TextValue(e, i, name, r.tags);
            // Tags are words of their own, not values: a list of them is taken as written.
            for (const auto& tag : static_cast<const ListDataElement&>(e[i]).Children()) {
                std::string text;
                if (!DataToString(*tag, text)) return Report("Invalid Value: " + name);
                r.tags += (r.tags.empty() ? "" : ",") + text;
            }
            ++i;
            return true;
        });
    return read && Stage(std::move(record), mStagedFonts, "Font");
}

// --- Values ---

bool ResourceManifest::TextValue(const ListDataElement& e, size_t& index, const std::string& option,
                                 std::string& text) {
    if (index >= e.Size()) return Report("Missing Value: " + option);
    if (!DataToString(e[index++], text)) return Report("Invalid Value: " + option);
    return true;
}

bool ResourceManifest::PathValue(const ListDataElement& e, size_t& index, const std::string& option,
                                 std::string& path) {
    if (!TextValue(e, index, option, path)) return false;
    if (path.empty()) return Report("Invalid Value: " + option);
    path = Resolve(path);
    return true;
}

bool ResourceManifest::IntValue(const ListDataElement& e, size_t& index, const std::string& option,
                                int32_t low, int32_t high, int32_t& value) {
    std::string text;
    if (!TextValue(e, index, option, text)) return false;
    int32_t parsed = 0;
    if (!StringToInt(text, parsed) || parsed < low || parsed > high)
        return Report("Value Out of Range: " + option);
    value = parsed;
    return true;
}

bool ResourceManifest::ListValue(const ListDataElement& e, size_t& index, const std::string& option,
                                 std::vector<int32_t>& values) {
    if (index >= e.Size()) return Report("Missing Value: " + option);
    const int32_t reportsBefore = ReportCount();
    if (DataToIntVector(e[index++], values)) return true;
    return ReportCount() > reportsBefore ? false : Report("Invalid Value: " + option);
}

// Paths are written relative to the manifest; "!" names a picture the program makes.
std::string ResourceManifest::Resolve(const std::string& path) const {
    if (path.empty() || path[0] == '/' || path[0] == '!' || mFolder.empty()) return path;
    return mFolder + "/" + path;
}

// --- Records ---

template <typename Record>
bool ResourceManifest::Stage(std::unique_ptr<Record> record, StagedTable<Record>& staged, const char* kind) {
    const ResourceManager::Table& table = kind[0] == 'I'   ? mManager->Images()
                                          : kind[0] == 'S' ? mManager->Sounds()
                                                           : mManager->Fonts();
    if (table.count(record->id) != 0 || !staged.ids.insert(record->id).second)
        return Report(std::string("Duplicate ") + kind + " Id: " + record->id);
    staged.records.push_back({std::move(record), DescParser::GetCurrentLineNumber()});
    return true;
}

void ResourceManifest::Commit() {
    const size_t file = mFiles.size();
    mFiles.push_back(mReadingPath);
    auto commit = [&](auto& staged, auto add) {
        for (auto& [record, line] : staged.records) {
            mPlaces[record.get()] = Place{file, line};
            (mManager->*add)(std::move(record));
        }
    };
    commit(mStagedImages, &ResourceManager::AddImage);
    commit(mStagedSounds, &ResourceManager::AddSound);
    commit(mStagedFonts, &ResourceManager::AddFont);
    DropStaged();
}

void ResourceManifest::DropStaged() {
    mStagedImages = {};
    mStagedSounds = {};
    mStagedFonts = {};
}

// --- Record source ---

int32_t ResourceManifest::GetCurrentLineNumber() const {
    if (mReading) return DescParser::GetCurrentLineNumber();
    auto found = mLoading ? mPlaces.find(mLoading) : mPlaces.end();
    return found != mPlaces.end() ? found->second.line : 0;
}

std::string ResourceManifest::GetCurrentFileName() const {
    if (mReading) return mReadingPath;
    auto found = mLoading ? mPlaces.find(mLoading) : mPlaces.end();
    return found != mPlaces.end() ? mFiles[found->second.file] : std::string();
}

void ResourceManifest::RecordLoading(const ResourceRecord* record) {
    mLoading = record;
}

} // namespace Zorbel
