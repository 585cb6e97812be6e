#include "orvCore/String.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace orvCore;
using Strings = std::vector<std::string>;

namespace {

/// Splits a line the way the line loader does, with only the calls under test.
Strings tokens(const std::string& line)
{
    Strings result;
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

TEST(String, TokensSplitAtWhiteSpaceAndQuotedTokensRunToTheirMatchingQuote)
{
    EXPECT_EQ(STR_WHITE_SPACE_CHARS, " \n\r\t");
    const std::string line = "Media \"my clip.mp4\"\t'it''s' \"a 'b' c\" last";
    EXPECT_EQ(getTerminateForStringPos(line, 6), "\"");
    EXPECT_EQ(getTerminateForStringPos(line, 20), "'");
    EXPECT_EQ(getTerminateForStringPos(line, std::string::npos), STR_WHITE_SPACE_CHARS);
    EXPECT_EQ(getFirstCharPosAfterString(line, 7, "\""), 19u);  // one past the closing quote
    EXPECT_EQ(getFirstCharPosAfterString(line, line.size() - 3, STR_WHITE_SPACE_CHARS), std::string::npos);

    EXPECT_EQ(tokens(line), (Strings{"Media", "\"my clip.mp4\"", "'it'", "'s'", "\"a 'b' c\"", "last"}));
    EXPECT_EQ(tokens("  a\r\n"), Strings{"a"});
    EXPECT_EQ(tokens("key \"unclosed value"), (Strings{"key", "\"unclosed value"}));
    EXPECT_EQ(tokens("\"\" x"), (Strings{"\"\"", "x"}));
    EXPECT_EQ(tokens(" \t "), Strings{});
}

TEST(String, RemovesQuotesComparesCaseAndFindsExtensions)
{
    for (const auto& [text, expected] : std::vector<std::pair<std::string, std::string>>{
             {"\"a b\"", "a b"}, {"'a b'", "a b"}, {"\"\"", ""}, {"\"it's\"", "it's"}, {"\"a'", "\"a'"},
             {"\"", "\""}, {"a\"b\"", "a\"b\""}, {"", ""}})
        EXPECT_EQ(removeQuotes(text), expected) << text;

    EXPECT_EQ(caseCompare("ReferenceYear", "referenceYEAR"), 0);
    EXPECT_LT(caseCompare("abc", "ABD"), 0);
    EXPECT_GT(caseCompare("ABD", "abc"), 0);
    EXPECT_LT(caseCompare("Media", "MediaStartTime"), 0);
    EXPECT_GT(caseCompare("MediaStartTime", "media"), 0);

    EXPECT_EQ(getExtension("clip.Tmd", true), ".tmd");
    EXPECT_EQ(getExtension("clip.Tmd", false), ".Tmd");
    EXPECT_EQ(getExtension("archive.tar.gz", true), ".gz");
    EXPECT_EQ(getExtension("dir.v2/readme", true), "");
    EXPECT_EQ(getExtension(".hidden", true), "");
    EXPECT_EQ(getExtension("", true), "");
}

TEST(String, NumbersMustBeTheWholeTextWhenStrict)
{
    int integer = 99;
    EXPECT_TRUE(isValidNumber("-7", integer, true));
    EXPECT_EQ(integer, -7);
    for (const std::string text : {"", " 42", "42 ", "42\n", "4.2", "42x", "+42", "0x10", "1e3", "2147483648",
                                   "-2147483649"}) {
        integer = 99;
        EXPECT_FALSE(isValidNumber(text, integer, true)) << '"' << text << '"';
        EXPECT_EQ(integer, 99);
    }
    EXPECT_TRUE(isValidNumber("42x", integer, false));
    EXPECT_EQ(integer, 42);
    EXPECT_FALSE(isValidNumber("x42", integer, false));

    double decimal = 99.0;
    for (const auto& [text, expected] : std::vector<std::pair<std::string, double>>{
             {"-0.25", -0.25}, {".5", 0.5}, {"5.", 5.0}, {"1e3", 1000.0}}) {
        EXPECT_TRUE(isValidNumber(text, decimal, true)) << text;
        EXPECT_EQ(decimal, expected);
    }
    for (const std::string text : {"", " 1", "1 ", "1.5s", "1,5", "+1", "nan", "inf", "1e999", "0x1p3", "."}) {
        decimal = 99.0;
        EXPECT_FALSE(isValidNumber(text, decimal, true)) << '"' << text << '"';
        EXPECT_EQ(decimal, 99.0);
    }
    EXPECT_TRUE(isValidNumber("2.5s", decimal, false));
    EXPECT_EQ(decimal, 2.5);
}

TEST(String, SplitsNameAndValueAtTheFirstEqualsSign)
{
    std::string name = "unset";
    std::string value = "unset";
    EXPECT_EQ(getNameAndValueFromToken("title=a=b c", name, value), "");
    EXPECT_EQ(name + "|" + value, "title|a=b c");
    EXPECT_EQ(getNameAndValueFromToken("x=", name, value), "");
    EXPECT_EQ(name + "|" + value, "x|");

    name = value = "unset";
    for (const char* bad : {"=10", "novalue", ""})
        EXPECT_NE(getNameAndValueFromToken(bad, name, value), "") << bad;
    EXPECT_EQ(name + "|" + value, "unset|unset");
}
