// Damaged copies of every generated clip through the scene-graph video media file, as a playlist
// would drive it: each loads, plays, seeks and closes safely and reports what its load result
// calls for. A copy cut after its header still shows the pictures it holds and ends once.

#include "support/BrokenFiles.h"
#include "support/ImageFrames.h"
#include "support/MediaFileRun.h"
#include "support/MediaFiles.h"
#include "support/NotifyCapture.h"
#include "support/SignalLog.h"

#include "media/FFmpegOsgMultimediaFile.h"
#include "media/VideoQuad.h"

#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace BrokenMedia;
using MediaFileTest::pipelineOf;
using FFmpeg::PlaybackPipeline;
using MediaPlayer2::FFmpegOsgMultimediaFile;

using BrokenClipInSceneGraph = BrokenClipTest;

TEST_P(BrokenClipInSceneGraph, CopiesCutAnywhereOrWithChangedBytesReportTheirLoadAndPlaySeekAndCloseSafely)
{
    std::vector<BrokenFile> copies = maker.truncatedSpread(GetParam().name);
    for (const BrokenFile& noisy : maker.noisySpread(GetParam().name))
        copies.push_back(noisy);
    for (const BrokenFile& broken : copies) {
        FFmpegOsgMultimediaFile file;
        // Every message the file writes, so that nothing is written beyond what its load calls for.
        loadPlaySeekAndCheck(file, broken, 7);
    }
}

TEST_P(BrokenClipInSceneGraph, ACopyCutAtSixtyPercentShowsThePicturesItHoldsAndEndsOnce)
{
    const Clip& clip = GetParam();
    const BrokenFile broken = maker.truncatedAt(clip.name, 0.6);
    SCOPED_TRACE(broken.description());
    FFmpegOsgMultimediaFile file;
    MediaFileTest::SignalLog log(file);
    {
        // Its report is checked with the other cuts.
        testsupport::NotifyCapture quiet(kErrorLevel - 1);
        file.setMedia(QUrl::fromLocalFile(broken.path));
    }
    if (!clip.opensWhenCut) {
        EXPECT_EQ(file.mediaStatus(), QMediaPlayer::NoMedia) << "opened without its index";
        return;
    }
    ASSERT_EQ(file.mediaStatus(), QMediaPlayer::LoadedMedia);
    const PlaybackPipeline* pipeline = pipelineOf(file);
    ASSERT_NE(pipeline, nullptr);
    if (file.duration() <= 0.0) {
        // A raw stream tells no length, so there is nothing to play.
        file.play();
        EXPECT_EQ(pipeline->playbackState(), PlaybackPipeline::Stopped);
        return;
    }

    // Pictures no decoder reads are not held for this.
    const int lastHeld = pipeline->hasValidVideo() ? lastPictureIn(broken.path) : -1;
    if (pipeline->hasValidVideo()) {
        ASSERT_GE(lastHeld, 0) << "no pictures left";
    }
    auto* quad = dynamic_cast<MediaPlayer2::VideoQuad*>(file.outputNode());
    ASSERT_NE(quad, nullptr);
    osg::ref_ptr<MediaFileTest::FrameLog> frames = new MediaFileTest::FrameLog;
    quad->image()->setModifiedCallback(frames);

    ASSERT_EQ(file.seekTo(leadInTo(lastHeld, file.duration()), 0.0), 0);
    log.signalNames.clear();
    file.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.signalNames.empty(); }, kHangGuardMs)) << "never ends";
    if (lastHeld >= 0)
        expectPicturesUpTo(lastHeld, [&] {
            const std::vector<int>& shown = frames->frames();
            return shown.empty() ? -1 : *std::max_element(shown.begin(), shown.end());
        });
    EXPECT_EQ(log.signalNames, std::vector<std::string>{"endOfMedia"});
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::EndOfMedia);
}

INSTANTIATE_TEST_SUITE_P(GeneratedClips, BrokenClipInSceneGraph, ::testing::ValuesIn(generatedClips()), testNameOf);
