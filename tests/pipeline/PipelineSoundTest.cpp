// What the playback pipeline really plays, recorded from the sound server's output: sound only
// while playing and audible, the sound of the media time after a seek, and the pitch that belongs
// to the playback rate. The clip's tone grows in amplitude from 0.1 to 0.9 over its 3 s.

#include "support/HeardSound.h"
#include "support/PipelineProbe.h"

#include <gtest/gtest.h>

using FFmpeg::PlaybackPipeline;
using namespace HeardSound;
using namespace PipelineTest;

namespace {

constexpr const char* kClip = "h264_aac.mp4";
// The null sink plays exact zeros when nothing plays.
constexpr int kSilencePeak = 100;
// Sound from around 2.2 s is more than twice as loud as sound from around 0.5 s, and sound from a
// clock that ignored the seek (around 1 s) less than one and a half times.
constexpr double kLouderAfterSeek = 1.8;

std::unique_ptr<AudioTest::SinkRecorder>& recorder = AudioTest::sharedRecorder();
const auto* const environment = ::testing::AddGlobalTestEnvironment(new AudioTest::SharedRecorderEnvironment);

// Every wait for sound after play starts once the clock has moved on, so that it judges sound the
// pipeline had time to buffer rather than the output's start-up.
class PipelineSoundTest : public ::testing::TestWithParam<Threading>
{
protected:
    void SetUp() override
    {
        if (!recorder)
            GTEST_SKIP() << "no sound server to record from";
        ASSERT_EQ(probe.load(kClip, false), PlaybackPipeline::LoadSucceeded);
    }

    static double measuredLevel() { return AudioTest::loudnessOf(recorder->record(kMeasureSeconds)); }

    PipelineProbe probe{GetParam()};
    PlaybackPipeline& pipeline = probe.pipeline();
};

} // namespace

TEST_P(PipelineSoundTest, SoundsOnlyWhilePlayingAndAudibleAndFollowsSeeks)
{
    EXPECT_LE(AudioTest::peakOf(recorder->record(kSteadySeconds)), kSilencePeak) << "sound before play";
    ASSERT_EQ(pipeline.seek(0.3), 0);
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(0.5));
    ASSERT_TRUE(soundStarts(*recorder));
    EXPECT_NEAR(pitchHeard(*recorder), kToneHz, kPitchToleranceHz);
    const double early = measuredLevel();
    pipeline.setVolume(0.0);
    EXPECT_TRUE(soundStops(*recorder)) << "sound while muted";
    pipeline.setVolume(1.0);
    EXPECT_TRUE(soundStarts(*recorder));

    ASSERT_EQ(pipeline.seek(2.0), 0);
    ASSERT_TRUE(probe.waitForMediaTime(2.2));
    ASSERT_TRUE(soundStarts(*recorder, kMeasureSeconds));
    EXPECT_GT(measuredLevel(), kLouderAfterSeek * early) << "a seek while playing";
    pipeline.stop();
    EXPECT_TRUE(soundStops(*recorder)) << "sound while paused";

    ASSERT_EQ(pipeline.seek(0.3), 0);
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(0.5));
    ASSERT_TRUE(soundStarts(*recorder, kMeasureSeconds));
    EXPECT_LT(measuredLevel(), kLouderAfterSeek * early) << "a seek while paused";
    pipeline.stop();
    EXPECT_TRUE(soundStops(*recorder));
}

TEST_P(PipelineSoundTest, OtherRatesSoundOnlyWhenAllowedAndAtTheirPitch)
{
    // Only real time is heard by default.
    pipeline.setPlaybackRate(2.0);
    const std::size_t beforePlay = recorder->mark();
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(1.0));
    EXPECT_LE(AudioTest::peakOf(recorder->recordFrom(beforePlay, 0.5)), kSilencePeak);
    pipeline.stop();

    // Resampled to 22050 samples per media second and played at 44100 Hz, the tone is an octave up.
    pipeline.setAudioOnlyInRealTime(false);
    ASSERT_EQ(pipeline.seek(0.0), 0);
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(0.6));
    ASSERT_TRUE(soundStarts(*recorder, kMeasureSeconds));
    EXPECT_NEAR(pitchHeard(*recorder), 2.0 * kToneHz, 2.0 * kPitchToleranceHz);
    pipeline.stop();

    pipeline.setPlaybackRate(0.5);
    const double slowFrom = pipeline.mediaTime();
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(slowFrom + 0.1));
    ASSERT_TRUE(soundStarts(*recorder));
    EXPECT_NEAR(pitchHeard(*recorder), 0.5 * kToneHz, kPitchToleranceHz);
    pipeline.stop();
    EXPECT_TRUE(soundStops(*recorder));
}

INSTANTIATE_TEST_SUITE_P(BothThreadingModes, PipelineSoundTest, ::testing::Values(Threading::Off, Threading::On),
                         [](const auto& info) { return nameOf(info.param); });
