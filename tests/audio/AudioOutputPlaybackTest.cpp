#include "support/AudioOutputRig.h"
#include "support/SinkRecorder.h"
#include "support/Tones.h"

#include "ffmpeg/AudioPlaybackSink.h"
#include "ffmpeg/ThreadedAudio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace AudioTest;

namespace {

// Bounds of the waits for sound to start or stop after an action: the device, the recorder and
// a queued hop into the audio thread together take a fraction of this.
constexpr double REACTION_LIMIT_SECONDS = 2.0;
constexpr int REACTION_LIMIT_MS = 2000;
// Stretches of sound or silence that show a state has settled.
constexpr double STEADY_SECONDS = 0.3;
// A whole tone segment heard is its own length within this share: a jump back or ahead of the
// sink would add or remove tenths.
constexpr double SEGMENT_LENGTH_SHARE = 0.2;

std::unique_ptr<SinkRecorder>& recorder = AudioTest::sharedRecorder();
const auto* const environment = ::testing::AddGlobalTestEnvironment(new AudioTest::SharedRecorderEnvironment);

std::vector<AudioBlock> blocksFrom(const std::vector<AudioBlock>& blocks, double time)
{
    std::vector<AudioBlock> later;
    std::copy_if(blocks.begin(), blocks.end(), std::back_inserter(later),
                 [time](const AudioBlock& block) { return block.time >= time; });
    return later;
}

std::string describe(const std::vector<ToneRun>& runs)
{
    std::string text;
    for (const ToneRun& run : runs)
        text += (run.gapBefore ? "| " : "") + std::to_string(run.segment) + ":" + std::to_string(run.frames) +
                (run.gapInside ? "(in pieces) " : " ");
    return text;
}

// The run after another is the next segment, or a later one after a stall of the device, which
// makes the sink catch up with the clock.
void expectFollows(const ToneRun& run, const ToneRun& previous, const std::vector<ToneRun>& tones)
{
    if (run.gapBefore)
        EXPECT_GT(run.segment, previous.segment) << describe(tones);
    else
        EXPECT_EQ(run.segment, previous.segment + 1) << describe(tones);
}

// At least this many segments come in order, and every one heard whole lasts the segment's
// length: the sink neither jumped back nor ahead while the device kept playing. On a quiet machine
// all inner segments are heard whole; on one too busy to feed the device, stalls may leave none.
void expectConsecutiveWholeSegments(const std::vector<ToneRun>& tones, const ToneTrack& track, std::size_t atLeast)
{
    ASSERT_GE(tones.size(), atLeast) << describe(tones);
    for (std::size_t i = 1; i < tones.size(); ++i) {
        expectFollows(tones[i], tones[i - 1], tones);
        // Heard from its start to its end without a stall of the device around it.
        const bool heardWhole = i + 1 < tones.size() && !tones[i].gapBefore && !tones[i].gapInside && !tones[i + 1].gapBefore;
        if (heardWhole) {
            EXPECT_NEAR(static_cast<double>(tones[i].frames), track.segmentFrames(), SEGMENT_LENGTH_SHARE * track.segmentFrames())
                << describe(tones);
        }
    }
}

class RecordingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!SinkRecorder::serverAvailable())
            GTEST_SKIP() << "needs the sound server of scripts/test-services.sh (PULSE_SERVER)";
        ASSERT_TRUE(recorder) << "the sound server's monitor delivers nothing";
    }

    SinkRecorder& sound() { return *recorder; }
};

class AudioOutputTest : public RecordingTest, public ::testing::WithParamInterface<Threading>
{
};

// What is heard is the clock's media time: whole segments in order from the clock's one on, and
// after a seek while playing, the rest of the target's segment and then the next one whole. Audio for
// rate 2 arrives resampled to half the samples per media second and plays twice as fast; the sink
// counts each playing second as two media seconds, so it stays with the clock. (Play, pause, seek and
// mute through the whole pipeline are heard in the pipeline suite.)
TEST_P(AudioOutputTest, PlaysTheToneOfTheClocksMediaTimeAtEveryRateAndAfterASeek)
{
    struct Run {
        double rate, start;
        double recordSeconds;  // long enough at rate 1 for the sink to drop audio played over two seconds ago
        double seekTarget, feedFrom, afterSeekSeconds;
        int landing;
        double landedShare, tolerance;  // of a segment's playing time: 23.1 to 23.5 is four fifths
    };
    for (const Run& run : {Run{1.0, 10.0, 2.4, 14.75, 14.5, 1.2, 9, 0.5, 0.2}, Run{2.0, 20.0, 1.3, 23.1, 23.0, 0.8, 6, 0.8, 0.25}}) {
        SCOPED_TRACE(::testing::Message() << "rate " << run.rate);
        AudioOutputRig rig(GetParam());
        rig.setPlaybackRate(run.rate);
        const ToneTrack track(run.start, run.start + 6.0, run.rate);
        rig.seek(run.start);
        rig.feed(track.blocks());
        rig.play();
        ASSERT_TRUE(sound().waitForSound(0.05, REACTION_LIMIT_SECONDS));
        const double clockAtStart = rig.clockTime();
        const std::vector<ToneRun> tones = heardTonesOf(sound().record(run.recordSeconds));
        expectConsecutiveWholeSegments(tones, track, 4);
        // The first tone heard is the clock's, within the latency of the device and the recorder.
        const auto first = std::find_if(tones.begin(), tones.end(), [](const ToneRun& heard) { return heard.segment >= 0; });
        ASSERT_NE(first, tones.end()) << describe(tones);
        EXPECT_GE(first->segment, track.segmentAt(clockAtStart - 0.15 * run.rate)) << describe(tones);
        EXPECT_LE(first->segment, track.segmentAt(clockAtStart + 0.15 * run.rate)) << describe(tones);

        const std::size_t mark = sound().mark();
        rig.seek(run.seekTarget);
        rig.feed(blocksFrom(track.blocks(), run.feedFrom));
        const std::vector<ToneRun> afterSeek = heardTonesOf(sound().recordFrom(mark, run.afterSeekSeconds));
        const auto landed = std::find_if(afterSeek.begin(), afterSeek.end(),
                                         [&run](const ToneRun& heard) { return heard.segment >= run.landing; });
        ASSERT_NE(landed, afterSeek.end()) << describe(afterSeek);
        EXPECT_EQ(landed->segment, run.landing) << describe(afterSeek);
        ASSERT_NE(landed + 1, afterSeek.end()) << describe(afterSeek);
        expectFollows(*(landed + 1), *landed, afterSeek);
        // The landing segment ends when the clock leaves it, the rest of the segment after the seek.
        // Counted from the seek, not from the landing tone's start: a sink slow to react under load
        // starts it later and rightly plays less of it.
        if (!landed->gapInside && !(landed + 1)->gapBefore) {
            EXPECT_NEAR(static_cast<double>(landed->start + landed->frames), run.landedShare * track.segmentFrames(),
                        run.tolerance * track.segmentFrames())
                << describe(afterSeek);
        }
    }
}

TEST_P(AudioOutputTest, VolumeScalesTheSoundAndZeroSilencesItWhileTheFrameTickGoesOn)
{
    AudioOutputRig rig(GetParam());
    rig.feed(ToneTrack(0.0, 6.0).blocks());
    rig.play();
    ASSERT_TRUE(sound().waitForSound(0.05, REACTION_LIMIT_SECONDS));
    const double full = loudnessOf(sound().record(STEADY_SECONDS));

    // Audio already handed to the device keeps its volume; wait until the new one is heard.
    rig.setVolume(0.5);
    ASSERT_TRUE(waitUntil([&] { return loudnessOf(sound().record(0.05)) < 0.75 * full; }, REACTION_LIMIT_MS));
    EXPECT_NEAR(loudnessOf(sound().record(STEADY_SECONDS)) / full, 0.5, 0.05);

    rig.setVolume(0.0);
    ASSERT_TRUE(sound().waitForSilence(0.1, REACTION_LIMIT_SECONDS));
    EXPECT_LE(peakOf(sound().record(STEADY_SECONDS)), 100) << "sound while muted";
}

INSTANTIATE_TEST_SUITE_P(BothThreadingModes, AudioOutputTest, ::testing::Values(Threading::Off, Threading::On),
                         [](const ::testing::TestParamInfo<Threading>& info) {
                             return info.param == Threading::On ? "ThreadingOn" : "ThreadingOff";
                         });

TEST_F(RecordingTest, ThreadedAudioDropsEverythingUntilItHasASink)
{
    const ToneTrack track(0.0, 2.0);
    FFmpeg::ThreadedAudio audio;
    for (const AudioBlock& block : track.blocks())
        audio.bufferAudioData(block.data, block.time);
    audio.setVolume(1.0);
    audio.setPlaybackRate(1.0);
    audio.synchronize(0.0);
    audio.play();
    audio.pause();
    audio.stop();

    audio.createAudio();
    audio.play();
    EXPECT_TRUE(sound().waitForSilence(STEADY_SECONDS, STEADY_SECONDS + 0.1)) << "audio kept from before the sink";

    for (const AudioBlock& block : track.blocks())
        audio.bufferAudioData(block.data, block.time);
    EXPECT_TRUE(sound().waitForSound(STEADY_SECONDS, REACTION_LIMIT_SECONDS));
}

TEST_F(RecordingTest, APlayingSinkGoesOnWhenAudioArrivesAfterRunningDry)
{
    FFmpeg::AudioPlaybackSink sink;
    const std::vector<AudioBlock> blocks = ToneTrack(0.0, 1.5).blocks();
    const auto firstPart = static_cast<std::ptrdiff_t>(blocks.size() / 5);
    for (auto block = blocks.begin(); block != blocks.begin() + firstPart; ++block)
        sink.bufferAudioData(block->data, block->time);
    sink.play();
    ASSERT_TRUE(sound().waitForSound(0.1, REACTION_LIMIT_SECONDS));
    ASSERT_TRUE(sound().waitForSilence(STEADY_SECONDS, REACTION_LIMIT_SECONDS)) << "did not run dry";
    EXPECT_EQ(sink.state(), FFmpeg::AudioPlaybackSink::Playing);

    // Each block asks the output to play; the output that ran dry is restarted on the way.
    for (auto block = blocks.begin() + firstPart; block != blocks.end(); ++block)
        sink.bufferAudioData(block->data, block->time);
    EXPECT_TRUE(sound().waitForSound(STEADY_SECONDS, REACTION_LIMIT_SECONDS)) << "silent after running dry";
}

} // namespace
