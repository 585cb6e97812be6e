#include "ffmpeg/Clock.h"

#include "ffmpeg/CodecContext.h"
#include "orvCore/Time.h"

#include <cmath>
#include <utility>

namespace FFmpeg {

namespace {
// Rates closer than this are the same rate: re-synchronising for them would only add rounding.
constexpr double RATE_TOLERANCE = 1e-6;
} // namespace

Clock::Clock(QObject* parent)
    : Clock(&orvCore::getSystemTime, parent)
{
}

Clock::Clock(SystemTimeSource systemTime, QObject* parent)
    : QObject(parent)
    , systemTime_(std::move(systemTime))
{
    synchronizeToTime(0.0);
}

void Clock::setCodec(const CodecContext* codec)
{
    codec_ = codec;
}

double Clock::now() const
{
    return timeRate_ * (systemTime_() - syncSystemTime_) + syncMediaTime_;
}

double Clock::timeRate() const
{
    return timeRate_;
}

void Clock::synchronizeToTime(double timeStamp)
{
    syncMediaTime_ = timeStamp;
    syncSystemTime_ = systemTime_();
}

void Clock::synchronizeToFrame(std::shared_ptr<FFmpeg::Frame> frame)
{
    if (!codec_ || !frame)
        return;
    synchronizeToTime(codec_->ptsToSeconds(frame->bestEffortTimeStamp()));
}

void Clock::setTimeRate(double multipleOfRealtime)
{
    if (std::abs(multipleOfRealtime - timeRate_) < RATE_TOLERANCE)
        return;
    // Keep the media time continuous: only the slope changes.
    const double mediaTimeNow = now();
    timeRate_ = multipleOfRealtime;
    synchronizeToTime(mediaTimeNow);
}

} // namespace FFmpeg
