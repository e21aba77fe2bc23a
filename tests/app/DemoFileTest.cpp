#include "framework/app/DemoFile.h"

#include "app/AppHarness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace Zorbel;

namespace {

DemoFile Sample() {
    DemoFile file;
    file.seed = 0x01020304;
    file.productVersion = " 0.9b";
    file.markers = {{"start", 0}, {"boss", 250}};
    file.demoLength = 1234;
    file.events = {0xAB, 0xCD};
    return file;
}

DemoFileResult Parse(const std::vector<uint8_t>& bytes, DemoFile& out, const std::string& version = " 0.9b") {
    return ParseDemoFile(bytes.data(), bytes.size(), version, out);
}

} // namespace

TEST(DemoFileTest, TheLayoutIsByteExact) {
    std::vector<uint8_t> bytes = Sample().Serialize();
    const std::vector<uint8_t> expected = {0x78, 0xEF, 0xBE, 0x42,                // magic
                                           2,    0,    0,    0,                   // version
                                           4,    3,    2,    1,                   // seed
                                           5,    0,    ' ',  '0',  '.', '9', 'b', // product version
                                           25,   0,    0,    0,                   // marker table length
                                           2,    0,    0,    0,                   // two markers
                                           5,    0,    's',  't',  'a', 'r', 't', 0, 0, 0, 0, // "start" at 0
                                           4,    0,    'b',  'o',  's', 's', 250, 0, 0, 0,    // "boss" at 250
                                           0xD2, 0x04, 0,    0,                               // 1234 steps
                                           0xAB, 0xCD};                                       // the events
    EXPECT_EQ(bytes, expected);

    DemoFile back;
    DemoFileResult result = Parse(bytes, back);
    EXPECT_EQ(result.problem, DemoFileProblem::None);
    EXPECT_EQ(back.seed, 0x01020304u);
    EXPECT_EQ(back.markers, Sample().markers);
    EXPECT_EQ(back.demoLength, 1234);
    EXPECT_EQ(back.events, Sample().events);
}

TEST(DemoFileTest, BadFilesAreRefusedWithTheirMessages) {
    std::vector<uint8_t> good = Sample().Serialize();
    DemoFile out;

    std::vector<uint8_t> badMagic = good;
    badMagic[0] = 0x79;
    EXPECT_EQ(Parse(badMagic, out).message, "Invalid demo file.");

    // Every cut short of the first event byte is invalid; none reads past the end.
    for (size_t size = 0; size + 2 <= good.size(); ++size) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(size));
        DemoFileResult result = Parse(cut, out);
        EXPECT_EQ(result.problem, DemoFileProblem::Invalid) << "cut at " << size;
    }

    // A marker table as long as the rest, or counting more markers than it holds.
    std::vector<uint8_t> longTable = good;
    longTable[19] = 0x40;
    EXPECT_EQ(Parse(longTable, out).message, "Invalid demo file.");
    std::vector<uint8_t> manyMarkers = good;
    manyMarkers[23] = 3;
    EXPECT_EQ(Parse(manyMarkers, out).message, "Invalid demo file.");
    manyMarkers[23] = 0xFF; // two thousand million markers: refused without reserving room for them
    manyMarkers[26] = 0x7F;
    EXPECT_EQ(Parse(manyMarkers, out).problem, DemoFileProblem::Invalid);

    DemoFileResult other = Parse(good, out, "1.0");
    EXPECT_EQ(other.problem, DemoFileProblem::OtherVersion);
    EXPECT_EQ(other.message, "This demo file appears to be for ' 0.9b'");

    DemoFile missing;
    EXPECT_EQ(ReadDemoFile("/nonexistent/x.dmo", "", missing).message,
              "Demo file not found: /nonexistent/x.dmo");
}

TEST(DemoFileTest, VersionOneHasNoMarkerTable) {
    DemoFile file = Sample();
    file.version = 1;
    file.markers.clear();
    std::vector<uint8_t> bytes = file.Serialize();
    EXPECT_EQ(bytes.size(), 4u + 4 + 4 + 2 + 5 + 4 + 2);
    DemoFile back;
    EXPECT_EQ(Parse(bytes, back).problem, DemoFileProblem::None);
    EXPECT_EQ(back.demoLength, 1234);
    EXPECT_EQ(back.events, file.events);
}

TEST(DemoFileTest, NumberedDemosFindTheNewestAndDeleteTheOldestOneAtATime) {
    ZorbelTest::TempFolder folder;
    std::string prefix = folder.path + "/run";
    EXPECT_EQ(NumberedDemo(prefix, 3, true), 0);
    for (int n : {2, 3, 7})
        std::ofstream(prefix + std::to_string(n) + ".dmo") << "x";
    std::ofstream(prefix + "x.dmo") << "x";
    std::ofstream(prefix + "9.txt") << "x";
    EXPECT_EQ(NumberedDemo(prefix, 5, false), 7);
    EXPECT_EQ(NumberedDemo(prefix, 3, true), 7);
    EXPECT_FALSE(std::filesystem::exists(prefix + "2.dmo"));
    EXPECT_TRUE(std::filesystem::exists(prefix + "3.dmo"));
    // Two left, fewer than three to keep: nothing more goes.
    EXPECT_EQ(NumberedDemo(prefix, 3, true), 7);
    EXPECT_TRUE(std::filesystem::exists(prefix + "3.dmo"));
    EXPECT_TRUE(std::filesystem::exists(prefix + "x.dmo"));
}
