#pragma once

#include "orvCore/Clock.h"
#include "orvCore/Time.h"

#include <vector>

namespace MediaPlayer2 {

/// A snapshot of the host clock: its time, direction, real-time mode and scale of real time.
/// Plain copyable value with a fixed 16-byte big-endian serialized form:
///   bytes 0-1   int16  reference year of the time stamp
///   bytes 2-5   int32  whole seconds into that year
///   bytes 6-9   int32  sub-second fraction in microseconds
///   byte  10    uint8  direction (0 forward, 1 reverse, 2 stop)
///   byte  11    uint8  real-time mode (0 off, 1 on)
///   bytes 12-15 float  scale of real time, IEEE 754 single precision
class ClockState {
public:
    static constexpr std::size_t SERIALIZED_SIZE = 16;

    ClockState();
    /// Reads the clock's time, direction, real-time mode and scale, in that order.
    explicit ClockState(const orvCore::Clock& clock);

    orvCore::TimeStamp timeStamp() const { return timeStamp_; }
    orvCore::TimeDirection direction() const { return direction_; }
    orvCore::RealTimeMode realTimeMode() const { return realTimeMode_; }
    double scaleOfRealTime() const { return scaleOfRealTime_; }

    void setTimeStamp(const orvCore::TimeStamp& timeStamp) { timeStamp_ = timeStamp; }
    void setDirection(orvCore::TimeDirection direction) { direction_ = direction; }
    void setRealTimeMode(orvCore::RealTimeMode mode) { realTimeMode_ = mode; }
    void setScaleOfRealTime(double scale) { scaleOfRealTime_ = scale; }

    /// Equal time instants, directions, modes and scales; a NaN scale is never equal.
    bool operator==(const ClockState& other) const;
    bool operator!=(const ClockState& other) const { return !(*this == other); }

    /// Makes out exactly SERIALIZED_SIZE bytes long and writes the serialized form into it.
    /// Fields are written as their low bits without any range check.
    void serialize(std::vector<unsigned char>& out) const;
    /// 0 when in holds a valid serialized state, which is then stored; 1 otherwise, leaving this
    /// state unchanged.
    int deserialize(const std::vector<unsigned char>& in);

private:
    orvCore::TimeStamp timeStamp_;
    orvCore::TimeDirection direction_ = orvCore::STOP;
    orvCore::RealTimeMode realTimeMode_ = orvCore::REAL_TIME_ON;
    double scaleOfRealTime_ = 1.0;
};

}  // namespace MediaPlayer2
