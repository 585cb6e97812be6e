#include "orvCore/String.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace orvCore;

namespace {

/// Splits a line the way the line loader does, with only the calls under test.
std::vector<std::string> tokens(const std::string& line)
{
    std::vector<std::string> result;
    std::string::size_type start = line.find_first_not_of(STR_WHITE_SPACE_CHARS);
    while (start != std::string::npos) {
        const std::string::size_type end =
            getFirstCharPosAfterString(line, start + 1, getTerminateForStringPos(line, start));
        result.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? end : line.find_first_not_of(STR_WHITE_SPACE_CHARS, end);
    }
    return result;
}

}  // namespace

TEST(String, WhiteSpaceIsSpaceLineFeedCarriageReturnAndTab)
{
    EXPECT_EQ(STR_WHITE_SPACE_CHARS.size(), 4u);
    for (char c : {' ', '\n', '\r', '\t'})
        EXPECT_NE(STR_WHITE_SPACE_CHARS.find(c), std::string::npos);
}

TEST(String, QuotedTokensRunToTheirMatchingQuote)
{
    const std::string line = "Media \"my clip.mp4\"\t'it''s' \"a 'b' c\" last";
    EXPECT_EQ(getTerminateForStringPos(line, 0), STR_WHITE_SPACE_CHARS);
    EXPECT_EQ(getTerminateForStringPos(line, 6), "\"");
    EXPECT_EQ(getTerminateForStringPos(line, 20), "'");
    EXPECT_EQ(getTerminateForStringPos(line, line.size()), STR_WHITE_SPACE_CHARS);
    EXPECT_EQ(getTerminateForStringPos(line, std::string::npos), STR_WHITE_SPACE_CHARS);

    EXPECT_EQ(getFirstCharPosAfterString(line, 1, STR_WHITE_SPACE_CHARS), 5u);
    EXPECT_EQ(getFirstCharPosAfterString(line, 7, "\""), 19u);  // one past the closing quote
    EXPECT_EQ(getFirstCharPosAfterString(line, line.size() - 3, STR_WHITE_SPACE_CHARS), std::string::npos);

    EXPECT_EQ(tokens(line), (std::vector<std::string>{"Media", "\"my clip.mp4\"", "'it'", "'s'", "\"a 'b' c\"", "last"}));
    EXPECT_EQ(tokens("  a\r\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(tokens("key \"unclosed value"), (std::vector<std::string>{"key", "\"unclosed value"}));
    EXPECT_EQ(tokens("\"\" x"), (std::vector<std::string>{"\"\"", "x"}));
    EXPECT_EQ(tokens(" \t "), std::vector<std::string>{});
}

TEST(String, RemovesOnlyAMatchingPairOfEnclosingQuotes)
{
    EXPECT_EQ(removeQuotes("\"a b\""), "a b");
    EXPECT_EQ(removeQuotes("'a b'"), "a b");
    EXPECT_EQ(removeQuotes("\"\""), "");
    EXPECT_EQ(removeQuotes("\"it's\""), "it's");
    EXPECT_EQ(removeQuotes("\"a'"), "\"a'");
    EXPECT_EQ(removeQuotes("\""), "\"");
    EXPECT_EQ(removeQuotes("\"open"), "\"open");
    EXPECT_EQ(removeQuotes("a\"b\""), "a\"b\"");
    EXPECT_EQ(removeQuotes("plain"), "plain");
    EXPECT_EQ(removeQuotes(""), "");
}

TEST(String, ComparesIgnoringAsciiCase)
{
    EXPECT_EQ(caseCompare("ReferenceYear", "referenceYEAR"), 0);
    EXPECT_EQ(caseCompare("", ""), 0);
    EXPECT_LT(caseCompare("abc", "ABD"), 0);
    EXPECT_GT(caseCompare("ABD", "abc"), 0);
    EXPECT_LT(caseCompare("Media", "MediaStartTime"), 0);
    EXPECT_GT(caseCompare("MediaStartTime", "media"), 0);
    EXPECT_NE(caseCompare("Media", "Medium"), 0);
}

TEST(String, IntegersMustBeTheWholeText)
{
    int value = 99;
    EXPECT_TRUE(isValidNumber("2026", value, true));
    EXPECT_EQ(value, 2026);
    EXPECT_TRUE(isValidNumber("-7", value, true));
    EXPECT_EQ(value, -7);
    for (const std::string text : {"", " 42", "42 ", "42\n", "4.2", "42x", "x42", "+42", "0x10", "1e3", "--1",
                                   "2147483648", "-2147483649"}) {
        SCOPED_TRACE("\"" + text + "\"");
        value = 99;
        EXPECT_FALSE(isValidNumber(text, value, true));
        EXPECT_EQ(value, 99);
    }
    EXPECT_TRUE(isValidNumber("42x", value, false));
    EXPECT_EQ(value, 42);
    EXPECT_FALSE(isValidNumber("x42", value, false));
}

TEST(String, DecimalsMustBeTheWholeFiniteText)
{
    double value = 99.0;
    for (const auto& [text, expected] : std::vector<std::pair<std::string, double>>{
             {"1.5", 1.5}, {"-0.25", -0.25}, {".5", 0.5}, {"5.", 5.0}, {"1e3", 1000.0}, {"0", 0.0}}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(isValidNumber(text, value, true));
        EXPECT_EQ(value, expected);
    }
    for (const std::string text : {"", " 1", "1 ", "1.5s", "1,5", "--1", "+1", "nan", "inf", "-inf", "1e999", "0x1p3", "."}) {
        SCOPED_TRACE("\"" + text + "\"");
        value = 99.0;
        EXPECT_FALSE(isValidNumber(text, value, true));
        EXPECT_EQ(value, 99.0);
    }
    EXPECT_TRUE(isValidNumber("2.5s", value, false));
    EXPECT_EQ(value, 2.5);
}

TEST(String, SplitsNameAndValueAtTheFirstEqualsSign)
{
    std::string name = "unset";
    std::string value = "unset";
    EXPECT_EQ(getNameAndValueFromToken("x=10", name, value), "");
    EXPECT_EQ(name, "x");
    EXPECT_EQ(value, "10");
    EXPECT_EQ(getNameAndValueFromToken("title=a=b c", name, value), "");
    EXPECT_EQ(name, "title");
    EXPECT_EQ(value, "a=b c");
    EXPECT_EQ(getNameAndValueFromToken("x=", name, value), "");
    EXPECT_EQ(name, "x");
    EXPECT_EQ(value, "");

    name = value = "unset";
    EXPECT_NE(getNameAndValueFromToken("=10", name, value), "");
    EXPECT_NE(getNameAndValueFromToken("novalue", name, value), "");
    EXPECT_NE(getNameAndValueFromToken("", name, value), "");
    EXPECT_EQ(name, "unset");
    EXPECT_EQ(value, "unset");
}

TEST(String, ExtensionOfTheLastPathComponentWithItsDot)
{
    EXPECT_EQ(getExtension("clip.Tmd", true), ".tmd");
    EXPECT_EQ(getExtension("clip.Tmd", false), ".Tmd");
    EXPECT_EQ(getExtension("/data/MOVIE.MP4", true), ".mp4");
    EXPECT_EQ(getExtension("archive.tar.gz", true), ".gz");
    EXPECT_EQ(getExtension("dir.v2/readme", true), "");
    EXPECT_EQ(getExtension("noextension", true), "");
    EXPECT_EQ(getExtension(".hidden", true), "");
    EXPECT_EQ(getExtension("", true), "");
}
