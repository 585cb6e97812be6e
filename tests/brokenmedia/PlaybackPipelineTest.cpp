// Damaged copies of every generated clip through the playback pipeline, sound included: each
// loads, plays, seeks and closes safely, its load result agrees with the streams it left usable and
// the statuses announced, and a copy cut after its header still delivers the pictures it holds and
// ends once.

#include "support/BrokenFiles.h"
#include "support/MediaFileRun.h"
#include "support/PipelineProbe.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace BrokenMedia;
using FFmpeg::PlaybackPipeline;
using PipelineTest::PipelineProbe;
using PipelineTest::Threading;

namespace {

using Statuses = std::vector<PlaybackPipeline::MediaStatus>;

using BrokenClipInPipeline = BrokenClipTest;

// The streams left to play are the ones the load result names.
void expectStreamsOf(const PlaybackPipeline& pipeline, PlaybackPipeline::LoadError result)
{
    const bool audio = pipeline.hasValidAudio();
    const bool video = pipeline.hasValidVideo();
    EXPECT_EQ(pipeline.size().isValid(), video);
    switch (result) {
    case PlaybackPipeline::LoadSucceeded:
        EXPECT_TRUE(audio || video);
        break;
    case PlaybackPipeline::OpenFailed:
    case PlaybackPipeline::NoSupportedCodec:
        EXPECT_FALSE(audio || video);
        break;
    case PlaybackPipeline::UnsupportedVideoCodec:
        EXPECT_TRUE(audio && !video);
        break;
    case PlaybackPipeline::UnsupportedAudioCodec:
        EXPECT_TRUE(video && !audio);
        break;
    }
}

void loadPlaySeekAndClose(const BrokenFile& broken, Threading threading)
{
    SCOPED_TRACE(broken.description() + ", " + PipelineTest::nameOf(threading));
    ASSERT_FALSE(broken.path.isEmpty());
    PipelineProbe probe(threading);
    PlaybackPipeline& pipeline = probe.pipeline();
    const PlaybackPipeline::LoadError result = pipeline.loadFile(broken.path, false);
    SCOPED_TRACE("load result " + std::to_string(result));
    const bool opened = result != PlaybackPipeline::OpenFailed;
    EXPECT_EQ(pipeline.lastLoadError(), result);
    const Statuses announced = opened ? Statuses{PlaybackPipeline::NoMedia, PlaybackPipeline::LoadedMedia}
                                      : Statuses{PlaybackPipeline::NoMedia};
    EXPECT_EQ(probe.statuses, announced);
    expectStreamsOf(pipeline, result);
    probe.statuses.clear();

    const double middle = pipeline.duration() / 2;
    EXPECT_EQ(pipeline.play(), opened && pipeline.duration() > 0.0 ? 0 : 1);
    ASSERT_TRUE(playsUntil(pipeline, kPlaySeconds)) << "hangs playing from the start";
    EXPECT_EQ(pipeline.seek(middle), opened ? 0 : 1);
    ASSERT_TRUE(playsUntil(pipeline, middle + kPlaySeconds)) << "hangs playing from the middle";
    pipeline.stop();
    EXPECT_EQ(pipeline.seek(0.0), opened ? 0 : 1);
    // Deliveries the seeks set off are under way while the pipeline closes.

    // The pipeline never judges media invalid by itself; it ends at most once per play.
    EXPECT_LE(std::count(probe.statuses.begin(), probe.statuses.end(), PlaybackPipeline::EndOfMedia), 2);
    EXPECT_EQ(std::count(probe.statuses.begin(), probe.statuses.end(), PlaybackPipeline::InvalidMedia), 0);
    probe.destroyPipeline();
}

} // namespace

// The media files play with a decoder thread; here the cut copies play with one, and the copies
// with changed bytes without, all stages in this thread.
TEST_P(BrokenClipInPipeline, CopiesCutAnywhereOrWithChangedBytesLoadPlaySeekAndCloseSafelyInBothThreadingModes)
{
    for (const BrokenFile& broken : maker.truncatedSpread(GetParam().name))
        loadPlaySeekAndClose(broken, Threading::On);
    for (const BrokenFile& broken : maker.noisySpread(GetParam().name))
        loadPlaySeekAndClose(broken, Threading::Off);
}

TEST_P(BrokenClipInPipeline, ACopyCutAtSixtyPercentDeliversThePicturesItHoldsAndEndsOnce)
{
    const Clip& clip = GetParam();
    const BrokenFile broken = maker.truncatedAt(clip.name, 0.6);
    SCOPED_TRACE(broken.description());
    PipelineProbe probe(Threading::On);
    PlaybackPipeline& pipeline = probe.pipeline();
    const PlaybackPipeline::LoadError result = pipeline.loadFile(broken.path, false);
    if (!clip.opensWhenCut) {
        EXPECT_EQ(result, PlaybackPipeline::OpenFailed) << "opened without its index";
        return;
    }
    ASSERT_NE(result, PlaybackPipeline::OpenFailed);
    if (pipeline.duration() <= 0.0) {
        // A raw stream tells no length, so there is nothing to play.
        EXPECT_EQ(pipeline.play(), 1);
        return;
    }

    // Pictures no decoder reads are not held for this.
    const int lastHeld = pipeline.hasValidVideo() ? lastPictureIn(broken.path) : -1;
    if (pipeline.hasValidVideo()) {
        ASSERT_GE(lastHeld, 0) << "no pictures left";
    }
    ASSERT_EQ(pipeline.seek(leadInTo(lastHeld, pipeline.duration())), 0);
    probe.statuses.clear();
    ASSERT_EQ(pipeline.play(), 0);
    const auto ends = [&] {
        return std::count(probe.statuses.begin(), probe.statuses.end(), PlaybackPipeline::EndOfMedia);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return ends() > 0; }, kHangGuardMs)) << "never ends";
    if (lastHeld >= 0)
        expectPicturesUpTo(lastHeld, [&] {
            int latest = -1;
            for (const PipelineTest::ShownFrame& frame : probe.shown)
                latest = std::max(latest, frame.number);
            return latest;
        });
    EXPECT_EQ(ends(), 1);
    EXPECT_EQ(pipeline.mediaStatus(), PlaybackPipeline::EndOfMedia);
}

INSTANTIATE_TEST_SUITE_P(GeneratedClips, BrokenClipInPipeline, ::testing::ValuesIn(generatedClips()), testNameOf);
