#include "orvCore/Time.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>

namespace orvCore {

namespace {

constexpr int64_t SECONDS_PER_DAY = 86400;
constexpr int64_t INT64_MAX_VALUE = std::numeric_limits<int64_t>::max();
constexpr int64_t INT64_MIN_VALUE = std::numeric_limits<int64_t>::min();
// 2^63: the first double that no longer fits in int64.
constexpr double INT64_LIMIT_AS_DOUBLE = 9223372036854775808.0;

int64_t saturatingAdd(int64_t a, int64_t b)
{
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? INT64_MAX_VALUE : INT64_MIN_VALUE;
    return sum;
}

int64_t saturatingSubtract(int64_t a, int64_t b)
{
    int64_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference))
        return b < 0 ? INT64_MAX_VALUE : INT64_MIN_VALUE;
    return difference;
}

// Days from 1970-01-01 to 1 January of year in the proleptic Gregorian calendar, counted in whole
// 400-year cycles (146097 days each) so that far-off years cost no loop.
int64_t daysFromEpochToYear(int year)
{
    constexpr int64_t DAYS_PER_400_YEARS = 146097;
    const int64_t yearsSince1 = int64_t{year} - 1;
    const int64_t cycles = (yearsSince1 >= 0 ? yearsSince1 : yearsSince1 - 399) / 400;
    const int64_t yearOfCycle = yearsSince1 - cycles * 400;
    const int64_t daysInCycle = yearOfCycle * 365 + yearOfCycle / 4 - yearOfCycle / 100;
    // 719162 days lie between 0001-01-01 and 1970-01-01.
    constexpr int64_t DAYS_FROM_YEAR_1_TO_EPOCH = 719162;
    return cycles * DAYS_PER_400_YEARS + daysInCycle - DAYS_FROM_YEAR_1_TO_EPOCH;
}

}  // namespace

Seconds::Seconds(int64_t wholeSeconds, int32_t microseconds)
    : seconds_(wholeSeconds), fraction_(microseconds)
{
    fix_();
}

Seconds::Seconds(double seconds)
{
    if (std::isnan(seconds))
        return;
    if (seconds >= INT64_LIMIT_AS_DOUBLE) {
        seconds_ = INT64_MAX_VALUE;
        return;
    }
    if (seconds < -INT64_LIMIT_AS_DOUBLE) {
        seconds_ = INT64_MIN_VALUE;
        return;
    }
    const double whole = std::floor(seconds);
    seconds_ = static_cast<int64_t>(whole);
    // Rounding may give a full million, which fix_ carries into the whole seconds.
    fraction_ = static_cast<int32_t>(std::lround((seconds - whole) * MICROSECONDS_PER_SECOND));
    fix_();
}

double Seconds::toDouble() const
{
    return static_cast<double>(seconds_) + static_cast<double>(fraction_) / MICROSECONDS_PER_SECOND;
}

void Seconds::fix_()
{
    int32_t carry = fraction_ / MICROSECONDS_PER_SECOND;
    fraction_ %= MICROSECONDS_PER_SECOND;
    if (fraction_ < 0) {
        fraction_ += MICROSECONDS_PER_SECOND;
        --carry;
    }
    seconds_ = saturatingAdd(seconds_, carry);
}

Seconds Seconds::operator+(const Seconds& other) const
{
    Seconds sum(*this);
    sum += other;
    return sum;
}

Seconds Seconds::operator-(const Seconds& other) const
{
    Seconds difference(*this);
    difference -= other;
    return difference;
}

Seconds Seconds::operator-() const
{
    return Seconds() - *this;
}

Seconds& Seconds::operator+=(const Seconds& other)
{
    seconds_ = saturatingAdd(seconds_, other.seconds_);
    fraction_ += other.fraction_;
    fix_();
    return *this;
}

Seconds& Seconds::operator-=(const Seconds& other)
{
    seconds_ = saturatingSubtract(seconds_, other.seconds_);
    fraction_ -= other.fraction_;
    fix_();
    return *this;
}

bool Seconds::operator==(const Seconds& other) const
{
    return seconds_ == other.seconds_ && fraction_ == other.fraction_;
}

bool Seconds::operator!=(const Seconds& other) const
{
    return !(*this == other);
}

bool Seconds::operator<(const Seconds& other) const
{
    return seconds_ < other.seconds_ || (seconds_ == other.seconds_ && fraction_ < other.fraction_);
}

bool Seconds::operator<=(const Seconds& other) const
{
    return !(other < *this);
}

bool Seconds::operator>(const Seconds& other) const
{
    return other < *this;
}

bool Seconds::operator>=(const Seconds& other) const
{
    return !(*this < other);
}

TimeStamp::TimeStamp() = default;

TimeStamp::TimeStamp(int referenceYear, const Seconds& secondsIntoYear)
    : referenceYear_(referenceYear), seconds_(secondsIntoYear)
{
}

Seconds TimeStamp::secondsSinceEpoch() const
{
    return Seconds(daysFromEpochToYear(referenceYear_) * SECONDS_PER_DAY, 0) + seconds_;
}

int TimeStamp::compare_(const TimeStamp& other) const
{
    // Same year: no calendar arithmetic needed, and no saturation can blur far-off stamps.
    const Seconds mine = referenceYear_ == other.referenceYear_ ? seconds_ : secondsSinceEpoch();
    const Seconds theirs = referenceYear_ == other.referenceYear_ ? other.seconds_ : other.secondsSinceEpoch();
    if (mine < theirs)
        return -1;
    return theirs < mine ? 1 : 0;
}

TimeStamp TimeStamp::operator+(const Seconds& duration) const
{
    return TimeStamp(referenceYear_, seconds_ + duration);
}

TimeStamp TimeStamp::operator-(const Seconds& duration) const
{
    return TimeStamp(referenceYear_, seconds_ - duration);
}

Seconds TimeStamp::operator-(const TimeStamp& other) const
{
    if (referenceYear_ == other.referenceYear_)
        return seconds_ - other.seconds_;
    return secondsSinceEpoch() - other.secondsSinceEpoch();
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInYear(int year)
{
    return isLeapYear(year) ? 366 : 365;
}

const TimeStamp MIN_TIME_STAMP(1970, Seconds(0, 0));
const TimeStamp INFINITE_TIME_STAMP(16384, Seconds(0, 0));
const TimeStamp MAX_TIME_STAMP(2200, Seconds(31535999, 999999));

double getSystemTime()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

int currentYear()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    constexpr int TM_YEAR_BASE = 1900;
    return utc.tm_year + TM_YEAR_BASE;
}

}  // namespace orvCore
