#include "framework/font/DescParser.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

// Keeps every command as text with the line it started on, and every error; offers "Define".
class RecordingParser : public DescParser {
public:
    bool HandleCommand(const ListDataElement& elements) override {
        const std::string word = DataElementToString(elements[0]);
        if (word == "Define") return HandleDefine(elements);
        if (word == "Fail") return Error("failed");
        commands.push_back(std::to_string(GetCurrentLineNumber()) + ": " + DataElementToString(elements));
        return true;
    }
    bool Error(const std::string& message) override {
        errors.push_back(message);
        return DescParser::Error(message);
    }
    // Tokenizes text as one command and returns the elements as text, or the error.
    std::string Tokens(const std::string& text) {
        ListDataElement list;
        size_t position = 0;
        errors.clear();
        if (!Tokenize(text, list, false, position)) return "error: " + errors.back();
        return DataElementToString(list);
    }

    std::vector<std::string> commands;
    std::vector<std::string> errors;
};

} // namespace

TEST(DescParserTest, CommandsSpanLinesAroundCommentsAndEndAtSemicolonsOutsideQuotes) {
    ScratchFolder folder("zorbel-descparser");
    RecordingParser parser;
    const std::string path = folder.Write("reading.txt", "# a comment line\r\n"
                                                         "First a, b;Second 'x;y' \"q;\";\n"
                                                         "\n"
                                                         "Third (1 2\n"
                                                         "   # a comment between the parts\n"
                                                         "  3) 'it''s'\n"
                                                         "  ;Fourth \\; 'a\\'b' 'c\\\\d' \"e\\f\"\n");
    ASSERT_TRUE(parser.LoadDescriptor(path));
    const std::vector<std::string> expected = {
        "2: (First, a, b)",
        "2: (Second, 'x;y', \"q;\")",
        "4: (Third, (1, 2, 3), 'it''s')",
        // A backslash outside quotes does not keep ';' from ending the command.
        "7: (Fourth)",
        // Inside quotes the reader keeps an escape for the tokenizer, which drops the backslash.
        "7: ('a'b', 'c\\d', \"ef\")",
    };
    EXPECT_EQ(parser.commands, expected);
    EXPECT_TRUE(parser.errors.empty());
    EXPECT_EQ(parser.GetCurrentLineNumber(), 0);
    EXPECT_TRUE(parser.GetCurrentCommand().empty());
}

TEST(DescParserTest, UnindentedLinesCanEndCommandsAndMissingFilesFailSilently) {
    ScratchFolder folder("zorbel-descparser");
    RecordingParser parser;
    parser.SetSeparatorFlags(DescParser::SEPARATE_AT_UNINDENTED_LINE);
    ASSERT_TRUE(parser.LoadDescriptor(folder.Write("lines.txt", "One 1\n  2\nTwo; still two\n#note\nThree")));
    EXPECT_EQ(parser.commands,
              (std::vector<std::string>{"1: (One, 1, 2)", "3: (Two;, still, two)", "5: (Three)"}));

    RecordingParser missing;
    EXPECT_FALSE(missing.LoadDescriptor(folder.Path("absent.txt")));
    EXPECT_TRUE(missing.errors.empty());
    EXPECT_TRUE(missing.GetErrorText().empty());
}

TEST(DescParserTest, LoadingStopsAtTheFirstFailingCommand) {
    ScratchFolder folder("zorbel-descparser");
    RecordingParser parser;
    EXPECT_FALSE(parser.LoadDescriptor(folder.Write("stop.txt", "A;\nFail 1;\nB;")));
    EXPECT_EQ(parser.commands, std::vector<std::string>{"1: (A)"});
    EXPECT_EQ(parser.GetErrorText(), "failed");
}

TEST(DescParserTest, TokenizerSplitsElementsAndListsAndReportsItsErrors) {
    RecordingParser p;
    EXPECT_EQ(p.Tokens("a,b  c\td\ne"), "(a, b, c, d, e)");
    EXPECT_EQ(p.Tokens("'a, b' \"c d\" 'x\"y'"), "('a, b', \"c d\", 'x\"y')");
    EXPECT_EQ(p.Tokens("(1 2)(3 4)"), "((1, 2), (3, 4))") << "two lists back to back";
    EXPECT_EQ(p.Tokens("((a) ()) b"), "(((a), ()), b)");
    EXPECT_EQ(p.Tokens("a\\ b \\(c\\)"), "(a b, (c))") << "a backslash takes the next character as it is";
    EXPECT_EQ(p.Tokens("x(1)"), "error: Unexpected List Start");
    EXPECT_EQ(p.Tokens("1)"), "error: Unexpected List End");
    EXPECT_EQ(p.Tokens("(1 (2)"), "error: Unterminated List");
    EXPECT_EQ(p.Tokens("'abc"), "error: Unterminated Single Quotes");
    EXPECT_EQ(p.Tokens("(\"abc)"), "error: Unterminated Double Quotes");

    EXPECT_TRUE(p.ParseCommand("   "));
    EXPECT_TRUE(p.commands.empty()) << "an empty command does nothing";
    p.errors.clear();
    EXPECT_FALSE(p.ParseCommand("(a) b"));
    EXPECT_EQ(p.errors, std::vector<std::string>{"Missing Command"});
}

TEST(DescParserTest, ValueHelpersReadNumbersAndQuotesStrictly) {
    int32_t n = 0;
    EXPECT_TRUE(DescParser::StringToInt("0x1F", n));
    EXPECT_EQ(n, 31);
    EXPECT_TRUE(DescParser::StringToInt("-2147483648", n));
    EXPECT_EQ(n, INT32_MIN);
    EXPECT_TRUE(DescParser::StringToInt("0XaB", n));
    EXPECT_EQ(n, 171);
    for (const char* bad : {"+5", "", "-", "0x", "1.5", "12a", "-0x1", "2147483648", "99999999999999999999"})
        EXPECT_FALSE(DescParser::StringToInt(bad, n)) << bad;
    EXPECT_TRUE(DescParser::IsImmediate("+5"));

    double d = 0;
    EXPECT_TRUE(DescParser::StringToDouble("-0.25", d));
    EXPECT_EQ(d, -0.25);
    EXPECT_TRUE(DescParser::StringToDouble("3", d));
    EXPECT_EQ(d, 3.0);
    for (const std::string& bad : {std::string(), std::string(".5"), std::string("1e5"), std::string("1.2.3"),
                                   std::string("+1"), std::string(400, '9')})
        EXPECT_FALSE(DescParser::StringToDouble(bad, d)) << bad;

    for (const char* immediate : {"0", "9x", "-a", "+", "'", "\"q\""})
        EXPECT_TRUE(DescParser::IsImmediate(immediate)) << immediate;
    for (const char* name : {"", "a1", "_x", "(", " 1"})
        EXPECT_FALSE(DescParser::IsImmediate(name)) << name;

    EXPECT_EQ(DescParser::Unquote("'it''s'"), "it's");
    EXPECT_EQ(DescParser::Unquote("\"a'b\""), "a'b");
    EXPECT_EQ(DescParser::Unquote("'a\"b'"), "a\"b");
    EXPECT_EQ(DescParser::Unquote("plain'"), "plain'");
}

TEST(DescParserTest, DefinitionsResolveByNameInAnyCase) {
    RecordingParser p;
    ASSERT_TRUE(p.ParseCommand("Define w (8 9 10)"));
    ASSERT_TRUE(p.ParseCommand("Define Pair ('a' W)"));
    ASSERT_TRUE(p.ParseCommand("Define Label 'Hello there'"));
    ASSERT_TRUE(p.ParseCommand("Define Copy label"));
    EXPECT_EQ(DescParser::DataElementToString(*p.GetDefine("pair")), "(a, (8, 9, 10))");
    EXPECT_EQ(DescParser::DataElementToString(*p.GetDefine("COPY")), "'Hello there'");

    SingleDataElement byName("w");
    std::vector<int32_t> ints;
    ASSERT_TRUE(p.DataToIntVector(byName, ints));
    EXPECT_EQ(ints, (std::vector<int32_t>{8, 9, 10}));
    std::string text;
    ASSERT_TRUE(p.DataToString(SingleDataElement("copy"), text));
    EXPECT_EQ(text, "Hello there");
    ASSERT_TRUE(p.DataToString(SingleDataElement("'x''y'"), text));
    EXPECT_EQ(text, "x'y");
    std::vector<std::string> texts;
    EXPECT_FALSE(p.DataToStringVector(SingleDataElement("Label"), texts)) << "a single definition is no list";
    ASSERT_TRUE(p.ParseCommand("Define Nested (1 (2 3))"));
    EXPECT_FALSE(p.DataToStringVector(SingleDataElement("nested"), texts)) << "a nested list has no texts";

    p.errors.clear();
    EXPECT_FALSE(p.DataToStringVector(SingleDataElement("nothing"), texts));
    EXPECT_EQ(p.errors, std::vector<std::string>{"Unable to Dereference \"nothing\""});
    p.errors.clear();
    EXPECT_FALSE(p.ParseCommand("Define More (1 nothing)"));
    EXPECT_EQ(p.errors, std::vector<std::string>{"Unable to Dereference \"nothing\""});
    p.errors.clear();
    EXPECT_FALSE(p.ParseCommand("Define 1st 5"));
    EXPECT_EQ(p.errors, std::vector<std::string>{"Invalid Paramater Type"}) << "a name starting with a digit";

    ASSERT_TRUE(p.ParseCommand("Define W 'replaced'"));
    EXPECT_EQ(p.GetDefine("w")->IsList(), false);
}

TEST(DescParserTest, HostileInputIsRefusedWithAMessageInsteadOfExhaustingMemoryOrStack) {
    RecordingParser p;
    EXPECT_EQ(p.Tokens(std::string(100000, '(')), "error: Lists Nested Too Deeply");
    std::string many(2 * DescParser::MaxListElements + 2, ' ');
    for (size_t i = 0; i < many.size(); i += 2)
        many[i] = 'x';
    EXPECT_EQ(p.Tokens(many), "error: List Too Large");

    // Each definition names the one before several times over: copying them would grow without end.
    ASSERT_TRUE(p.ParseCommand("Define L0 (1 2 3 4 5 6 7 8)"));
    std::string failure;
    for (int level = 1; level < 12 && failure.empty(); ++level) {
        // Built by appending: GCC 12 at -O2 takes a chain of + on temporaries for overlapping copies.
        std::string definition = "Define L";
        definition += std::to_string(level);
        definition += " (";
        for (int copy = 0; copy < 8; ++copy) {
            definition += "L";
            definition += std::to_string(level - 1);
            definition += copy < 7 ? " " : ")";
        }
        p.errors.clear();
        if (!p.ParseCommand(definition)) failure = p.errors.back();
    }
    EXPECT_EQ(failure, "List Too Large");

    // Nesting through definitions is limited as well as nesting in the text.
    ASSERT_TRUE(p.ParseCommand("Define N0 1"));
    failure.clear();
    for (int level = 1; level < 100 && failure.empty(); ++level) {
        p.errors.clear();
        if (!p.ParseCommand("Define N" + std::to_string(level) + " ((N" + std::to_string(level - 1) + "))"))
            failure = p.errors.back();
    }
    EXPECT_EQ(failure, "Lists Nested Too Deeply");
}
