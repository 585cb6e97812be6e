#pragma once

#include "orvCore/Time.h"
#include "playlist/ClockState.h"

namespace testsupport {

/// Test times are seconds into 2020, well inside the clock's bounds.
constexpr int TEST_YEAR = 2020;

inline orvCore::TimeStamp at(double seconds)
{
    return orvCore::TimeStamp(TEST_YEAR, orvCore::Seconds(seconds));
}

inline const orvCore::Seconds ONE_MICROSECOND(0, 1);

inline MediaPlayer2::ClockState clockState(const orvCore::TimeStamp& time,
                                           orvCore::TimeDirection direction = orvCore::FORWARD,
                                           orvCore::RealTimeMode mode = orvCore::REAL_TIME_ON, double scale = 1.0)
{
    MediaPlayer2::ClockState state;
    state.setTimeStamp(time);
    state.setDirection(direction);
    state.setRealTimeMode(mode);
    state.setScaleOfRealTime(scale);
    return state;
}

}  // namespace testsupport
