#include "support/DecodedStream.h"
#include "support/TestMedia.h"
#include "ffmpeg/Clock.h"

#include <gtest/gtest.h>

namespace {

TEST(MediaClock, RateChangesKeepTheMediaTimeContinuousAndOnlyChangeTheSlope)
{
    double systemTime = 1000.0;
    FFmpeg::Clock clock([&systemTime] { return systemTime; });
    EXPECT_DOUBLE_EQ(clock.now(), 0.0);
    systemTime += 1.5;
    EXPECT_DOUBLE_EQ(clock.now(), 1.5);

    clock.synchronizeToTime(10.0);
    clock.setTimeRate(2.0);
    systemTime += 1.0;
    EXPECT_DOUBLE_EQ(clock.now(), 12.0);
    // Half a second at rate 2 has passed when the rate changes again: the time carries over.
    systemTime += 0.5;
    clock.setTimeRate(0.5);
    EXPECT_DOUBLE_EQ(clock.now(), 13.0);
    systemTime += 2.0;
    EXPECT_DOUBLE_EQ(clock.now(), 14.0);
    clock.setTimeRate(-1.0);
    systemTime += 4.0;
    EXPECT_DOUBLE_EQ(clock.now(), 10.0);

    // Rates within a millionth of the current one change nothing.
    clock.setTimeRate(2.0);
    clock.setTimeRate(2.0 + 5e-7);
    EXPECT_EQ(clock.timeRate(), 2.0);
    clock.setTimeRate(2.0 + 2e-6);
    EXPECT_EQ(clock.timeRate(), 2.0 + 2e-6);
}

TEST(MediaClock, RateZeroPausesAndSynchronisingWhilePausedMovesTheStillPosition)
{
    double systemTime = 1000.0;
    FFmpeg::Clock clock([&systemTime] { return systemTime; });
    systemTime += 3.0;
    clock.setTimeRate(0.0);
    systemTime += 100.0;
    EXPECT_DOUBLE_EQ(clock.now(), 3.0);

    // A seek while paused: the clock stands at the new time until playing resumes.
    clock.synchronizeToTime(42.0);
    systemTime += 100.0;
    EXPECT_DOUBLE_EQ(clock.now(), 42.0);
    clock.setTimeRate(1.0);
    systemTime += 0.25;
    EXPECT_DOUBLE_EQ(clock.now(), 42.25);
}

TEST(MediaClock, SynchronisesToAFrameOnlyWithACodecContext)
{
    DecodedStream video("h264_aac.mp4", AVMEDIA_TYPE_VIDEO);
    ASSERT_TRUE(video.isOpen());
    const auto frames = video.decode(30);
    ASSERT_EQ(frames.size(), 30u);
    const auto& frame = frames.back();

    double systemTime = 1000.0;
    FFmpeg::Clock clock([&systemTime] { return systemTime; });
    clock.synchronizeToTime(7.0);
    clock.synchronizeToFrame(frame);
    EXPECT_DOUBLE_EQ(clock.now(), 7.0);
    clock.setCodec(&video.codec());
    clock.synchronizeToFrame(frame);
    EXPECT_DOUBLE_EQ(clock.now(), video.secondsOf(*frame));
    EXPECT_EQ(TestMedia::frameNumberAt(clock.now()), TestMedia::frameNumberOf(*frame));
}

TEST(MediaClock, OnTheSystemClockItNeverRunsBackwardsAndStandsStillAtRateZero)
{
    FFmpeg::Clock clock;
    double previous = clock.now();
    for (int i = 0; i < 1000; ++i) {
        const double now = clock.now();
        ASSERT_GE(now, previous);
        previous = now;
    }
    clock.setTimeRate(0.0);
    const double still = clock.now();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(clock.now(), still);
}

} // namespace
