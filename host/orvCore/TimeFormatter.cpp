#include "orvCore/TimeFormatter.h"

#include "orvNotify/Notify.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <optional>
#include <regex>

namespace orvCore {

namespace {

constexpr int64_t SECONDS_PER_MINUTE = 60;
constexpr int64_t SECONDS_PER_HOUR = 3600;
constexpr int64_t SECONDS_PER_DAY = 86400;
constexpr int HOURS_PER_DAY = 24;
constexpr int MINUTES_PER_HOUR = 60;
constexpr int MONTHS_PER_YEAR = 12;
constexpr int FRACTION_DIGITS = 6;  // microseconds
constexpr int ERROR_SEVERITY = 2;
// No accepted form is longer than a full ISO stamp. Longer text is refused before matching, which
// also keeps std::regex's recursive matcher from exhausting the stack on long garbage.
constexpr std::size_t LONGEST_FORM = sizeof("2026-03-14T12:30:05.250000Z") - 1;

// The clock part shared by every calendar form: hour, minute, second and an optional fraction of up
// to six digits. Each form below ends with these four groups.
const char* const CLOCK_PART = "([0-9]{2}):([0-9]{2}):([0-9]{2})(?:\\.([0-9]{1,6}))?";

const std::regex& isoForm()
{
    static const std::regex form(std::string("([0-9]{4})-([0-9]{2})-([0-9]{2})[T ]") + CLOCK_PART + "Z?");
    return form;
}

const std::regex& yearAndDayForm()
{
    static const std::regex form(std::string("([0-9]{4}):([0-9]{3}):") + CLOCK_PART);
    return form;
}

const std::regex& dayForm()
{
    static const std::regex form(std::string("([0-9]{3}):") + CLOCK_PART);
    return form;
}

const std::regex& secondsForm()
{
    static const std::regex form("([0-9]+)(?:\\.([0-9]{1,6}))?");
    return form;
}

/// Digits as a number; nullopt when they do not fit T.
template <typename T>
std::optional<T> numberOf(const std::string& digits)
{
    T value{};
    const char* const end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

/// A matched group of at most four digits (the forms guarantee it) as an int.
int fieldOf(const std::ssub_match& digits)
{
    return numberOf<int>(digits.str()).value_or(0);
}

/// Fraction digits as microseconds: "25" is 250000. An unmatched group is zero.
int32_t microsecondsOf(const std::ssub_match& digits)
{
    std::string padded = digits.str();
    padded.resize(FRACTION_DIGITS, '0');
    return numberOf<int32_t>(padded).value_or(0);
}

int daysInMonth(int year, int month)
{
    static constexpr std::array<int, MONTHS_PER_YEAR> DAYS = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    constexpr int FEBRUARY = 2;
    return DAYS[month - 1] + (month == FEBRUARY && isLeapYear(year) ? 1 : 0);
}

/// Day of year (1-based) of a calendar date; 0 when the month or day does not exist.
int dayOfYear(int year, int month, int day)
{
    if (month < 1 || month > MONTHS_PER_YEAR || day < 1 || day > daysInMonth(year, month))
        return 0;
    int days = day;
    for (int earlier = 1; earlier < month; ++earlier)
        days += daysInMonth(year, earlier);
    return days;
}

/// The stamp for a day of year and the clock part starting at group first of match; nullopt when a
/// field is out of range.
std::optional<TimeStamp> stampOf(int year, int day, const std::smatch& match, size_t first)
{
    const int hour = fieldOf(match[first]);
    const int minute = fieldOf(match[first + 1]);
    const int second = fieldOf(match[first + 2]);
    if (day < 1 || day > daysInYear(year) || hour >= HOURS_PER_DAY || minute >= MINUTES_PER_HOUR
        || second >= SECONDS_PER_MINUTE)
        return std::nullopt;
    const int64_t whole = (day - 1) * SECONDS_PER_DAY + hour * SECONDS_PER_HOUR + minute * SECONDS_PER_MINUTE + second;
    return TimeStamp(year, Seconds(whole, microsecondsOf(match[first + 3])));
}

std::optional<TimeStamp> parse(const std::string& text, int referenceYear)
{
    if (text.size() > LONGEST_FORM)
        return std::nullopt;
    std::smatch match;
    if (std::regex_match(text, match, isoForm())) {
        const int year = fieldOf(match[1]);
        return stampOf(year, dayOfYear(year, fieldOf(match[2]), fieldOf(match[3])), match, 4);
    }
    if (std::regex_match(text, match, yearAndDayForm()))
        return stampOf(fieldOf(match[1]), fieldOf(match[2]), match, 3);
    if (std::regex_match(text, match, dayForm()))
        return stampOf(referenceYear, fieldOf(match[1]), match, 2);
    if (std::regex_match(text, match, secondsForm())) {
        const std::optional<int64_t> whole = numberOf<int64_t>(match[1].str());
        if (!whole)
            return std::nullopt;
        return TimeStamp(referenceYear, Seconds(*whole, microsecondsOf(match[2])));
    }
    return std::nullopt;
}

struct CivilDate {
    int64_t year;
    int month;
    int day;
};

// Proleptic Gregorian date of a day counted from 1970-01-01, by whole 400-year eras with March as
// the first month of the computing year so that the leap day falls at the end.
CivilDate civilDateOf(int64_t daysSinceEpoch)
{
    constexpr int64_t DAYS_PER_ERA = 146097;
    constexpr int64_t DAYS_FROM_0000_03_01_TO_EPOCH = 719468;
    const int64_t days = daysSinceEpoch + DAYS_FROM_0000_03_01_TO_EPOCH;
    const int64_t era = (days >= 0 ? days : days - (DAYS_PER_ERA - 1)) / DAYS_PER_ERA;
    const int64_t dayOfEra = days - era * DAYS_PER_ERA;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfMarchYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthFromMarch = (5 * dayOfMarchYear + 2) / 153;
    const int day = static_cast<int>(dayOfMarchYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

}  // namespace

TimeFormatterRegistry::TimeFormatterRegistry(bool verbose)
    : verbose_(verbose)
{
}

int TimeFormatterRegistry::fromString(const std::string& text, TimeStamp& stamp, int referenceYear) const
{
    const std::optional<TimeStamp> parsed = parse(text, referenceYear);
    if (!parsed) {
        if (verbose_ && orvNotify::isNotifyEnabled(ERROR_SEVERITY))
            orvNotify::notify(ERROR_SEVERITY) << "Invalid time string: " << text << std::endl;
        return 1;
    }
    stamp = *parsed;
    return 0;
}

std::string TimeFormatterRegistry::toString(const TimeStamp& stamp) const
{
    const Seconds sinceEpoch = stamp.secondsSinceEpoch();
    int64_t days = sinceEpoch.wholeSeconds() / SECONDS_PER_DAY;
    int64_t secondOfDay = sinceEpoch.wholeSeconds() % SECONDS_PER_DAY;
    if (secondOfDay < 0) {
        secondOfDay += SECONDS_PER_DAY;
        --days;
    }
    const CivilDate date = civilDateOf(days);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d.%06dZ", static_cast<long long>(date.year),
                  date.month, date.day, static_cast<int>(secondOfDay / SECONDS_PER_HOUR),
                  static_cast<int>(secondOfDay % SECONDS_PER_HOUR / SECONDS_PER_MINUTE),
                  static_cast<int>(secondOfDay % SECONDS_PER_MINUTE), static_cast<int>(sinceEpoch.fraction()));
    return text;
}

}  // namespace orvCore
