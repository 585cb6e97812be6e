#include "loaders/TmdFileLoader.h"

#include "orvCore/String.h"

namespace MediaPlayer2 {

namespace {

// Every setting line is a keyword and its value.
constexpr std::size_t SETTING_TOKEN_COUNT = 2;

}  // namespace

TmdFileLoader::TmdFileLoader(TmdBuilder& builder)
    : referenceYear_(orvCore::currentYear())
    , builder_(builder)
{
}

TmdFileLoader::~TmdFileLoader() = default;

int TmdFileLoader::processTokens_(std::size_t /*lineNumber*/, const std::vector<std::string>& tokens)
{
    using Setter = int (TmdFileLoader::*)(const std::string&);
    struct Setting {
        const char* keyword;
        Setter set;
    };
    static const Setting settings[] = {
        {"ReferenceYear", &TmdFileLoader::setReferenceYear_},
        {"MediaFileName", &TmdFileLoader::setMediaFileName_},
        {"MediaStartTime", &TmdFileLoader::setMediaStartTime_},
        {"HandleRealtimeForwardCase", &TmdFileLoader::setHandleRealtimeForwardCase_},
        {"AllowableDelta", &TmdFileLoader::setAllowableDelta_},
    };

    if (tokens.size() == SETTING_TOKEN_COUNT) {
        for (const Setting& setting : settings) {
            if (orvCore::caseCompare(tokens[0], setting.keyword) == 0)
                return (this->*setting.set)(tokens[1]);
        }
    }
    return rejectLine_("Unrecognized token or invalid number of parameters: ", tokens[0]);
}

int TmdFileLoader::setReferenceYear_(const std::string& value)
{
    // Parsed aside so that a bad value leaves the year of earlier lines in force.
    int year = 0;
    if (!orvCore::isValidNumber(value, year, true))
        return rejectLine_("Invalid reference year: ", value);
    referenceYear_ = year;
    return 0;
}

int TmdFileLoader::setMediaFileName_(const std::string& value)
{
    // Whether the file exists shows only when the media is opened.
    builder_.setMediaFilename(resolvePath_(value));
    return 0;
}

int TmdFileLoader::setMediaStartTime_(const std::string& value)
{
    orvCore::TimeStamp time;
    if (parseTimeToken_(value, time, referenceYear_) != 0)
        return rejectLine_("Invalid argument to MediaStartTime: ", value);
    builder_.setStartTime(time);
    return 0;
}

int TmdFileLoader::setHandleRealtimeForwardCase_(const std::string& value)
{
    if (orvCore::caseCompare(value, "true") == 0)
        builder_.setRealtimeForwardCase(true);
    else if (orvCore::caseCompare(value, "false") == 0)
        builder_.setRealtimeForwardCase(false);
    else
        return rejectLine_("Invalid argument to HandleRealtimeForwardCase: ", value);
    return 0;
}

int TmdFileLoader::setAllowableDelta_(const std::string& value)
{
    double seconds = 0.0;
    if (!orvCore::isValidNumber(value, seconds, true) || seconds < 0.0)
        return rejectLine_("Invalid argument to AllowableDelta: ", value);
    builder_.setAllowableDelta(seconds);
    return 0;
}

}  // namespace MediaPlayer2
