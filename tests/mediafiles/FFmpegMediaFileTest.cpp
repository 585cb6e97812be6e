// What a video media file reports for every way loading can end, and how it passes its controls
// on to its playback pipeline: the seek-within-delta rule, the volume mapping, and the flags that
// take effect at the next load. Clips are the generated ones; the pipeline is the real one, found
// as the media file's Qt child.

#include "ffmpeg/FormatContext.h"
#include "ffmpeg/PlaybackPipeline.h"
#include "media/FFmpegOsgMultimediaFile.h"
#include "support/NotifyCapture.h"
#include "support/SignalLog.h"
#include "support/TestMedia.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using FFmpeg::PlaybackPipeline;
using MediaFileTest::SignalLog;
using MediaPlayer2::FFmpegOsgMultimediaFile;

namespace {

constexpr int kErrorSeverity = 2;
constexpr int kWarningSeverity = 3;

using Signals = std::vector<std::string>;

QUrl urlOf(const std::string& mediaName)
{
    return QUrl::fromLocalFile(QString::fromStdString(TestMedia::path(mediaName)));
}

PlaybackPipeline* pipelineOf(const QObject& file)
{
    return file.findChild<PlaybackPipeline*>(QString(), Qt::FindDirectChildrenOnly);
}

std::string audioCodecNameOf(const std::string& mediaName)
{
    FFmpeg::FormatContext context;
    if (context.open(TestMedia::path(mediaName)) != 0)
        return "?";
    return context.codecName(static_cast<unsigned>(context.findBestStream(AVMEDIA_TYPE_AUDIO)));
}

struct LoadOutcome
{
    std::string messages;
    Signals signalNames;
};

LoadOutcome load(FFmpegOsgMultimediaFile& file, const std::string& mediaName, int notifyLevel = kWarningSeverity)
{
    SignalLog log(file);
    testsupport::NotifyCapture capture(notifyLevel);
    file.setMedia(urlOf(mediaName));
    return {capture.text(), log.signalNames};
}

} // namespace

TEST(FFmpegMediaFile, BeforeLoadingEveryCallIsHarmless)
{
    FFmpegOsgMultimediaFile file;
    SignalLog log(file);
    EXPECT_EQ(file.nativeSize(), QSize(320, 240));
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::NoMedia);
    EXPECT_FALSE(file.isLoadingComplete());
    EXPECT_FALSE(file.hasDuration());
    EXPECT_EQ(file.duration(), 0.0);
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
}

TEST(FFmpegMediaFile, FilesThatCannotBeOpenedReportAnErrorAndStillCompleteLoading)
{
    for (const char* name : {"no-such-file.mp4", "empty.mp4", "text.avi", "random.mp4"}) {
        SCOPED_TRACE(name);
        FFmpegOsgMultimediaFile file;
        const LoadOutcome outcome = load(file, name);
        EXPECT_EQ(outcome.messages, std::string(name) + ": Unable to open file.\n");
        EXPECT_EQ(outcome.signalNames, (Signals{"error(1)", "loadingComplete"}));
        EXPECT_EQ(file.mediaStatus(), QMediaPlayer::NoMedia);
        EXPECT_TRUE(file.isLoadingComplete());
        EXPECT_FALSE(file.hasDuration());
        EXPECT_EQ(file.nativeSize(), QSize(-1, -1));
        // Slots after a failed load do nothing harmful.
        EXPECT_EQ(file.seekTo(1.0, 0.0), 1);
        file.play();
        file.pause();
    }
}

TEST(FFmpegMediaFile, SoundOnlyFilesHaveNothingToShowInTheSceneGraph)
{
    const std::string name = "tone_stereo_44100.mp3";
    FFmpegOsgMultimediaFile file;
    const LoadOutcome outcome = load(file, name);
    EXPECT_EQ(outcome.messages, name + ": No supported audio or video codecs.\n   Video Codec: \n   Audio Codec: "
                                    + audioCodecNameOf(name) + "\n");
    EXPECT_EQ(outcome.signalNames, (Signals{"error(2)", "loadingComplete"}));
    EXPECT_TRUE(file.isLoadingComplete());
    ASSERT_NE(file.outputNode(), nullptr);
    const auto* quad = dynamic_cast<const MediaPlayer2::VideoQuad*>(file.outputNode());
    ASSERT_NE(quad, nullptr);
    // A quad of -1 by -1 holds no pixels.
    EXPECT_EQ(quad->image()->s(), 0);
    EXPECT_EQ(file.nativeSize(), QSize(-1, -1));
}

TEST(FFmpegMediaFile, PicturesNoDecoderReadsLeaveTheSceneGraphNothingToShow)
{
    // The sound beside them is not even tried: the scene-graph file loads pictures only.
    const std::string name = "avs2_mp3.avi";
    FFmpegOsgMultimediaFile file;
    const LoadOutcome outcome = load(file, name);
    EXPECT_EQ(outcome.messages, name + ": No supported audio or video codecs.\n   Video Codec: AVS2-P2/IEEE1857.4\n"
                                       "   Audio Codec: MP3 (MPEG audio layer 3)\n");
    EXPECT_EQ(outcome.signalNames, (Signals{"error(2)", "loadingComplete"}));
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::LoadedMedia);
    EXPECT_EQ(file.nativeSize(), QSize(-1, -1));
    ASSERT_NE(pipelineOf(file), nullptr);
    EXPECT_EQ(pipelineOf(file)->lastLoadError(), PlaybackPipeline::NoSupportedCodec);
}

TEST(FFmpegMediaFile, SoundNoDecoderReadsGoesUnnoticedWhereOnlyPicturesAreLoaded)
{
    FFmpegOsgMultimediaFile file;
    const LoadOutcome outcome = load(file, "mjpeg_mpegh.mov", 7);
    EXPECT_EQ(outcome.messages, "");
    EXPECT_EQ(outcome.signalNames, Signals{"loadingComplete"});
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::LoadedMedia);
    EXPECT_EQ(file.nativeSize(), QSize(160, 96));
    ASSERT_NE(pipelineOf(file), nullptr);
    EXPECT_EQ(pipelineOf(file)->lastLoadError(), PlaybackPipeline::LoadSucceeded);
    EXPECT_EQ(pipelineOf(file)->audioCodecName().toStdString(), "MPEG-H 3D Audio");
}

TEST(FFmpegMediaFile, MessagesAppearOnlyWhenTheirSeverityIsEnabled)
{
    FFmpegOsgMultimediaFile missing;
    LoadOutcome outcome = load(missing, "no-such-file.mp4", kErrorSeverity - 1);
    EXPECT_EQ(outcome.messages, "");
    EXPECT_EQ(outcome.signalNames, (Signals{"error(1)", "loadingComplete"}));

    FFmpegOsgMultimediaFile soundOnly;
    outcome = load(soundOnly, "tone_stereo_44100.mp3", kErrorSeverity);
    EXPECT_NE(outcome.messages.find("No supported audio or video codecs"), std::string::npos);
}

TEST(FFmpegMediaFile, PlayableFilesLoadSilently)
{
    struct Clip
    {
        const char* name;
        double duration;
    };
    // With and without sound, and a file cut short whose index still opens.
    for (const Clip& clip : {Clip{"h264_aac.mp4", 3.0}, Clip{"mjpeg.mov", 2.0}, Clip{"vp9_opus.webm", 2.0},
                             Clip{"truncated.mp4", 2.0}}) {
        SCOPED_TRACE(clip.name);
        FFmpegOsgMultimediaFile file;
        const LoadOutcome outcome = load(file, clip.name, 7);
        EXPECT_EQ(outcome.messages, "");
        EXPECT_EQ(outcome.signalNames, Signals{"loadingComplete"});
        EXPECT_EQ(file.mediaStatus(), QMediaPlayer::LoadedMedia);
        EXPECT_TRUE(file.isLoadingComplete());
        EXPECT_TRUE(file.hasDuration());
        EXPECT_NEAR(file.duration(), clip.duration, 0.1);
        EXPECT_EQ(file.nativeSize(), QSize(160, 96));
        EXPECT_EQ(file.outputWidget(), nullptr);
        const auto* quad = dynamic_cast<const MediaPlayer2::VideoQuad*>(file.outputNode());
        ASSERT_NE(quad, nullptr);
        EXPECT_EQ(quad->image()->s(), 160);
        EXPECT_EQ(quad->image()->t(), 96);
        // The scene-graph file never decodes sound.
        ASSERT_NE(pipelineOf(file), nullptr);
        EXPECT_FALSE(pipelineOf(file)->hasValidAudio());
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
    ASSERT_DOUBLE_EQ(pipeline->mediaTime(), 2.25);

    EXPECT_EQ(file.seekTo(2.0, 0.5), 0);
    EXPECT_EQ(pipeline->mediaTime(), 2.25) << "within the delta";
    EXPECT_EQ(file.seekTo(2.25, 0.0), 0);
    EXPECT_EQ(pipeline->mediaTime(), 2.25) << "at the position";
    EXPECT_EQ(file.seekTo(1.75, 0.5), 0);
    EXPECT_EQ(pipeline->mediaTime(), 2.25) << "at the delta's edge, which counts as within";
    EXPECT_EQ(file.seekTo(1.625, 0.5), 0);
    EXPECT_EQ(pipeline->mediaTime(), 1.625) << "beyond the delta";
    EXPECT_EQ(file.seekTo(2.25, 0.5), 0);
    EXPECT_EQ(pipeline->mediaTime(), 2.25) << "beyond the delta, forwards";
}

TEST(FFmpegMediaFile, VolumeInPercentAndMuteReachThePipelineAsOneGain)
{
    FFmpegOsgMultimediaFile file;
    file.setMedia(urlOf("h264_aac.mp4"));
    PlaybackPipeline* pipeline = pipelineOf(file);
    ASSERT_NE(pipeline, nullptr);
    file.setVolume(50);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.5);
    file.setMuted(true);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.0);
    file.setVolume(80);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.0) << "muted";
    file.setMuted(false);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.8);
    file.setVolume(100);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 1.0);

    // A new load starts its pipeline at full volume until the next change.
    file.setVolume(30);
    file.setMedia(urlOf("mjpeg.mov"));
    EXPECT_DOUBLE_EQ(pipelineOf(file)->volume(), 1.0);
    file.setMuted(false);
    EXPECT_DOUBLE_EQ(pipelineOf(file)->volume(), 0.3);
}

TEST(FFmpegMediaFile, ANewLoadReplacesThePipelineWithTheFlagsSetSince)
{
    FFmpegOsgMultimediaFile file;
    file.setThreadingEnabled(false);
    file.setAudioOnlyInRealTime(false);
    file.setMedia(urlOf("h264_aac.mp4"));
    ASSERT_EQ(file.findChildren<PlaybackPipeline*>().size(), 1);
    EXPECT_FALSE(pipelineOf(file)->isThreadingEnabled());
    EXPECT_FALSE(pipelineOf(file)->audioOnlyInRealTime());
    file.setAudioOnlyInRealTime(true);
    EXPECT_TRUE(pipelineOf(file)->audioOnlyInRealTime()) << "passed on at once";
    osg::ref_ptr<osg::Node> firstQuad = file.outputNode();

    file.setThreadingEnabled(true);
    EXPECT_FALSE(pipelineOf(file)->isThreadingEnabled()) << "only from the next load";
    EXPECT_EQ(load(file, "no-such-file.mp4").signalNames, (Signals{"error(1)", "loadingComplete"}));
    ASSERT_EQ(file.findChildren<PlaybackPipeline*>().size(), 1);
    EXPECT_TRUE(pipelineOf(file)->isThreadingEnabled());
    EXPECT_NE(file.outputNode(), firstQuad.get()) << "a quad for each load";
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::NoMedia);
}
