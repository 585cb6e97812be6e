#include "loaders/TmdBuilderAdapter.h"

namespace MediaPlayer2 {

void TmdBuilderAdapter::setMediaFilename(const std::string& filename)
{
    mediaFilename_ = filename;
}

void TmdBuilderAdapter::setStartTime(orvCore::TimeStamp& time)
{
    mediaStartTime_ = time;
}

void TmdBuilderAdapter::setRealtimeForwardCase(bool value)
{
    realtimeForwardCase_ = value;
}

void TmdBuilderAdapter::setAllowableDelta(double seconds)
{
    allowableDelta_ = seconds;
}

std::string TmdBuilderAdapter::filename() const
{
    return mediaFilename_;
}

orvCore::TimeStamp TmdBuilderAdapter::startTime() const
{
    return mediaStartTime_;
}

bool TmdBuilderAdapter::realtimeForwardCase() const
{
    return realtimeForwardCase_;
}

double TmdBuilderAdapter::allowableDelta() const
{
    return allowableDelta_;
}

}  // namespace MediaPlayer2
