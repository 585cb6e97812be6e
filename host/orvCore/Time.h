#pragma once

#include <cstdint>

namespace orvCore {

/// A signed duration: whole seconds plus a fraction in microseconds.
/// Normalised so that 0 <= fraction() < 1000000; a negative duration has negative whole seconds
/// and a non-negative fraction (-0.25 s is -1 s + 750000 us). Whole seconds saturate at the int64
/// range instead of overflowing, so arithmetic on far-off or garbage values stays defined.
class Seconds {
public:
    static constexpr int32_t MICROSECONDS_PER_SECOND = 1000000;

    Seconds() = default;
    Seconds(int64_t wholeSeconds, int32_t microseconds);
    /// Rounded to the nearest microsecond. NaN gives zero; infinities saturate to the int64 range.
    explicit Seconds(double seconds);

    int64_t wholeSeconds() const { return seconds_; }
    int32_t fraction() const { return fraction_; }
    double toDouble() const;

    Seconds operator+(const Seconds& other) const;
    Seconds operator-(const Seconds& other) const;
    Seconds operator-() const;
    Seconds& operator+=(const Seconds& other);
    Seconds& operator-=(const Seconds& other);

    bool operator==(const Seconds& other) const;
    bool operator!=(const Seconds& other) const;
    bool operator<(const Seconds& other) const;
    bool operator<=(const Seconds& other) const;
    bool operator>(const Seconds& other) const;
    bool operator>=(const Seconds& other) const;

private:
    void fix_();

    int64_t seconds_ = 0;
    int32_t fraction_ = 0;
};

/// A point in time: a reference year (UTC, 1 January 00:00:00) plus the seconds into it.
/// Stamps compare by the instant they name, whatever their reference years.
class TimeStamp {
public:
    TimeStamp();  ///< year 1970 + 0 s
    TimeStamp(int referenceYear, const Seconds& secondsIntoYear);

    int referenceYear() const { return referenceYear_; }
    const Seconds& secondsIntoYear() const { return seconds_; }

    /// Seconds since 1970-01-01T00:00:00 UTC (negative before it).
    Seconds secondsSinceEpoch() const;

    /// -1 when this stamp is earlier than other, 0 when they name the same instant, 1 when later.
    int compare_(const TimeStamp& other) const;

    bool operator==(const TimeStamp& other) const { return compare_(other) == 0; }
    bool operator!=(const TimeStamp& other) const { return compare_(other) != 0; }
    bool operator<(const TimeStamp& other) const { return compare_(other) < 0; }
    bool operator<=(const TimeStamp& other) const { return compare_(other) <= 0; }
    bool operator>(const TimeStamp& other) const { return compare_(other) > 0; }
    bool operator>=(const TimeStamp& other) const { return compare_(other) >= 0; }

    /// Keeps the reference year; only the seconds into it move.
    TimeStamp operator+(const Seconds& duration) const;
    TimeStamp operator-(const Seconds& duration) const;
    Seconds operator-(const TimeStamp& other) const;

private:
    int referenceYear_ = 1970;
    Seconds seconds_;
};

bool isLeapYear(int year);
int daysInYear(int year);

extern const TimeStamp MIN_TIME_STAMP;       ///< year 1970 + 0 s
extern const TimeStamp INFINITE_TIME_STAMP;  ///< year 16384 + 0 s: an open end
extern const TimeStamp MAX_TIME_STAMP;       ///< year 2200 + 31535999.999999 s

enum TimeDirection { FORWARD = 0, REVERSE = 1, STOP = 2 };
enum RealTimeMode { REAL_TIME_OFF = 0, REAL_TIME_ON = 1 };

/// Wall-clock seconds since the Unix epoch.
double getSystemTime();
/// The calendar year now, in UTC.
int currentYear();

}  // namespace orvCore
