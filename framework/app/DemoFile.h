#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Zorbel {

// A named point of a recording: a place playback can jump to.
struct DemoMarker {
    std::string name;
    int32_t step = 0;

    bool operator==(const DemoMarker&) const = default;
};

// A demo file, little-endian throughout: magic 0x42BEEF78, format version, the run's random seed,
// the product version (2-byte length and text), for version 2 and up the marker table (4-byte length
// and the markers as Buffer bytes: count, then name text and step of each), the number of update steps
// recorded, and the event stream (at least one byte).
struct DemoFile {
    static constexpr uint32_t Magic = 0x42BEEF78;
    static constexpr int32_t CurrentVersion = 2;
    // A reader keeps at most this much of the product version text.
    static constexpr size_t MaxVersionText = 255;

    int32_t version = CurrentVersion;
    uint32_t seed = 0;
    std::string productVersion;
    std::vector<DemoMarker> markers;
    int32_t demoLength = 0;
    std::vector<uint8_t> events;

    // The file's bytes.
    std::vector<uint8_t> Serialize() const;
};

// Why a demo file cannot be played.
enum class DemoFileProblem { None, NotFound, Invalid, OtherVersion };

struct DemoFileResult {
    DemoFileProblem problem = DemoFileProblem::None;
    // The message a player is shown: "Demo file not found: " + name, "Invalid demo file." or "This
    // demo file appears to be for '" + version + "'".
    std::string message;
};

// Parses a demo file's bytes. A product version that differs from expectedVersion is refused unless
// acceptOtherVersion; the contents are filled in as far as they were read either way. Bad data
// never reads past the bytes given or allocates more than they hold.
DemoFileResult ParseDemoFile(const uint8_t* data, size_t size, const std::string& expectedVersion,
                             DemoFile& out, bool acceptOtherVersion = false);
// Reads and parses the file; a file that cannot be opened is "not found".
DemoFileResult ReadDemoFile(const std::string& path, const std::string& expectedVersion, DemoFile& out,
                            bool acceptOtherVersion = false);

// Numbered demos: the largest k of the files prefix + k + ".dmo" in the prefix's folder, 0 for none.
// With deleteOldest, when there are at least keep of them, the one with the smallest number is deleted
// first (one file per call).
int32_t NumberedDemo(const std::string& prefix, int32_t keep, bool deleteOldest);

} // namespace Zorbel
