#include "support/PipelineRun.h"
#include "support/SoundRecorder.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <cmath>

using FFmpeg::PlaybackPipeline;
using testsupport::SoundRecorder;

namespace {

constexpr double kSegmentSeconds = 0.5;  // of segments.wav

class PipelineSound : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        if (!SoundRecorder::available())
            GTEST_SKIP() << "needs the sound server of scripts/test-services.sh (PULSE_SERVER)";
        ASSERT_NE(SoundRecorder::shared(), nullptr) << "the sound server's monitor delivers nothing";
        ASSERT_EQ(run.load("segments.wav", false), PlaybackPipeline::LoadSucceeded);
    }
    SoundRecorder& sound() { return *SoundRecorder::shared(); }
    /// The segment the clock is in now.
    int clockSegment() { return int(std::floor(run.pipeline.mediaTime() / kSegmentSeconds)); }

    testsupport::PipelineRun run{GetParam()};
};

}  // namespace

// What is heard is the media clock's time: the segments follow each other at the clock's pace, a
// seek while playing is heard at once, and nothing sounds while paused or silenced.
TEST_P(PipelineSound, TheSoundHeardFollowsTheClockThroughSeeksAndStopsWhenPausedOrSilenced)
{
    PlaybackPipeline& pipeline = run.pipeline;
    // With pictures, which a paused seek positions without moving the sound.
    ASSERT_EQ(run.load("segments.mkv", false), PlaybackPipeline::LoadSucceeded);
    EXPECT_TRUE(sound().waitForSilence()) << "sound before play";
    ASSERT_EQ(pipeline.seek(1.5), 0);
    ASSERT_EQ(pipeline.seek(0.3), 0);
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(sound().waitForSound());
    const int from = clockSegment();
    const std::vector<int> heard = testsupport::segmentsHeard(sound().record(1.0));
    ASSERT_FALSE(heard.empty());
    EXPECT_NEAR(heard.front(), from, 1);
    EXPECT_NEAR(heard.back() - heard.front(), 2, 1) << "two segments a second";
    EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
    ASSERT_EQ(pipeline.seek(6.1), 0);
    TestMedia::runEventsFor(150);
    EXPECT_EQ(testsupport::segmentsHeard(sound().record(0.15)), std::vector<int>{12});
    pipeline.setVolume(0.0);
    EXPECT_TRUE(sound().waitForSilence()) << "sound while silenced";
    pipeline.setVolume(1.0);
    EXPECT_TRUE(sound().waitForSound());
    pipeline.stop();
    EXPECT_TRUE(sound().waitForSilence()) << "sound while paused";
}

// Sound for other rates is resampled to play at the device rate: segments pass faster, their tones
// higher.
TEST_P(PipelineSound, OtherRatesSoundOnlyWhenAllowedAndKeepTheirPace)
{
    PlaybackPipeline& pipeline = run.pipeline;
    pipeline.setPlaybackRate(2.0);
    ASSERT_EQ(pipeline.play(), 0);
    EXPECT_TRUE(sound().waitForSilence()) << "only real time sounds by default";
    pipeline.setAudioOnlyInRealTime(false);
    ASSERT_TRUE(sound().waitForSound());
    const int from = clockSegment();
    const std::vector<int> heard = testsupport::segmentsHeard(sound().record(0.75), 2.0);
    ASSERT_FALSE(heard.empty());
    EXPECT_NEAR(heard.front(), from, 1);
    EXPECT_NEAR(heard.back() - heard.front(), 3, 1) << "four segments a second";
    pipeline.setPlaybackRate(8.0);
    EXPECT_TRUE(sound().waitForSilence()) << "beyond the audible rates";
}

INSTANTIATE_TEST_SUITE_P(Threading, PipelineSound, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "On" : "Off"; });
