#include "support/DecodedStream.h"
#include "support/TestMedia.h"
#include "ffmpeg/Clock.h"

#include <gtest/gtest.h>

namespace {

TEST(MediaClock, RateChangesKeepTheMediaTimeContinuousAndRateZeroHoldsItWhereItWasSynchronised)
{
    double systemTime = 1000.0;
    FFmpeg::Clock clock([&systemTime] { return systemTime; });
    EXPECT_DOUBLE_EQ(clock.now(), 0.0);
    // Each step sets the rate, lets system time pass and reads the media time: only the slope changes.
    struct Step
    {
        double rate;
        double elapsed;
        double mediaTime;
    };
    for (const Step& step : {Step{1.0, 1.5, 1.5}, Step{2.0, 1.0, 3.5}, Step{2.0, 0.5, 4.5}, Step{0.5, 2.0, 5.5},
                             Step{-1.0, 4.0, 1.5}, Step{0.0, 100.0, 1.5}}) {
        clock.setTimeRate(step.rate);
        systemTime += step.elapsed;
        EXPECT_DOUBLE_EQ(clock.now(), step.mediaTime) << "rate " << step.rate;
    }
    // A seek while paused: the clock stands at the new time until playing resumes.
    clock.synchronizeToTime(42.0);
    systemTime += 100.0;
    EXPECT_DOUBLE_EQ(clock.now(), 42.0);
    clock.setTimeRate(1.0);
    systemTime += 0.25;
    EXPECT_DOUBLE_EQ(clock.now(), 42.25);

    // Rates within a millionth of the current one change nothing.
    clock.setTimeRate(1.0 + 5e-7);
    EXPECT_EQ(clock.timeRate(), 1.0);
    clock.setTimeRate(1.0 + 2e-6);
    EXPECT_EQ(clock.timeRate(), 1.0 + 2e-6);
}

TEST(MediaClock, SynchronisesToAFrameOnlyWithACodecContext)
{
    DecodedStream video("h264_aac.mp4", AVMEDIA_TYPE_VIDEO);
    const auto frames = video.decode(30);
    ASSERT_EQ(frames.size(), 30u);
    double systemTime = 1000.0;
    FFmpeg::Clock clock([&systemTime] { return systemTime; });
    clock.synchronizeToTime(7.0);
    clock.synchronizeToFrame(frames.back());
    EXPECT_DOUBLE_EQ(clock.now(), 7.0);
    clock.setCodec(&video.codec());
    clock.synchronizeToFrame(frames.back());
    EXPECT_EQ(TestMedia::frameNumberAt(clock.now()), 29);
}

} // namespace
