#pragma once

#include <string>

namespace orvCore {

/// Space, line feed, carriage return and tab.
extern const std::string STR_WHITE_SPACE_CHARS;

/// What ends a token that begins at pos: its opening quote character (" or ') when the token
/// begins with one, otherwise STR_WHITE_SPACE_CHARS.
std::string getTerminateForStringPos(const std::string& line, std::string::size_type pos);

/// The first position after the token whose body is searched from pos: one past the closing quote
/// when terminator is a quote, else the first white-space position; npos when the token runs to
/// the end of the line.
std::string::size_type getFirstCharPosAfterString(const std::string& line, std::string::size_type pos,
                                                  const std::string& terminator);

/// The token without the matching pair of quotes (" or ') that encloses it; otherwise unchanged.
std::string removeQuotes(const std::string& token);

/// 0 when a and b are equal ignoring ASCII case; negative or positive like strcmp otherwise.
int caseCompare(const std::string& a, const std::string& b);

/// True with value set when text is a number. With wholeText, the whole text must be the number
/// (no leading or trailing characters, white space included); otherwise a numeric prefix is enough.
/// value is untouched on failure.
bool isValidNumber(const std::string& text, int& value, bool wholeText);
bool isValidNumber(const std::string& text, double& value, bool wholeText);

/// Splits name=value at the first '='. Returns an empty string with name and value set on success,
/// or a message saying why the token is not of that form (name and value untouched).
std::string getNameAndValueFromToken(const std::string& token, std::string& name, std::string& value);

/// The extension of the last path component with its dot (".mp4"), lower-cased when asked;
/// empty when the name has none.
std::string getExtension(const std::string& fileName, bool lowerCase);

}  // namespace orvCore
