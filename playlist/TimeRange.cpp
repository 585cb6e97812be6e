#include "playlist/TimeRange.h"

#include <algorithm>

namespace MediaPlayer2 {

TimeRange::TimeRange()
    : begin_(orvCore::INFINITE_TIME_STAMP)
    , end_(orvCore::INFINITE_TIME_STAMP)
{
}

TimeRange::TimeRange(const orvCore::TimeStamp& a, const orvCore::TimeStamp& b)
    : begin_(std::min(a, b))
    , end_(std::max(a, b))
{
}

TimeRange::TimeRange(const orvCore::TimeStamp& begin, const orvCore::Seconds& duration)
    : begin_(begin)
    , end_(begin + duration)
{
}

bool TimeRange::isValid() const
{
    return begin_ != orvCore::INFINITE_TIME_STAMP && end_ != orvCore::INFINITE_TIME_STAMP;
}

bool TimeRange::contains(const orvCore::TimeStamp& t) const
{
    return begin_ <= t && t < end_;
}

bool TimeRange::isOverlapping(const TimeRange& other) const
{
    return (begin_ < other.end_ && end_ > other.begin_) || begin_ == other.begin_;
}

bool TimeRange::operator<(const orvCore::TimeStamp& t) const
{
    return isValid() && end_ < t;
}

bool TimeRange::operator>(const orvCore::TimeStamp& t) const
{
    return isValid() && begin_ > t;
}

TimeRange TimeRange::extend(const TimeRange& other) const
{
    if (!other.isValid())
        return *this;
    if (!isValid())
        return other;
    return TimeRange(std::min(begin_, other.begin_), std::max(end_, other.end_));
}

TimeRange TimeRange::extend(const orvCore::TimeStamp& t) const
{
    if (!isValid())
        return TimeRange(t, t);
    return TimeRange(std::min(begin_, t), std::max(end_, t));
}

}  // namespace MediaPlayer2
