#include "framework/app/DemoFile.h"

#include "framework/app/Buffer.h"
#include "framework/platform/files/InputFile.h"
#include "framework/platform/files/Path.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <map>

namespace Zorbel {

namespace {

constexpr const char* InvalidMessage = "Invalid demo file.";

// Reads little-endian numbers from a byte range and notes when the data ran out.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

    size_t Remaining() const { return mSize - mPos; }
    bool Take(size_t n, const uint8_t*& at) {
        if (n > Remaining()) return false;
        at = mData + mPos;
        mPos += n;
        return true;
    }
    bool U16(uint32_t& value) { return Number(2, value); }
    bool U32(uint32_t& value) { return Number(4, value); }

private:
    bool Number(size_t n, uint32_t& value) {
        const uint8_t* at = nullptr;
        if (!Take(n, at)) return false;
        value = 0;
        for (size_t i = 0; i < n; ++i)
            value |= static_cast<uint32_t>(at[i]) << (8 * i);
        return true;
    }

    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
};

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The marker table's count and markers; false when it ends before its count is reached.
bool ParseMarkers(const uint8_t* data, size_t size, std::vector<DemoMarker>& markers) {
    Buffer table;
    table.Assign(data, size);
    if (table.BitsRemaining() < 32) return false;
    int32_t count = table.GetInt32();
    for (int32_t i = 0; i < count; ++i) {
        // Each marker takes at least the two bytes of its name's length and the four of its step,
        // so a count beyond the table stops here without reading on.
        if (table.BitsRemaining() < 6 * 8) return false;
        size_t before = table.ReadPosition();
        uint32_t low = table.GetByte();
        uint32_t high = table.GetByte();
        size_t length = high >= 128 ? 0 : (low | (high << 8));
        if (table.BitsRemaining() / 8 < length + 4) return false;
        table.SetReadPosition(before);
        DemoMarker marker;
        marker.name = table.GetText();
        marker.step = table.GetInt32();
        markers.push_back(std::move(marker));
    }
    return true;
}

} // namespace

std::vector<uint8_t> DemoFile::Serialize() const {
    std::vector<uint8_t> out;
    PutU32(out, Magic);
    PutU32(out, static_cast<uint32_t>(version));
    PutU32(out, seed);
    size_t textLength = std::min<size_t>(productVersion.size(), 0xFFFF);
    out.push_back(static_cast<uint8_t>(textLength & 0xFF));
    out.push_back(static_cast<uint8_t>(textLength >> 8));
    out.insert(out.end(), productVersion.begin(),
               productVersion.begin() + static_cast<ptrdiff_t>(textLength));
    if (version >= 2) {
        Buffer table;
        table.PutInt32(static_cast<int32_t>(markers.size()));
        for (const DemoMarker& marker : markers) {
            table.PutText(marker.name);
            table.PutInt32(marker.step);
        }
        PutU32(out, static_cast<uint32_t>(table.ByteLength()));
        out.insert(out.end(), table.Data(), table.Data() + table.ByteLength());
    }
    PutU32(out, static_cast<uint32_t>(demoLength));
    out.insert(out.end(), events.begin(), events.end());
    return out;
}

DemoFileResult ParseDemoFile(const uint8_t* data, size_t size, const std::string& expectedVersion,
                             DemoFile& out, bool acceptOtherVersion) {
    DemoFileResult invalid{DemoFileProblem::Invalid, InvalidMessage};
    ByteReader in(data, size);
    uint32_t magic = 0, version = 0, seed = 0, textLength = 0;
    if (!in.U32(magic) || magic != DemoFile::Magic) return invalid;
    if (!in.U32(version) || !in.U32(seed) || !in.U16(textLength)) return invalid;
    out.version = static_cast<int32_t>(version);
    out.seed = seed;
    const uint8_t* text = nullptr;
    if (!in.Take(textLength, text)) return invalid;
    out.productVersion.assign(reinterpret_cast<const char*>(text),
                              std::min<size_t>(textLength, DemoFile::MaxVersionText));

    DemoFileResult result;
    if (out.productVersion != expectedVersion) {
        result = {DemoFileProblem::OtherVersion,
                  "This demo file appears to be for '" + out.productVersion + "'"};
        if (!acceptOtherVersion) return result;
    }

    out.markers.clear();
    if (out.version >= 2) {
        uint32_t tableLength = 0;
        if (!in.U32(tableLength) || tableLength >= in.Remaining()) return invalid;
        const uint8_t* table = nullptr;
        if (!in.Take(tableLength, table) || !ParseMarkers(table, tableLength, out.markers)) return invalid;
    }
    uint32_t demoLength = 0;
    if (!in.U32(demoLength) || in.Remaining() < 1) return invalid;
    out.demoLength = static_cast<int32_t>(demoLength);
    const uint8_t* events = nullptr;
    size_t eventBytes = in.Remaining();
    (void)in.Take(eventBytes, events);
    out.events.assign(events, events + eventBytes);
    return result;
}

DemoFileResult ReadDemoFile(const std::string& path, const std::string& expectedVersion, DemoFile& out,
                            bool acceptOtherVersion) {
    InputFile file(path);
    std::string bytes;
    if (!file || !file.ReadAll(bytes)) return {DemoFileProblem::NotFound, "Demo file not found: " + path};
    return ParseDemoFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), expectedVersion, out,
                         acceptOtherVersion);
}

int32_t NumberedDemo(const std::string& prefix, int32_t keep, bool deleteOldest) {
    std::string base = GetFileName(prefix);
    // The folder with its separator, as the prefix gives it; file names are put after it.
    std::string folder = prefix.substr(0, prefix.size() - base.size());
    // number -> file name
    std::map<int32_t, std::string> found;
    if (DIR* dir = opendir(folder.empty() ? "." : folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name.size() <= base.size() + 4 || name.compare(0, base.size(), base) != 0 ||
                name.compare(name.size() - 4, 4, ".dmo") != 0)
                continue;
            std::string digits = name.substr(base.size(), name.size() - base.size() - 4);
            if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
            found.emplace(std::atoi(digits.c_str()), name);
        }
        closedir(dir);
    }
    if (deleteOldest && !found.empty() && static_cast<int64_t>(found.size()) >= keep) {
        std::string oldest = folder + found.begin()->second;
        std::remove(oldest.c_str());
        found.erase(found.begin());
    }
    return found.empty() ? 0 : found.rbegin()->first;
}

} // namespace Zorbel
