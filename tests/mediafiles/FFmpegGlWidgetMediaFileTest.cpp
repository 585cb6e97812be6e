// The windowed video media file: its window, titled after the file, exists only for files with
// video and only for the latest load, and its sound, recorded from the sound server's output,
// follows play, pause and mute. A stream that no decoder reads is only a warning: the other stream
// still plays.

#include "media/FFmpegGlWidgetMediaFile.h"
#include "support/HeardSound.h"
#include "support/MediaFiles.h"
#include "support/NotifyCapture.h"
#include "support/SignalLog.h"
#include "support/TestMedia.h"

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using FFmpeg::PlaybackPipeline;
using MediaFileTest::SignalLog;
using MediaFileTest::pipelineOf;
using MediaFileTest::urlOf;
using MediaPlayer2::FFmpegGlWidgetMediaFile;
using namespace HeardSound;

namespace {

using Signals = std::vector<std::string>;

std::unique_ptr<AudioTest::SinkRecorder>& recorder = AudioTest::sharedRecorder();
const auto* const environment = ::testing::AddGlobalTestEnvironment(new AudioTest::SharedRecorderEnvironment);

bool mediaTimePasses(const PlaybackPipeline& pipeline, double seconds)
{
    // Far longer than the clip takes to reach any of its times; reached only when something hangs.
    return AudioTest::waitUntil([&] { return pipeline.mediaTime() > seconds; }, 20000);
}

// Plays the file from where it stands until its media time passes `seconds`, and hears its tone.
void playAndHearTheTone(FFmpegGlWidgetMediaFile& file, const PlaybackPipeline& pipeline, double seconds)
{
    const double from = pipeline.mediaTime();
    file.play();
    EXPECT_GE(pipeline.mediaTime(), from) << "playing starts where the file stood";
    ASSERT_TRUE(mediaTimePasses(pipeline, seconds));
    EXPECT_TRUE(soundStarts(*recorder));
    EXPECT_NEAR(pitchHeard(*recorder), kToneHz, kPitchToleranceHz);
}

// Loads the file into `file` with warnings shown and returns what was written; a first load into
// another file, with only errors shown, must write nothing.
std::string warningsOnLoading(FFmpegGlWidgetMediaFile& file, const std::string& mediaName)
{
    {
        FFmpegGlWidgetMediaFile errorsOnly;
        testsupport::NotifyCapture errors(2);
        errorsOnly.setMedia(urlOf(mediaName));
        EXPECT_EQ(errors.text(), "") << "a warning, not an error";
    }
    testsupport::NotifyCapture warnings(3);
    file.setMedia(urlOf(mediaName));
    return warnings.text();
}

} // namespace

TEST(FFmpegGlWidgetMediaFile, OnlyTheLatestLoadWithVideoHasAWindowTitledAfterTheFileAndSoundNoDecoderReadsIsAWarning)
{
    // A name that a URL must encode, to see the title fully decoded.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString spacedName = folder.filePath("my clip #1.mp4");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(TestMedia::path("h264_aac.mp4")), spacedName));

    FFmpegGlWidgetMediaFile file;
    SignalLog log(file);
    file.setMedia(QUrl::fromLocalFile(spacedName));
    EXPECT_EQ(file.outputNode(), nullptr);
    QPointer<QWidget> firstWindow = file.outputWidget();
    ASSERT_FALSE(firstWindow.isNull());
    EXPECT_EQ(firstWindow->parent(), nullptr);
    EXPECT_TRUE(pipelineOf(file)->hasValidAudio()) << "the windowed file decodes sound";
    file.show();
    EXPECT_EQ(log.signalNames, (Signals{"loadingComplete", "mediaPlaying"}));
    EXPECT_EQ(log.lastOutputWidget, firstWindow.data());
    EXPECT_EQ(firstWindow->windowTitle(), QStringLiteral("my clip #1.mp4"));
    EXPECT_FALSE(firstWindow->isVisible()) << "showing it is the receiver's business";

    const std::string name = "mjpeg_mpegh.mov";
    log.signalNames.clear();
    EXPECT_EQ(warningsOnLoading(file, name), name + ": Unsupported audio codec MPEG-H 3D Audio\n");
    EXPECT_EQ(log.signalNames, Signals{"loadingComplete"});
    EXPECT_TRUE(firstWindow.isNull()) << "the earlier load's window is deleted";
    QPointer<QWidget> secondWindow = file.outputWidget();
    ASSERT_FALSE(secondWindow.isNull());
    EXPECT_EQ(secondWindow->windowTitle(), QString::fromStdString(name));
    EXPECT_EQ(file.nativeSize(), QSize(160, 96));
    PlaybackPipeline* pipeline = pipelineOf(file);
    EXPECT_EQ(pipeline->lastLoadError(), PlaybackPipeline::UnsupportedAudioCodec);
    // Its pictures still play, in silence.
    std::vector<int> pictures;
    QObject::connect(pipeline, &PlaybackPipeline::videoFrameReady, pipeline,
                     [&](std::shared_ptr<FFmpeg::Frame> frame) { pictures.push_back(TestMedia::frameNumberOf(*frame)); });
    file.play();
    ASSERT_TRUE(mediaTimePasses(*pipeline, 0.6));
    EXPECT_TRUE(AudioTest::waitUntil([&] { return !pictures.empty() && pictures.back() >= 10; }, 20000))
        << "pictures stop at " << (pictures.empty() ? -1 : pictures.back());
    if (recorder) {
        EXPECT_TRUE(soundStops(*recorder)) << "sound while playing";
    }

    // Sound alone: no window; a file that cannot be opened: no window and no title.
    file.setMedia(urlOf("tone_stereo_44100.mp3"));
    EXPECT_TRUE(secondWindow.isNull());
    EXPECT_EQ(file.outputWidget(), nullptr);
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::LoadedMedia);
    testsupport::NotifyCapture quiet(1);
    file.setMedia(urlOf("no-such-file.mp4"));
    EXPECT_EQ(file.outputWidget(), nullptr);
    log.signalNames.clear();
    file.show();
    EXPECT_EQ(log.signalNames, Signals{"mediaPlaying"});
    EXPECT_EQ(log.lastOutputWidget, nullptr);
}

TEST(FFmpegGlWidgetMediaFile, PicturesNoDecoderReadsAreAWarningAndTheSoundFollowsPlayPauseAndMute)
{
    const std::string name = "avs2_mp3.avi";
    FFmpegGlWidgetMediaFile file;
    SignalLog log(file);
    EXPECT_EQ(warningsOnLoading(file, name), name + ": Unsupported video codec AVS2-P2/IEEE1857.4\n");
    EXPECT_EQ(log.signalNames, Signals{"loadingComplete"});
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::LoadedMedia);
    EXPECT_EQ(file.nativeSize(), QSize(-1, -1));
    EXPECT_EQ(file.outputWidget(), nullptr) << "a window without pictures";
    PlaybackPipeline* pipeline = pipelineOf(file);
    EXPECT_EQ(pipeline->lastLoadError(), PlaybackPipeline::UnsupportedVideoCodec);
    if (!recorder)
        GTEST_SKIP() << "no sound server to record from";

    playAndHearTheTone(file, *pipeline, 0.2);
    file.setMuted(true);
    EXPECT_TRUE(soundStops(*recorder)) << "sound while muted";
    file.setVolume(60);
    EXPECT_TRUE(soundStops(*recorder)) << "a volume change unmuted";
    file.setMuted(false);
    EXPECT_TRUE(soundStarts(*recorder));
    file.pause();
    EXPECT_TRUE(soundStops(*recorder)) << "sound while paused";
    playAndHearTheTone(file, *pipeline, pipeline->mediaTime() + 0.2);
    file.pause();
    EXPECT_TRUE(soundStops(*recorder));
}
