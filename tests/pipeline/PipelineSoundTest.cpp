// What the playback pipeline really plays, recorded from the sound server's output: sound only
// while playing and audible, the sound of the media time after a seek, and the pitch that belongs
// to the playback rate. The clip's sound is a 440 Hz tone whose amplitude grows with media time.

#include "support/PipelineProbe.h"
#include "support/SinkRecorder.h"
#include "support/Tones.h"

#include <gtest/gtest.h>

#include <memory>

using AudioTest::SinkRecorder;
using FFmpeg::PlaybackPipeline;
using namespace PipelineTest;

namespace {

constexpr const char* kClip = "h264_aac.mp4";
constexpr double kToneHz = 440.0;
// Zero-crossing counts over a tenth of a second are this close to the tone.
constexpr double kPitchToleranceHz = 40.0;
constexpr double kMeasureSeconds = 0.1;

// Bounds of the waits for sound to start or stop after an action: the device, the recorder and
// a queued hop into the decoder thread together take a fraction of this.
constexpr double kReactionLimitSeconds = 2.0;
// Stretches of sound or silence that show a state has settled.
constexpr double kSteadySeconds = 0.2;
// The null sink plays exact zeros when nothing plays.
constexpr int kSilencePeak = 100;

// The tone's amplitude grows from 0.1 to 0.9 over the clip's 3 s: sound from around 2.2 s is more
// than twice as loud as sound from around 0.5 s, and sound from a clock that ignored the seek
// (around 1 s) less than one and a half times.
constexpr double kLouderAfterSeek = 1.8;

std::unique_ptr<SinkRecorder>& recorder = AudioTest::sharedRecorder();
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
    }

    static double measuredPitch() { return AudioTest::frequencyOf(recorder->record(kMeasureSeconds)); }
    static double measuredLevel() { return AudioTest::rmsOf(recorder->record(kMeasureSeconds)); }
};

} // namespace

TEST_P(PipelineSoundTest, SoundsOnlyWhilePlayingAndAudible)
{
    PipelineProbe probe(GetParam());
    PlaybackPipeline& pipeline = probe.pipeline();
    ASSERT_EQ(probe.load(kClip, false), PlaybackPipeline::LoadSucceeded);
    EXPECT_LE(AudioTest::peakOf(recorder->record(kSteadySeconds)), kSilencePeak) << "sound before play";

    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(0.2));
    EXPECT_TRUE(recorder->waitForSound(kSteadySeconds, kReactionLimitSeconds));
    EXPECT_NEAR(measuredPitch(), kToneHz, kPitchToleranceHz);
    pipeline.stop();
    EXPECT_TRUE(recorder->waitForSilence(kSteadySeconds, kReactionLimitSeconds)) << "sound while paused";

    pipeline.seek(0.2);
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(0.4));
    EXPECT_TRUE(recorder->waitForSound(kSteadySeconds, kReactionLimitSeconds));
    pipeline.setVolume(0.0);
    EXPECT_TRUE(recorder->waitForSilence(kSteadySeconds, kReactionLimitSeconds)) << "sound while muted";
    pipeline.setVolume(1.0);
    EXPECT_TRUE(recorder->waitForSound(kSteadySeconds, kReactionLimitSeconds));
    pipeline.stop();
    EXPECT_TRUE(recorder->waitForSilence(kSteadySeconds, kReactionLimitSeconds));
}

TEST_P(PipelineSoundTest, PlaysTheSoundOfTheMediaTimeAfterASeek)
{
    PipelineProbe probe(GetParam());
    PlaybackPipeline& pipeline = probe.pipeline();
    ASSERT_EQ(probe.load(kClip, false), PlaybackPipeline::LoadSucceeded);
    ASSERT_EQ(pipeline.seek(0.3), 0);
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(0.5));
    ASSERT_TRUE(recorder->waitForSound(kSteadySeconds, kReactionLimitSeconds));
    const double early = measuredLevel();

    // A seek while playing.
    ASSERT_EQ(pipeline.seek(2.0), 0);
    ASSERT_TRUE(probe.waitForMediaTime(2.2));
    ASSERT_TRUE(recorder->waitForSound(kMeasureSeconds, kReactionLimitSeconds));
    EXPECT_GT(measuredLevel(), kLouderAfterSeek * early);

    // A seek while paused, back to the start.
    pipeline.stop();
    ASSERT_EQ(pipeline.seek(0.3), 0);
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(0.5));
    ASSERT_TRUE(recorder->waitForSound(kMeasureSeconds, kReactionLimitSeconds));
    EXPECT_LT(measuredLevel(), kLouderAfterSeek * early);
    pipeline.stop();
}

TEST_P(PipelineSoundTest, OtherRatesSoundOnlyWhenAllowedAndAtTheirPitch)
{
    PipelineProbe probe(GetParam());
    PlaybackPipeline& pipeline = probe.pipeline();
    ASSERT_EQ(probe.load(kClip, false), PlaybackPipeline::LoadSucceeded);

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
    ASSERT_TRUE(recorder->waitForSound(kMeasureSeconds, kReactionLimitSeconds));
    EXPECT_NEAR(measuredPitch(), 2.0 * kToneHz, 2.0 * kPitchToleranceHz);
    pipeline.stop();

    pipeline.setPlaybackRate(0.5);
    const double slowFrom = pipeline.mediaTime();
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitForMediaTime(slowFrom + 0.1));
    ASSERT_TRUE(recorder->waitForSound(kSteadySeconds, kReactionLimitSeconds));
    EXPECT_NEAR(measuredPitch(), 0.5 * kToneHz, kPitchToleranceHz);
    pipeline.stop();
    EXPECT_TRUE(recorder->waitForSilence(kSteadySeconds, kReactionLimitSeconds));
}

INSTANTIATE_TEST_SUITE_P(BothThreadingModes, PipelineSoundTest, ::testing::Values(Threading::Off, Threading::On),
                         [](const auto& info) { return nameOf(info.param); });
