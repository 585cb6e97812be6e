#include "MediaFileRun.h"

#include "support/MediaFiles.h"
#include "support/NotifyCapture.h"
#include "support/SignalLog.h"

#include <QFileInfo>
#include <QMediaPlayer>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using FFmpeg::PlaybackPipeline;

using MediaFileTest::pipelineOf;

namespace BrokenMedia {

bool playsUntil(const PlaybackPipeline& pipeline, double until)
{
    return QTest::qWaitFor(
        [&] { return pipeline.playbackState() != PlaybackPipeline::Playing || pipeline.mediaTime() >= until; },
        kHangGuardMs);
}

namespace {

// What a video media file reports for the result its pipeline's load gave: the messages seen at
// a notification level, its signals while loading and its status afterwards.
struct LoadReport
{
    std::string messages;
    std::vector<std::string> signalNames;
    QMediaPlayer::MediaStatus status;
};

LoadReport expectedReport(const PlaybackPipeline& pipeline, const std::string& fileName, int notifyLevel)
{
    const std::string video = pipeline.videoCodecName().toStdString();
    const std::string audio = pipeline.audioCodecName().toStdString();
    const auto atLevel = [notifyLevel](int severity, const std::string& message) {
        return severity <= notifyLevel ? message : std::string();
    };
    switch (pipeline.lastLoadError()) {
    case PlaybackPipeline::LoadSucceeded:
        break;
    case PlaybackPipeline::OpenFailed:
        return {atLevel(kErrorLevel, fileName + ": Unable to open file.\n"), {"error(1)", "loadingComplete"},
                QMediaPlayer::NoMedia};
    case PlaybackPipeline::UnsupportedVideoCodec:
        return {atLevel(kWarningLevel, fileName + ": Unsupported video codec " + video + "\n"),
                {"loadingComplete"},
                QMediaPlayer::LoadedMedia};
    case PlaybackPipeline::UnsupportedAudioCodec:
        return {atLevel(kWarningLevel, fileName + ": Unsupported audio codec " + audio + "\n"),
                {"loadingComplete"},
                QMediaPlayer::LoadedMedia};
    case PlaybackPipeline::NoSupportedCodec:
        return {atLevel(kErrorLevel, fileName + ": No supported audio or video codecs.\n   Video Codec: " + video
                                         + "\n   Audio Codec: " + audio + "\n"),
                {"error(2)", "loadingComplete"},
                QMediaPlayer::LoadedMedia};
    }
    return {"", {"loadingComplete"}, QMediaPlayer::LoadedMedia};
}

} // namespace

void loadPlaySeekAndCheck(MediaPlayer2::FFmpegMediaFile& file, const BrokenFile& broken, int notifyLevel)
{
    SCOPED_TRACE(broken.description());
    ASSERT_FALSE(broken.path.isEmpty());
    MediaFileTest::SignalLog log(file);
    testsupport::NotifyCapture capture(notifyLevel);
    file.setMedia(QUrl::fromLocalFile(broken.path));

    const PlaybackPipeline* pipeline = pipelineOf(file);
    ASSERT_NE(pipeline, nullptr);
    const LoadReport expected =
        expectedReport(*pipeline, QFileInfo(broken.path).fileName().toStdString(), notifyLevel);
    EXPECT_EQ(capture.text(), expected.messages);
    EXPECT_EQ(log.signalNames, expected.signalNames);
    EXPECT_EQ(file.mediaStatus(), expected.status);
    EXPECT_TRUE(file.isLoadingComplete());
    EXPECT_EQ(file.hasDuration(), expected.status == QMediaPlayer::LoadedMedia);
    EXPECT_EQ(file.nativeSize().isValid(), pipeline->hasValidVideo());
    capture.clear();
    log.signalNames.clear();

    const double middle = file.duration() / 2;
    file.play();
    ASSERT_TRUE(playsUntil(*pipeline, kPlaySeconds)) << "hangs playing from the start";
    file.seekTo(middle, 0.0);
    ASSERT_TRUE(playsUntil(*pipeline, middle + kPlaySeconds)) << "hangs playing from the middle";
    file.pause();
    file.seekTo(0.0, 0.0);
    // Deliveries the seeks set off are under way while the file closes.

    EXPECT_EQ(capture.text(), "");
    const auto ends = std::count(log.signalNames.begin(), log.signalNames.end(), "endOfMedia");
    EXPECT_EQ(static_cast<std::size_t>(ends), log.signalNames.size()) << "reported more than the end";
    EXPECT_LE(ends, 2) << "ended more often than it played";
}

} // namespace BrokenMedia
