#include "framework/app/CommandLine.h"
#include "framework/app/ErrorLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace Zorbel;

namespace {

using Params = std::vector<std::pair<std::string, std::string>>;

Params Split(const std::string& arguments) {
    Params params;
    SplitCommandLine(arguments,
                     [&](const std::string& n, const std::string& v) { params.emplace_back(n, v); });
    return params;
}

} // namespace

TEST(CommandLineTest, ArgumentsFollowTheProgramPath) {
    bool has = false;
    EXPECT_EQ(CommandLineArguments("\"/opt/my games/tesserine\" -play", has), "-play");
    EXPECT_TRUE(has);
    EXPECT_EQ(CommandLineArguments("tesserine -record -demofile=x.dmo", has), "-record -demofile=x.dmo");
    EXPECT_EQ(CommandLineArguments("tesserine", has), "");
    EXPECT_FALSE(has);
    // A quoted path without its closing quote is ignored completely.
    EXPECT_EQ(CommandLineArguments("\"/opt/tesserine -play -record", has), "");
    EXPECT_FALSE(has);
}

TEST(CommandLineTest, QuotesBlanksAndEquals) {
    EXPECT_EQ(Split("-play"), (Params{{"-play", ""}}));
    EXPECT_EQ(Split("-recnum=3 -demofile=a.dmo"), (Params{{"-recnum", "3"}, {"-demofile", "a.dmo"}}));
    EXPECT_EQ(Split("-demofile=\"my demo.dmo\""), (Params{{"-demofile", "my demo.dmo"}}));
    EXPECT_EQ(Split("\"-demofile=a b\""), (Params{{"-demofile", "a b"}}));
    EXPECT_EQ(Split("-demofile=a=b"), (Params{{"-demofile", "a=b"}}));
    EXPECT_EQ(Split("-recnum="), (Params{{"-recnum", ""}}));
}

TEST(CommandLineTest, EmptyParametersComeFromDoubleBlanksAndBlanksAfterQuotes) {
    EXPECT_EQ(Split("-play  -record"), (Params{{"-play", ""}, {"", ""}, {"-record", ""}}));
    EXPECT_EQ(Split("\"-play\" -record"), (Params{{"-play", ""}, {"", ""}, {"-record", ""}}));
    EXPECT_EQ(Split(""), Params{});
    EXPECT_EQ(Split("-play "), (Params{{"-play", ""}}));
}

TEST(CommandLineTest, JoinedArgvSplitsBackIntoTheSameParameters) {
    const char* argv[] = {"/usr/games/tesserine", "-demofile=my demo.dmo", "-play", "-recnum=2"};
    std::string line = JoinCommandLine(4, argv);
    // No blank follows a quoted argument: its closing quote already ends it.
    EXPECT_EQ(line, "\"/usr/games/tesserine\" \"-demofile=my demo.dmo\"-play -recnum=2");
    bool has = false;
    EXPECT_EQ(Split(CommandLineArguments(line, has)),
              (Params{{"-demofile", "my demo.dmo"}, {"-play", ""}, {"-recnum", "2"}}));
    const char* none[] = {"/usr/games/tesserine"};
    EXPECT_EQ(CommandLineArguments(JoinCommandLine(1, none), has), "");
    EXPECT_FALSE(has);
}

TEST(ErrorLogTest, FirstMessageTruncatesAndEachLineCarriesTimeAndTicks) {
    auto path = std::filesystem::temp_directory_path() / ("zorbel-log-" + std::to_string(getpid()) + ".txt");
    {
        std::ofstream old(path);
        old << "from an earlier run\n";
    }
    ErrorLog log(path.string());
    log.Write("There was an error loading the file: images/x", 1234);
    log.Write("second", 4294967295u);
    std::ifstream in(path);
    std::string first, second, third;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_FALSE(std::getline(in, third));
    EXPECT_TRUE(std::regex_match(first, std::regex("There was an error loading the file: images/x "
                                                   "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] 1234")))
        << first;
    EXPECT_TRUE(std::regex_match(second, std::regex("second [0-9:]{8} 4294967295"))) << second;

    ErrorLog unwritable("/nonexistent-folder/TesError.txt");
    unwritable.Write("lost", 1); // must simply do nothing
    std::filesystem::remove(path);
}
