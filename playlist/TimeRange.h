#pragma once

#include "orvCore/Time.h"

namespace MediaPlayer2 {

/// A time window [begin, end). A range with an end at INFINITE_TIME_STAMP is invalid: it has no
/// known extent, so it is never wholly before or after any time. Plain copyable value.
class TimeRange {
public:
    /// Both ends INFINITE_TIME_STAMP: invalid.
    TimeRange();
    /// Ordered: begin is the earlier of a and b.
    TimeRange(const orvCore::TimeStamp& a, const orvCore::TimeStamp& b);
    /// Not reordered: a negative duration gives an end earlier than the begin.
    TimeRange(const orvCore::TimeStamp& begin, const orvCore::Seconds& duration);
    TimeRange(const TimeRange& other) = default;
    TimeRange& operator=(const TimeRange& other) = default;

    const orvCore::TimeStamp& begin() const { return begin_; }
    const orvCore::TimeStamp& end() const { return end_; }
    orvCore::Seconds duration() const { return end_ - begin_; }

    bool isValid() const;
    /// begin <= t < end, whether or not the range is valid.
    bool contains(const orvCore::TimeStamp& t) const;
    /// Ranges that merely touch do not overlap; ranges with the same begin always do, even empty ones.
    bool isOverlapping(const TimeRange& other) const;

    /// Orders ranges by their begin only.
    bool operator<(const TimeRange& other) const { return begin_ < other.begin_; }
    /// The range is valid and lies wholly before t (a t equal to end is not after it).
    bool operator<(const orvCore::TimeStamp& t) const;
    /// The range is valid and lies wholly after t.
    bool operator>(const orvCore::TimeStamp& t) const;

    /// The smallest range covering both; an invalid range contributes nothing.
    TimeRange extend(const TimeRange& other) const;
    /// The smallest range covering this one and t; an invalid range becomes [t, t).
    TimeRange extend(const orvCore::TimeStamp& t) const;

private:
    orvCore::TimeStamp begin_;
    orvCore::TimeStamp end_;
};

}  // namespace MediaPlayer2
