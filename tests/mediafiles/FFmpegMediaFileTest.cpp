// What a video media file reports for every way loading can end, and how it passes its controls
// on to its playback pipeline: the seek-within-delta rule, the volume mapping, and the flags that
// take effect at the next load. Clips are the generated ones; the pipeline is the real one.

#include "media/FFmpegOsgMultimediaFile.h"
#include "support/MediaFiles.h"
#include "support/NotifyCapture.h"
#include "support/SignalLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using FFmpeg::PlaybackPipeline;
using MediaFileTest::SignalLog;
using MediaFileTest::pipelineOf;
using MediaFileTest::urlOf;
using MediaPlayer2::FFmpegOsgMultimediaFile;

namespace {

constexpr int kErrorSeverity = 2;
constexpr int kWarningSeverity = 3;

using Signals = std::vector<std::string>;

} // namespace

TEST(FFmpegMediaFile, EveryLoadOutcomeHasItsMessageSignalsAndQuad)
{
    const std::string unopenable = ": Unable to open file.\n";
    const std::string noCodecs = ": No supported audio or video codecs.\n   Video Codec: ";
    const Signals openFailed{"error(1)", "loadingComplete"};
    const Signals noCodec{"error(2)", "loadingComplete"};
    const Signals loaded{"loadingComplete"};
    struct Case
    {
        std::string name;
        int notifyLevel;
        std::string message;  // after the file's name
        Signals signalNames;
        PlaybackPipeline::LoadError result;
        QSize size;
        double duration;
    };
    const Case cases[] = {
        {"no-such-file.mp4", kWarningSeverity, unopenable, openFailed, PlaybackPipeline::OpenFailed, {-1, -1}, 0},
        {"empty.mp4", kWarningSeverity, unopenable, openFailed, PlaybackPipeline::OpenFailed, {-1, -1}, 0},
        {"text.avi", kWarningSeverity, unopenable, openFailed, PlaybackPipeline::OpenFailed, {-1, -1}, 0},
        {"random.mp4", kWarningSeverity, unopenable, openFailed, PlaybackPipeline::OpenFailed, {-1, -1}, 0},
        // Messages appear only when their severity is enabled.
        {"no-such-file.mp4", kErrorSeverity - 1, "", openFailed, PlaybackPipeline::OpenFailed, {-1, -1}, 0},
        {"tone_stereo_44100.mp3", kErrorSeverity, noCodecs + "\n   Audio Codec: MP3 (MPEG audio layer 3)\n", noCodec,
         PlaybackPipeline::NoSupportedCodec, {-1, -1}, 2.0},
        // The sound beside pictures no decoder reads is not even tried: the file loads pictures only.
        {"avs2_mp3.avi", kWarningSeverity, noCodecs + "AVS2-P2/IEEE1857.4\n   Audio Codec: MP3 (MPEG audio layer 3)\n",
         noCodec, PlaybackPipeline::NoSupportedCodec, {-1, -1}, 2.0},
        // ... so sound no decoder reads goes unnoticed.
        {"mjpeg_mpegh.mov", 7, "", loaded, PlaybackPipeline::LoadSucceeded, {160, 96}, 2.0},
        // With and without sound, and a file cut short whose index still opens.
        {"h264_aac.mp4", 7, "", loaded, PlaybackPipeline::LoadSucceeded, {160, 96}, 3.0},
        {"mjpeg.mov", 7, "", loaded, PlaybackPipeline::LoadSucceeded, {160, 96}, 2.0},
        {"vp9_opus.webm", 7, "", loaded, PlaybackPipeline::LoadSucceeded, {160, 96}, 2.0},
        {"truncated.mp4", 7, "", loaded, PlaybackPipeline::LoadSucceeded, {160, 96}, 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " at notify level " + std::to_string(c.notifyLevel));
        FFmpegOsgMultimediaFile file;
        SignalLog log(file);
        testsupport::NotifyCapture capture(c.notifyLevel);
        file.setMedia(urlOf(c.name));
        EXPECT_EQ(capture.text(), c.message.empty() ? "" : c.name + c.message);
        EXPECT_EQ(log.signalNames, c.signalNames);
        EXPECT_TRUE(file.isLoadingComplete());
        const bool opened = c.result != PlaybackPipeline::OpenFailed;
        EXPECT_EQ(file.mediaStatus(), opened ? QMediaPlayer::LoadedMedia : QMediaPlayer::NoMedia);
        EXPECT_EQ(file.hasDuration(), opened);
        EXPECT_NEAR(file.duration(), c.duration, 0.1);
        EXPECT_EQ(file.nativeSize(), c.size);
        EXPECT_EQ(file.outputWidget(), nullptr);
        // A quad of -1 by -1 holds no pixels.
        const auto* quad = dynamic_cast<const MediaPlayer2::VideoQuad*>(file.outputNode());
        ASSERT_NE(quad, nullptr);
        EXPECT_EQ(quad->image()->s(), std::max(c.size.width(), 0));
        EXPECT_EQ(quad->image()->t(), std::max(c.size.height(), 0));
        ASSERT_NE(pipelineOf(file), nullptr);
        EXPECT_EQ(pipelineOf(file)->lastLoadError(), c.result);
        EXPECT_FALSE(pipelineOf(file)->hasValidAudio()) << "the scene-graph file never decodes sound";
        if (!opened) {
            EXPECT_EQ(file.seekTo(1.0, 0.0), 1);
        }
        file.play();
        file.pause();
    }
}

TEST(FFmpegMediaFile, SeeksOnlyWhenTheMediaIsFurtherThanTheAllowedDeltaFromThePosition)
{
    FFmpegOsgMultimediaFile file;
    file.setMedia(urlOf("h264_aac.mp4"));
    PlaybackPipeline* pipeline = pipelineOf(file);
    ASSERT_NE(pipeline, nullptr);
    // Times that binary fractions hold exactly, so that the edge of the delta is exact too.
    ASSERT_EQ(file.seekTo(2.25, 0.0), 0);
    struct Step
    {
        double position;
        double delta;
        double expected;
        const char* why;
    };
    for (const Step& step : {Step{2.0, 0.5, 2.25, "within the delta"}, Step{2.25, 0.0, 2.25, "at the position"},
                             Step{1.75, 0.5, 2.25, "at the delta's edge, which counts as within"},
                             Step{1.625, 0.5, 1.625, "beyond the delta"},
                             Step{2.25, 0.5, 2.25, "beyond the delta, forwards"}}) {
        EXPECT_EQ(file.seekTo(step.position, step.delta), 0);
        EXPECT_EQ(pipeline->mediaTime(), step.expected) << step.why;
    }
}

TEST(FFmpegMediaFile, ControlsAreHarmlessBeforeLoadingThenReachThePipelineAndEachLoadStartsANewOne)
{
    FFmpegOsgMultimediaFile file;
    SignalLog log(file);
    EXPECT_EQ(file.nativeSize(), QSize(320, 240));
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::NoMedia);
    EXPECT_FALSE(file.isLoadingComplete());
    EXPECT_FALSE(file.hasDuration());
    EXPECT_EQ(file.outputNode(), nullptr);
    EXPECT_EQ(file.seekTo(1.0, 0.0), 1);
    file.setPlaybackRate(2.0);
    file.setVolume(50);
    file.setMuted(true);
    file.play();
    file.pause();
    file.show();
    EXPECT_EQ(log.signalNames, Signals{"mediaPlaying"});
    EXPECT_EQ(log.lastOutputWidget, nullptr);

    file.setMuted(false);
    file.setThreadingEnabled(false);
    file.setAudioOnlyInRealTime(false);
    file.setMedia(urlOf("h264_aac.mp4"));
    ASSERT_EQ(file.findChildren<PlaybackPipeline*>().size(), 1);
    PlaybackPipeline* pipeline = pipelineOf(file);
    EXPECT_FALSE(pipeline->isThreadingEnabled());
    EXPECT_FALSE(pipeline->audioOnlyInRealTime());
    file.setAudioOnlyInRealTime(true);
    EXPECT_TRUE(pipeline->audioOnlyInRealTime()) << "passed on at once";

    // Volume in percent and mute reach the pipeline as one gain.
    file.setVolume(50);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.5);
    file.setMuted(true);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.0);
    file.setVolume(80);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.0) << "muted";
    file.setMuted(false);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.8);
    file.setVolume(30);

    const osg::ref_ptr<osg::Node> firstQuad = file.outputNode();
    file.setThreadingEnabled(true);
    EXPECT_FALSE(pipeline->isThreadingEnabled()) << "only from the next load";
    file.setMedia(urlOf("mjpeg.mov"));
    ASSERT_EQ(file.findChildren<PlaybackPipeline*>().size(), 1);
    pipeline = pipelineOf(file);
    EXPECT_TRUE(pipeline->isThreadingEnabled());
    EXPECT_NE(file.outputNode(), firstQuad.get()) << "a quad for each load";
    EXPECT_DOUBLE_EQ(pipeline->volume(), 1.0) << "full volume until the next change";
    file.setMuted(false);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.3);
}
