// The playback pipeline driving real generated clips, in both threading modes: which pictures it
// delivers for the media clock's time through play, pause, seeks, rate changes and backward play,
// and where it refuses to play.

#include "support/PipelineProbe.h"
#include "support/TestMedia.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using FFmpeg::PlaybackPipeline;
using namespace PipelineTest;

namespace {

struct Clip
{
    const char* name;
    int lastFrame;
};
// Key frames every second and B-frames: a seek lands a few pictures before its target, and the
// decoder holds the last pictures back until it is told the file has ended.
constexpr Clip kClip{"h264_aac.mp4", 74};
// Every picture a key frame.
constexpr Clip kKeyFrameClip{"mjpeg.mov", 49};

class PlaybackPipelineTest : public ::testing::TestWithParam<Threading>
{
};

// Pictures delivered while playing forward, from `first` on: each newer than the one before, and
// none ahead of the clock when it arrived.
void expectInStepWithClock(const std::vector<ShownFrame>& shown, std::size_t first)
{
    ASSERT_LT(first, shown.size());
    for (std::size_t i = first; i < shown.size(); ++i) {
        SCOPED_TRACE("picture " + std::to_string(i) + ", frame " + std::to_string(shown[i].number));
        EXPECT_GE(shown[i].number, 0);
        EXPECT_LE(shown[i].number, TestMedia::frameNumberAt(shown[i].mediaTime));
        if (i > first) {
            EXPECT_GT(shown[i].number, shown[i - 1].number);
        }
    }
}

} // namespace

TEST_P(PlaybackPipelineTest, LoadingReportsWhatTheFileOffersAndPlayRefusesOnlyWhereThereIsNothingToPlay)
{
    PipelineProbe probe(GetParam());
    PlaybackPipeline& pipeline = probe.pipeline();
    for (const char* broken : {"no-such-file.mp4", "empty.mp4", "text.avi"}) {
        SCOPED_TRACE(broken);
        EXPECT_EQ(probe.load(broken), PlaybackPipeline::OpenFailed);
        EXPECT_EQ(pipeline.mediaStatus(), PlaybackPipeline::NoMedia);
        EXPECT_FALSE(threadRunning(QString(broken) + " Decoder"));
        EXPECT_EQ(pipeline.play(), 1);
        EXPECT_EQ(pipeline.seek(1.0), 1);
    }

    EXPECT_EQ(probe.load("tone_stereo_44100.m4a", true), PlaybackPipeline::NoSupportedCodec);
    EXPECT_EQ(pipeline.mediaStatus(), PlaybackPipeline::LoadedMedia);
    EXPECT_FALSE(pipeline.hasValidAudio());
    EXPECT_EQ(pipeline.audioCodecName().left(3).toStdString(), "AAC");
    EXPECT_EQ(pipeline.size(), QSize(-1, -1));

    EXPECT_EQ(probe.load(kClip.name, false), PlaybackPipeline::LoadSucceeded);
    EXPECT_EQ(pipeline.lastLoadError(), PlaybackPipeline::LoadSucceeded);
    EXPECT_EQ(pipeline.mediaStatus(), PlaybackPipeline::LoadedMedia);
    EXPECT_TRUE(pipeline.hasValidAudio());
    EXPECT_TRUE(pipeline.hasValidVideo());
    EXPECT_EQ(pipeline.videoCodecName().left(5).toStdString(), "H.264");
    EXPECT_EQ(pipeline.size(), QSize(160, 96));
    EXPECT_NEAR(pipeline.duration(), 3.0, 0.1);

    probe.states.clear();
    pipeline.setPlaybackRate(0.0);
    EXPECT_EQ(pipeline.play(), 1);
    pipeline.setPlaybackRate(-1.0);
    EXPECT_EQ(pipeline.play(), 1) << "nothing before the start to play backwards";
    EXPECT_TRUE(probe.states.empty());
    pipeline.setPlaybackRate(1.0);
    EXPECT_EQ(pipeline.play(), 0);
    EXPECT_EQ(pipeline.play(), 0);
    EXPECT_EQ(probe.states, std::vector<PlaybackPipeline::PlaybackState>{PlaybackPipeline::Playing});
    EXPECT_EQ(pipeline.stop(), 0);
    EXPECT_EQ(pipeline.playbackState(), PlaybackPipeline::Stopped);

    // Seeks are limited to the media.
    EXPECT_EQ(pipeline.seek(100.0), 0);
    EXPECT_EQ(pipeline.mediaTime(), pipeline.duration());
    EXPECT_EQ(pipeline.play(), 1) << "nothing after the end to play forwards";
    pipeline.setPlaybackRate(-1.0);
    EXPECT_EQ(pipeline.play(), 0);
    EXPECT_EQ(pipeline.stop(), 0);
    EXPECT_EQ(pipeline.seek(-5.0), 0);
    EXPECT_EQ(pipeline.mediaTime(), 0.0);
}

TEST_P(PlaybackPipelineTest, EndOfMediaShowsTheLastPictureIsReportedOnceAndASeekBackPlaysAgain)
{
    for (const auto& [clip, lastFrame, from] : {std::tuple{kKeyFrameClip.name, kKeyFrameClip.lastFrame, 1.5},
                                                std::tuple{kClip.name, kClip.lastFrame, 2.5}}) {
        SCOPED_TRACE(clip);
        PipelineProbe probe(GetParam());
        PlaybackPipeline& pipeline = probe.pipeline();
        ASSERT_EQ(probe.load(clip), PlaybackPipeline::LoadSucceeded);
        ASSERT_EQ(pipeline.seek(from), 0);
        probe.statuses.clear();
        ASSERT_EQ(pipeline.play(), 0);

        ASSERT_TRUE(probe.waitUntil([&] { return pipeline.mediaStatus() == PlaybackPipeline::EndOfMedia; }));
        EXPECT_EQ(pipeline.playbackState(), PlaybackPipeline::Stopped);
        EXPECT_EQ(pipeline.mediaTime(), pipeline.duration());
        EXPECT_TRUE(probe.waitForShown(lastFrame));
        QSignalSpy laterStatuses(&pipeline, &PlaybackPipeline::mediaStatusChanged);
        EXPECT_FALSE(laterStatuses.wait(300));
        EXPECT_EQ(probe.statuses, std::vector<PlaybackPipeline::MediaStatus>{PlaybackPipeline::EndOfMedia});
        EXPECT_EQ(pipeline.play(), 1);

        EXPECT_EQ(pipeline.seek(0.0), 0);
        EXPECT_EQ(pipeline.mediaStatus(), PlaybackPipeline::LoadedMedia);
        const int firstPicture = TestMedia::pictureAfterSeekRun(clip, 0.0);
        if (firstPicture >= 0) {
            ASSERT_TRUE(probe.waitForShown(firstPicture));
        }
        const std::size_t firstPlayed = probe.shown.size();
        EXPECT_EQ(pipeline.play(), 0);
        ASSERT_TRUE(probe.waitForMediaTime(0.5));
        pipeline.stop();
        EXPECT_TRUE(probe.waitForPictureOfClock(lastFrame));
        expectInStepWithClock(probe.shown, firstPlayed);
    }
}

TEST_P(PlaybackPipelineTest, PicturesFollowTheClockThroughSeeksPauseAndRateChanges)
{
    for (const Clip& clip : {kClip, kKeyFrameClip}) {
        SCOPED_TRACE(clip.name);
        PipelineProbe probe(GetParam());
        PlaybackPipeline& pipeline = probe.pipeline();
        ASSERT_EQ(probe.load(clip.name), PlaybackPipeline::LoadSucceeded);
        for (double target : {1.5, 0.5}) {
            SCOPED_TRACE("paused seek to " + std::to_string(target));
            EXPECT_EQ(pipeline.seek(target), 0);
            EXPECT_EQ(pipeline.mediaTime(), target);
            EXPECT_EQ(pipeline.playbackState(), PlaybackPipeline::Stopped);
            EXPECT_TRUE(probe.waitForShown(TestMedia::pictureAfterSeekRun(clip.name, target)));
        }

        const std::size_t firstPlayed = probe.shown.size();
        ASSERT_EQ(pipeline.play(), 0);
        ASSERT_TRUE(probe.waitForMediaTime(0.6));
        pipeline.stop();
        const double pausedAt = pipeline.mediaTime();
        EXPECT_TRUE(probe.waitForPictureOfClock(clip.lastFrame));
        EXPECT_EQ(pipeline.mediaTime(), pausedAt) << "the clock holds still while paused";
        ASSERT_EQ(pipeline.play(), 0);
        EXPECT_GE(pipeline.mediaTime(), pausedAt);
        ASSERT_TRUE(probe.waitForMediaTime(pausedAt + 0.2));
        expectInStepWithClock(probe.shown, firstPlayed);

        EXPECT_EQ(pipeline.seek(1.2), 0);
        EXPECT_EQ(pipeline.playbackState(), PlaybackPipeline::Playing);
        EXPECT_GE(pipeline.mediaTime(), 1.2);
        ASSERT_TRUE(probe.waitForMediaTime(1.3));
        const std::size_t afterSeek = probe.shown.size();
        pipeline.setPlaybackRate(2.0);
        EXPECT_EQ(pipeline.playbackState(), PlaybackPipeline::Playing);
        ASSERT_TRUE(probe.waitForMediaTime(1.6));
        pipeline.stop();
        EXPECT_TRUE(probe.waitForPictureOfClock(clip.lastFrame));
        pipeline.setPlaybackRate(0.5);
        const double slowFrom = pipeline.mediaTime();
        ASSERT_EQ(pipeline.play(), 0);
        ASSERT_TRUE(probe.waitForMediaTime(slowFrom + 0.2));
        pipeline.stop();
        EXPECT_TRUE(probe.waitForPictureOfClock(clip.lastFrame));
        expectInStepWithClock(probe.shown, afterSeek);
    }
}

TEST_P(PlaybackPipelineTest, BackwardPlayShowsEarlierPicturesUntilTheStart)
{
    PipelineProbe probe(GetParam());
    PlaybackPipeline& pipeline = probe.pipeline();
    ASSERT_EQ(probe.load(kKeyFrameClip.name), PlaybackPipeline::LoadSucceeded);
    ASSERT_EQ(pipeline.seek(1.2), 0);
    ASSERT_TRUE(probe.waitForShown(TestMedia::pictureAfterSeekRun(kKeyFrameClip.name, 1.2)));
    const std::size_t first = probe.shown.size();

    pipeline.setPlaybackRate(-1.0);
    ASSERT_EQ(pipeline.play(), 0);
    ASSERT_TRUE(probe.waitUntil([&] { return pipeline.playbackState() == PlaybackPipeline::Stopped; }));
    EXPECT_EQ(pipeline.mediaTime(), 0.0);
    EXPECT_EQ(pipeline.play(), 1);

    // Each tick's seek shows the picture of a time the clock has not yet gone below.
    ASSERT_GT(probe.shown.size(), first + 5);
    for (std::size_t i = first; i < probe.shown.size(); ++i) {
        const ShownFrame& frame = probe.shown[i];
        SCOPED_TRACE("picture " + std::to_string(i) + ", frame " + std::to_string(frame.number));
        EXPECT_GE(frame.number, TestMedia::frameNumberAt(frame.mediaTime));
        EXPECT_LE(frame.number, probe.shown[i - 1].number);
    }
}

INSTANTIATE_TEST_SUITE_P(BothThreadingModes, PlaybackPipelineTest, ::testing::Values(Threading::Off, Threading::On),
                         [](const auto& info) { return nameOf(info.param); });
