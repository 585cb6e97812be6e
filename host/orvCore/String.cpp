#include "orvCore/String.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace orvCore {

const std::string STR_WHITE_SPACE_CHARS = " \n\r\t";

namespace {

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

char lowerAscii(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

/// from_chars over text: the whole of it, or a leading part when wholeText is false.
template <typename T>
bool parseNumber(const std::string& text, T& value, bool wholeText)
{
    T parsed{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, parsed);
    if (error != std::errc() || (wholeText && stop != end))
        return false;
    value = parsed;
    return true;
}

}  // namespace

std::string getTerminateForStringPos(const std::string& line, std::string::size_type pos)
{
    if (pos < line.size() && isQuote(line[pos]))
        return std::string(1, line[pos]);
    return STR_WHITE_SPACE_CHARS;
}

std::string::size_type getFirstCharPosAfterString(const std::string& line, std::string::size_type pos,
                                                  const std::string& terminator)
{
    if (terminator.size() == 1 && isQuote(terminator[0])) {
        const std::string::size_type closingQuote = line.find(terminator[0], pos);
        return closingQuote == std::string::npos ? std::string::npos : closingQuote + 1;
    }
    return line.find_first_of(terminator, pos);
}

std::string removeQuotes(const std::string& token)
{
    if (token.size() >= 2 && isQuote(token.front()) && token.back() == token.front())
        return token.substr(1, token.size() - 2);
    return token;
}

int caseCompare(const std::string& a, const std::string& b)
{
    const auto [inA, inB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                          [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
    if (inA == a.end())
        return inB == b.end() ? 0 : -1;
    if (inB == b.end())
        return 1;
    return static_cast<unsigned char>(lowerAscii(*inA)) < static_cast<unsigned char>(lowerAscii(*inB)) ? -1 : 1;
}

bool isValidNumber(const std::string& text, int& value, bool wholeText)
{
    return parseNumber(text, value, wholeText);
}

bool isValidNumber(const std::string& text, double& value, bool wholeText)
{
    // from_chars also reads "inf" and "nan", which are no numbers a file author means.
    double parsed = 0.0;
    if (!parseNumber(text, parsed, wholeText) || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

std::string getNameAndValueFromToken(const std::string& token, std::string& name, std::string& value)
{
    const std::string::size_type equals = token.find('=');
    if (equals == std::string::npos)
        return "No '=' in token: " + token;
    if (equals == 0)
        return "No name before '=' in token: " + token;
    name = token.substr(0, equals);
    value = token.substr(equals + 1);
    return {};
}

std::string getExtension(const std::string& fileName, bool lowerCase)
{
    std::string extension = std::filesystem::path(fileName).extension().string();
    if (lowerCase)
        std::transform(extension.begin(), extension.end(), extension.begin(), lowerAscii);
    return extension;
}

}  // namespace orvCore
