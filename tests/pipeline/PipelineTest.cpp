#include "ffmpeg/FrameStore.h"
#include "ffmpeg/PlaybackPipeline.h"
#include "support/PipelineRun.h"
#include "support/TestMedia.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>

using FFmpeg::PlaybackPipeline;
using testsupport::PipelineRun;

namespace {

struct Clip {
    const char* name;
    int lastFrame;
};
// Key frames every second and B-frames: a seek lands a few pictures before its target, and the
// decoder holds the last pictures back until it is told the file has ended.
constexpr Clip kReordered{"h264_aac.mp4", 74};
constexpr Clip kIntraOnly{"mjpeg.mov", 49};

class Pipeline : public ::testing::TestWithParam<bool> {};

/// Pictures delivered while playing forward from `first` on: each newer than the one before and
/// none ahead of the clock when it arrived.
void expectInStepWithClock(const PipelineRun& run, std::size_t first)
{
    ASSERT_LT(first, run.shown.size());
    for (std::size_t i = first; i < run.shown.size(); ++i) {
        EXPECT_LE(run.shown[i].number, TestMedia::frameAt(run.shown[i].mediaTime)) << i;
        if (i > first) {
            EXPECT_GT(run.shown[i].number, run.shown[i - 1].number) << i;
        }
    }
}

}  // namespace

TEST_P(Pipeline, LoadingReportsWhatTheFileOffersAndPlayIsRefusedOnlyWhereThereIsNothingToPlay)
{
    PipelineRun run(GetParam());
    PlaybackPipeline& pipeline = run.pipeline;
    for (const char* broken : {"no-such-file.mp4", "empty.mp4", "text.avi"}) {
        EXPECT_EQ(run.load(broken), PlaybackPipeline::OpenFailed) << broken;
        EXPECT_EQ(pipeline.mediaStatus(), PlaybackPipeline::NoMedia);
        EXPECT_FALSE(testsupport::threadRunning(QString(broken) + " Decoder"));
        EXPECT_EQ(pipeline.play() + pipeline.seek(1.0), 2);
    }
    EXPECT_EQ(run.load("tone_stereo_44100.m4a"), PlaybackPipeline::NoSupportedCodec);
    EXPECT_EQ(run.load("avs2_mp3.avi", false), PlaybackPipeline::UnsupportedVideoCodec);
    EXPECT_TRUE(pipeline.hasValidAudio() && !pipeline.hasValidVideo() && pipeline.size() == QSize(-1, -1));
    ASSERT_EQ(run.load(kReordered.name, false), PlaybackPipeline::LoadSucceeded);
    EXPECT_EQ(pipeline.size(), QSize(160, 96));
    EXPECT_NEAR(pipeline.duration(), 3.0, 0.1);
    for (double rate : {0.0, -1.0}) {  // nothing before the start to play backwards
        pipeline.setPlaybackRate(rate);
        EXPECT_EQ(pipeline.play(), 1) << rate;
    }
    pipeline.setPlaybackRate(1.0);
    EXPECT_EQ(pipeline.play() + pipeline.play(), 0);
    EXPECT_EQ(run.states, std::vector<PlaybackPipeline::PlaybackState>{PlaybackPipeline::Playing});
    EXPECT_EQ(pipeline.stop() + pipeline.seek(100.0), 0);
    EXPECT_EQ(pipeline.mediaTime(), pipeline.duration());
    EXPECT_EQ(pipeline.play(), 1) << "nothing after the end to play forwards";
    EXPECT_EQ(pipeline.seek(-5.0), 0);
    EXPECT_EQ(pipeline.mediaTime(), 0.0);
}

TEST_P(Pipeline, PicturesFollowTheClockThroughSeeksPausesRatesAndTheEnd)
{
    for (const Clip& clip : {kReordered, kIntraOnly}) {
        SCOPED_TRACE(clip.name);
        PipelineRun run(GetParam());
        PlaybackPipeline& pipeline = run.pipeline;
        ASSERT_EQ(run.load(clip.name), PlaybackPipeline::LoadSucceeded);
        for (double target : {1.5, 0.5}) {
            EXPECT_EQ(pipeline.seek(target), 0);
            EXPECT_EQ(pipeline.mediaTime(), target);
            EXPECT_TRUE(run.waitForShown(TestMedia::frameAt(target))) << target;
        }
        std::size_t first = run.shown.size();
        ASSERT_EQ(pipeline.play(), 0);
        ASSERT_TRUE(run.waitForMediaTime(0.7));
        pipeline.stop();
        const double pausedAt = pipeline.mediaTime();
        EXPECT_TRUE(run.waitForShown(TestMedia::frameAt(pausedAt, clip.lastFrame)));
        EXPECT_EQ(pipeline.mediaTime(), pausedAt) << "the clock holds still while paused";
        ASSERT_EQ(pipeline.play(), 0);
        ASSERT_TRUE(run.waitForMediaTime(pausedAt + 0.1));
        expectInStepWithClock(run, first);
        EXPECT_EQ(pipeline.seek(1.2), 0);
        EXPECT_EQ(pipeline.playbackState(), PlaybackPipeline::Playing);
        ASSERT_TRUE(run.waitForMediaTime(1.3));
        first = run.shown.size();
        pipeline.setPlaybackRate(2.0);
        ASSERT_TRUE(run.waitForMediaTime(1.7));
        pipeline.setPlaybackRate(0.5);
        const double slowFrom = pipeline.mediaTime();
        ASSERT_TRUE(run.waitForMediaTime(slowFrom + 0.1));
        // Slower still, after a jump back as a looping clock makes: pictures are decoded as the clock
        // comes to them, not as far as packets are read, and none stay from before the jump.
        pipeline.setPlaybackRate(0.1);
        EXPECT_EQ(pipeline.seek(0.3), 0);
        EXPECT_TRUE(run.waitForShown(TestMedia::frameAt(0.3)));
        first = run.shown.size();
        const double slowerFrom = pipeline.mediaTime();
        int mostHeld = 0;
        double furthestRead = 0.0;
        ASSERT_TRUE(TestMedia::waitUntil([&] {
            mostHeld = std::max(mostHeld, pipeline.heldPictures());
            furthestRead = std::max(furthestRead, pipeline.readTime() - pipeline.mediaTime());
            return pipeline.mediaTime() >= slowerFrom + 0.1;
        }));
        EXPECT_LE(mostHeld, 4) << "the picture, the next one, and two on their way";
        EXPECT_LE(furthestRead, 2.0) << "a second of packets, and what the frame store asks beyond";
        expectInStepWithClock(run, first);

        // The end: reported once, with the last picture shown, however the decoder reorders.
        pipeline.setPlaybackRate(1.0);
        pipeline.seek(pipeline.duration() - 0.5);
        run.statuses.clear();
        ASSERT_TRUE(TestMedia::waitUntil([&] { return pipeline.mediaStatus() == PlaybackPipeline::EndOfMedia; }));
        EXPECT_EQ(pipeline.playbackState(), PlaybackPipeline::Stopped);
        EXPECT_TRUE(run.waitForShown(clip.lastFrame));
        TestMedia::runEventsFor(200);
        EXPECT_EQ(run.statuses, std::vector<PlaybackPipeline::MediaStatus>{PlaybackPipeline::EndOfMedia});
        EXPECT_EQ(pipeline.play(), 1);
    }
}

TEST_P(Pipeline, BackwardPlayShowsEarlierPicturesUntilTheStart)
{
    for (const Clip& clip : {kReordered, kIntraOnly}) {
        SCOPED_TRACE(clip.name);
        PipelineRun run(GetParam());
        ASSERT_EQ(run.load(clip.name), PlaybackPipeline::LoadSucceeded);
        ASSERT_EQ(run.pipeline.seek(2.3), 0);
        ASSERT_TRUE(run.waitForShown(TestMedia::frameAt(2.3, clip.lastFrame)));
        const std::size_t first = run.shown.size();
        run.pipeline.setPlaybackRate(-1.0);
        ASSERT_EQ(run.pipeline.play(), 0);
        ASSERT_TRUE(TestMedia::waitUntil([&] { return run.pipeline.playbackState() == PlaybackPipeline::Stopped; }));
        EXPECT_EQ(run.pipeline.mediaTime(), 0.0);
        EXPECT_TRUE(run.waitForShown(0));
        ASSERT_GT(run.shown.size(), first + 5);
        for (std::size_t i = first; i < run.shown.size(); ++i) {
            EXPECT_GE(run.shown[i].number, TestMedia::frameAt(run.shown[i].mediaTime)) << i;
            EXPECT_LT(run.shown[i].number, run.shown[i - 1].number) << i;
        }
    }
}

TEST_P(Pipeline, ClosingOrDestroyingEndsTheDecoderThreadWhateverItIsDoing)
{
    QTemporaryDir folder;
    const QString copy = folder.filePath("shutdown.mp4");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(TestMedia::path(kReordered.name)), copy));
    const auto threadRuns = [] { return testsupport::threadRunning("shutdown.mp4 Decoder"); };
    const std::vector<std::function<void(PlaybackPipeline&)>> moments{
        [](PlaybackPipeline&) {},
        [](PlaybackPipeline& p) { p.play(); },
        [](PlaybackPipeline& p) { p.play(); p.seek(2.0); },
        // The seek finishes meanwhile; its picture waits in this thread's queue and must not reach
        // the next file.
        [](PlaybackPipeline& p) { p.seek(1.5); QThread::msleep(200); },
        [](PlaybackPipeline& p) { p.setBufferDuration(1000.0); p.play(); },
    };
    auto run = std::make_unique<PipelineRun>(GetParam());
    for (const auto& moment : moments) {
        ASSERT_EQ(run->pipeline.loadFile(copy, false), PlaybackPipeline::LoadSucceeded);
        EXPECT_TRUE(GetParam() ? TestMedia::waitUntil(threadRuns) : !threadRuns());
        moment(run->pipeline);
        QSignalSpy pictures(&run->pipeline, &PlaybackPipeline::videoFrameReady);
        EXPECT_EQ(run->pipeline.close(), 0);
        EXPECT_EQ(run->pipeline.mediaStatus(), PlaybackPipeline::NoMedia);
        EXPECT_TRUE(TestMedia::waitUntil([&] { return !threadRuns(); }));
        EXPECT_FALSE(pictures.wait(300)) << "a picture of the closed file arrived";
        run->pipeline.setBufferDuration(3.0);
    }
    ASSERT_EQ(run->pipeline.loadFile(copy, false), PlaybackPipeline::LoadSucceeded);
    run->pipeline.play();
    run.reset();
    EXPECT_TRUE(TestMedia::waitUntil([&] { return !threadRuns(); }));
}

INSTANTIATE_TEST_SUITE_P(Threading, Pipeline, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "On" : "Off"; });
