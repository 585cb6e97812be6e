#include "ffmpeg/GlVideoWidgetSink.h"
#include "media/FFmpegGlWidgetMediaFile.h"
#include "support/NotifyCapture.h"
#include "support/Pictures.h"
#include "support/TestMedia.h"

#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using FFmpeg::GlVideoWidgetSink;
using FFmpeg::PlaybackPipeline;
using MediaPlayer2::FFmpegGlWidgetMediaFile;
using MediaPlayer2::MediaFile;
using testsupport::quadrantImage;

namespace {

const QSize kWidgetSize(64, 48);

/// A BGRA frame of `picture`'s pixels; rows as long as the picture, only `width` of them shown.
std::shared_ptr<FFmpeg::Frame> frameOf(const QImage& picture, int width)
{
    auto frame = std::make_shared<FFmpeg::Frame>();
    frame->allocateBuffer(AV_PIX_FMT_BGRA, picture.width(), picture.height());
    frame->fillImage(picture.constBits(), static_cast<unsigned long>(picture.sizeInBytes()));
    frame->avFrame()->width = width;
    return frame;
}

/// Keeps what a repaint drew in the back buffer, so that reading it back sees that repaint.
class KeptDrawing : public GlVideoWidgetSink {
public:
    KeptDrawing() { setAutoBufferSwap(false); }
    QImage repaint()
    {
        updateGL();
        return grabFrameBuffer().convertToFormat(QImage::Format_RGB32);
    }
};

PlaybackPipeline* pipelineOf(const MediaFile& file)
{
    return file.findChild<PlaybackPipeline*>();
}

}  // namespace

TEST(VideoWindow, ShowsDarkBlueUntilAPictureThenImagesAndPaddedFramesWithTheirOwnPixels)
{
    KeptDrawing widget;
    widget.resize(kWidgetSize);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    if (!widget.context()->isValid())
        GTEST_SKIP() << "no OpenGL 3.3 core context: scripts/test provides one on Xvfb with Mesa";
    EXPECT_EQ(widget.repaint().pixel(5, 5), qRgb(0, 0, 128));
    widget.setFrame(std::make_shared<FFmpeg::Frame>());  // no pixels: still waiting
    EXPECT_EQ(widget.repaint().pixel(5, 5), qRgb(0, 0, 128));
    widget.setImage(QSharedPointer<QImage>::create(quadrantImage(kWidgetSize, QImage::Format_RGB888)));
    EXPECT_EQ(widget.repaint(), quadrantImage(kWidgetSize));
    // Rows padded as decoders align them.
    widget.setFrame(frameOf(quadrantImage(kWidgetSize, QImage::Format_RGB32, 16), kWidgetSize.width()));
    EXPECT_EQ(widget.repaint(), quadrantImage(kWidgetSize));
    widget.setFrame(frameOf(quadrantImage({32, 24}), 32));  // any size fills the window
    EXPECT_EQ(widget.repaint().pixel(60, 44), qRgb(255, 255, 0));
}

TEST(VideoWindow, OnlyTheLatestLoadWithPicturesHasAWindowTitledAfterItsFile)
{
    QTemporaryDir folder;
    const QString spacedName = folder.filePath("my clip #1.mp4");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(TestMedia::path("h264_aac.mp4")), spacedName));
    FFmpegGlWidgetMediaFile file;
    QSignalSpy playing(&file, &MediaFile::mediaPlaying);
    file.setMedia(QUrl::fromLocalFile(spacedName));
    EXPECT_EQ(file.outputNode(), nullptr);
    QPointer<QWidget> first = file.outputWidget();
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first->windowTitle(), "my clip #1.mp4");
    EXPECT_TRUE(pipelineOf(file)->hasValidAudio()) << "a window plays sound";
    file.show();
    EXPECT_EQ(playing[0][0].value<QWidget*>(), first.data());
    EXPECT_FALSE(first->isVisible()) << "showing it is the receiver's business";

    testsupport::NotifyCapture warnings(3);
    file.setMedia(QUrl::fromLocalFile(QString::fromStdString(TestMedia::path("mjpeg_mpegh.mov"))));
    EXPECT_EQ(warnings.text(), "mjpeg_mpegh.mov: Unsupported audio codec MPEG-H 3D Audio\n");
    EXPECT_TRUE(first.isNull()) << "the earlier load's window is deleted";
    QPointer<QWidget> second = file.outputWidget();
    EXPECT_EQ(second->windowTitle(), "mjpeg_mpegh.mov");
    warnings.clear();
    file.setMedia(QUrl::fromLocalFile(QString::fromStdString(TestMedia::path("avs2_mp3.avi"))));
    EXPECT_EQ(warnings.text(), "avs2_mp3.avi: Unsupported video codec AVS2-P2/IEEE1857.4\n");
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(file.outputWidget(), nullptr) << "no window without pictures";
    EXPECT_EQ(file.nativeSize(), QSize(-1, -1));
}
