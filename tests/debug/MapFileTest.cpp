#include "framework/debug/MapFile.h"

#include <gtest/gtest.h>
#include <sstream>

namespace Zorbel {
namespace {

// Four line entries of 20 columns make one row of exactly 80 characters.
const char* kMap = " Tesserine\n"
                   "\n"
                   "  Address         Publics by Value\n"
                   "\n"
                   " 0001:00001000       _Z5Firstv f\n"
                   " 0001:00001200       _ZN6Zorbel5Board9SlideStepEi f\n"
                   " 0002:00000010       gTable f\n"
                   "\n"
                   "Line numbers for obj/Board.o(game/Board.cpp) segment .text\n"
                   "\n"
                   "    10 0001:00001200    11 0001:00001220    12 0001:00001230    13 0001:00001240\n"
                   "    14 0001:00001300                                                            \n";

MapFile ReadMap() {
    MapFile map;
    std::istringstream in(kMap);
    map.Read(in);
    return map;
}

TEST(MapFileTest, ReadsSymbolsAndLineRowsByLogicalAddress) {
    MapFile map = ReadMap();
    ASSERT_EQ(map.Symbols().size(), 3u);
    EXPECT_EQ(map.Symbols().at({1, 0x1200}), "_ZN6Zorbel5Board9SlideStepEi");
    ASSERT_EQ(map.Lines().size(), 5u);
    EXPECT_EQ(map.Lines().at({1, 0x1230}).line, 12);
    EXPECT_EQ(map.Lines().at({1, 0x1300}).file, "game/Board.cpp");
}

TEST(MapFileTest, PutsTheSymbolItsDistanceAndTheLineInPlaceOfAnAddress) {
    MapFile map = ReadMap();
    std::string report = "Logical Address: 0001:00001234\r\nnext\r\n";
    EXPECT_EQ(map.Symbolise(report), "Logical Address: Zorbel::Board::SlideStep(int)+0x34\r\n"
                                     "    game/Board.cpp line 12 +0x4\r\nnext\r\n");
    // An address on the symbol itself has no distance.
    EXPECT_EQ(map.Symbolise("0001:00001000"), "First()");
    // A name that does not demangle stays as it is; the line table has nothing in section 2.
    EXPECT_EQ(map.Symbolise("0002:00000010"), "gTable");
}

TEST(MapFileTest, LeavesAddressesNoSymbolCoversAndTextThatIsNoAddress) {
    MapFile map = ReadMap();
    // Below every symbol of its section there is nothing before it to take; section 3 has no symbols.
    EXPECT_EQ(map.Symbolise("0001:00000010 0003:00000000"), "0001:00000010 0003:00000000");
    EXPECT_EQ(map.Symbolise("0001:0000123 and 00G1:00001234 and 0001-00001234"),
              "0001:0000123 and 00G1:00001234 and 0001-00001234");
    // Past the last symbol of all: left alone, as nothing follows to bound it.
    EXPECT_EQ(map.Symbolise("0009:00000000"), "0009:00000000");
}

TEST(MapFileTest, IgnoresShortBrokenAndOverlongLines) {
    MapFile map;
    map.ReadLine(" 0001:0000100 short");
    map.ReadLine(" 0001:zzzzzzzz       name f");
    map.ReadLine(std::string(80, ' '));
    map.ReadLine("Line numbers without a file");
    map.ReadLine("    10 0001:00001200    11 0001:00001220    12 0001:00001230    13 0001:0000124");
    EXPECT_TRUE(map.Symbols().empty());
    EXPECT_TRUE(map.Lines().empty());
    std::istringstream in(std::string(10000, 'x') + "\n 0001:00000100       Named f\n");
    map.Read(in);
    EXPECT_EQ(map.Symbols().size(), 1u);
}

} // namespace
} // namespace Zorbel
