// What the scene-graph video media file puts into its quad's image: after a paused seek the
// picture the seek rules give, while playing every picture in order, each one the decoded frame's
// BGRA pixels, held as long as the image shows them, right side up through the quad's flipped
// texture coordinates.

#include "ffmpeg/Frame.h"
#include "ffmpeg/MetaTypes.h"
#include "media/FFmpegOsgMultimediaFile.h"
#include "support/ImageFrames.h"
#include "support/MediaFiles.h"
#include "support/SignalLog.h"
#include "support/TestMedia.h"

#include <QSignalSpy>
#include <QTest>

#include <osg/Array>
#include <osg/Geometry>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using MediaFileTest::FrameLog;
using MediaPlayer2::FFmpegOsgMultimediaFile;
using MediaPlayer2::VideoQuad;

namespace {

// Far longer than a generated clip takes to seek or play through; reached only when something hangs.
constexpr int kHangGuardMs = 20000;

// A loaded media file with a log of every picture written into its quad's image.
struct LoggedFile
{
    explicit LoggedFile(const std::string& mediaName)
    {
        file.setMedia(MediaFileTest::urlOf(mediaName));
        quad = dynamic_cast<VideoQuad*>(file.outputNode());
        if (quad)
            quad->image()->setModifiedCallback(log);
    }

    // Waits until more than `count` pictures have arrived; the first of them is returned.
    int firstPictureAfter(std::size_t count)
    {
        if (!QTest::qWaitFor([&] { return log->frames().size() > count; }, kHangGuardMs))
            return -2;
        return log->frames()[count];
    }

    // Hands the file a frame as its pipeline would.
    bool deliver(std::shared_ptr<FFmpeg::Frame> frame)
    {
        return QMetaObject::invokeMethod(&file, "setFrame_", Qt::DirectConnection,
                                         Q_ARG(std::shared_ptr<FFmpeg::Frame>, std::move(frame)));
    }

    FFmpegOsgMultimediaFile file;
    VideoQuad* quad = nullptr;
    osg::ref_ptr<FrameLog> log = new FrameLog;
};

// The second texture coordinate at the quad's corner (−h, ±k): which image row the top or the
// bottom edge of the rectangle shows.
float textureRowAt(const VideoQuad& quad, bool top)
{
    const auto* geometry = quad.getDrawable(0)->asGeometry();
    const auto* vertices = dynamic_cast<const osg::Vec3Array*>(geometry->getVertexArray());
    const auto* coordinates = dynamic_cast<const osg::Vec2Array*>(geometry->getTexCoordArray(0));
    for (std::size_t i = 0; i < vertices->size(); ++i)
        if (((*vertices)[i].y() > 0) == top && (*vertices)[i].x() < 0)
            return (*coordinates)[i].y();
    return -1.0f;
}

} // namespace

TEST(FFmpegOsgMultimediaFile, PausedSeeksShowThePictureTheSeekRulesGive)
{
    // An intra-only clip, and clips whose decoder holds back reordered frames.
    for (const char* name : {"mjpeg.mov", "h264_aac.mp4", "mpeg4_mp3.avi"}) {
        LoggedFile logged(name);
        ASSERT_NE(logged.quad, nullptr) << name;
        // Loading seeks to the start. A run of packets from which a reordering decoder delivers
        // nothing shows no picture; a stray one would turn up as the first after the next seek.
        for (double target : {0.0, 0.3, 1.0, 1.5, 0.92, 1.9, 0.5}) {
            SCOPED_TRACE(std::string(name) + " at " + std::to_string(target));
            const std::size_t before = logged.log->frames().size();
            if (target != 0.0) {
                ASSERT_EQ(logged.file.seekTo(target, 0.0), 0);
            }
            const int expected = TestMedia::pictureAfterSeekRun(name, target);
            if (std::string(name) == "mjpeg.mov") {
                EXPECT_EQ(expected, TestMedia::frameNumberAt(target) + 1) << "the first frame after the target";
            }
            if (expected >= 0) {
                EXPECT_EQ(logged.firstPictureAfter(target == 0.0 ? 0 : before), expected);
            }
        }
    }
}

TEST(FFmpegOsgMultimediaFile, WhilePlayingPicturesReachTheImageInOrderAcrossAPause)
{
    for (const auto& [name, lastFrame] : {std::pair{"mjpeg.mov", 49}, std::pair{"h264_aac.mp4", 74}}) {
        SCOPED_TRACE(name);
        LoggedFile logged(name);
        ASSERT_NE(logged.quad, nullptr);
        MediaFileTest::SignalLog signalLog(logged.file);
        const std::vector<int>& frames = logged.log->frames();

        logged.file.play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !frames.empty() && frames.back() >= 30; }, kHangGuardMs));
        logged.file.pause();
        const std::size_t shownWhenPaused = frames.size();
        const auto* pipeline = MediaFileTest::pipelineOf(logged.file);
        EXPECT_EQ(pipeline->playbackState(), FFmpeg::PlaybackPipeline::Stopped);
        const double pausedAt = pipeline->mediaTime();
        logged.file.play();
        EXPECT_GE(pipeline->mediaTime(), pausedAt) << "playing resumes where it paused";
        QSignalSpy ended(&logged.file, &MediaPlayer2::MediaFile::endOfMedia);
        ASSERT_TRUE(ended.wait(kHangGuardMs));
        // The last pictures may still be on their way from the decoder thread.
        EXPECT_TRUE(QTest::qWaitFor([&, lastFrame = lastFrame] { return frames.back() == lastFrame; }, kHangGuardMs))
            << "last picture " << frames.back();

        // In order across the pause: playing went on from where it stopped, not from the start.
        for (std::size_t i = 1; i < frames.size(); ++i)
            EXPECT_LT(frames[i - 1], frames[i]) << "picture " << i << " of " << frames.size();
        EXPECT_GT(frames.size(), shownWhenPaused);
        // The 16 ms frame tick outpaces 25 frames per second, so only a stalled machine skips a
        // frame now and then; losing every other one would show here.
        EXPECT_GE(frames.size(), std::size_t(lastFrame * 2 / 3));
        EXPECT_EQ(signalLog.signalNames, std::vector<std::string>{"endOfMedia"});
    }
}

TEST(FFmpegOsgMultimediaFile, ShowsEachFramesOwnPixelsInTheSameImageRightSideUpEvenAfterTheFileIsGone)
{
    FFmpeg::registerMetaTypes();
    auto logged = std::make_unique<LoggedFile>("mjpeg.mov");
    ASSERT_NE(logged->quad, nullptr);
    const osg::ref_ptr<VideoQuad> quad = logged->quad;
    osg::Image* image = quad->image();
    ASSERT_EQ(logged->firstPictureAfter(0), TestMedia::pictureAfterSeekRun("mjpeg.mov", 0.0));
    EXPECT_EQ(image->s(), 160);
    EXPECT_EQ(image->t(), 96);
    // Image row 0 holds the picture's top; the quad's top edge must show it.
    EXPECT_EQ(textureRowAt(*quad, true), 0.0f);
    EXPECT_EQ(textureRowAt(*quad, false), 96.0f);

    // A hand-made frame of another size, its rows 3 pixels wider than the picture, as decoders and
    // converters may leave them: each visible pixel holds its column and row, the padding 0xee.
    constexpr int kWidth = 5;
    constexpr int kHeight = 4;
    constexpr int kPadding = 3;
    auto frame = std::make_shared<FFmpeg::Frame>();
    ASSERT_EQ(frame->allocateBuffer(AV_PIX_FMT_BGRA, kWidth + kPadding, kHeight), 0);
    std::vector<unsigned char> bytes;
    for (int row = 0; row < kHeight; ++row)
        for (int column = 0; column < kWidth + kPadding; ++column) {
            const auto value = static_cast<unsigned char>(column < kWidth ? row * 16 + column : 0xee);
            bytes.insert(bytes.end(), {value, value, value, 255});
        }
    ASSERT_EQ(frame->fillImage(bytes.data(), bytes.size()), 0);
    frame->avFrame()->width = kWidth;
    const unsigned int modifiedBefore = image->getModifiedCount();
    ASSERT_TRUE(logged->deliver(std::move(frame)));
    EXPECT_EQ(quad->image(), image) << "the quad keeps its image object";
    EXPECT_EQ(image->getModifiedCount(), modifiedBefore + 1);
    EXPECT_EQ(logged->log->frames().size(), 2u);
    EXPECT_EQ(image->s(), kWidth);
    EXPECT_EQ(image->t(), kHeight);
    EXPECT_EQ(image->getPixelFormat(), GLenum(GL_BGRA));
    EXPECT_EQ(image->getOrigin(), osg::Image::TOP_LEFT);
    const auto expectPixels = [&] {
        for (int row = 0; row < kHeight; ++row)
            for (int column = 0; column < kWidth; ++column)
                EXPECT_EQ(*image->data(column, row), row * 16 + column) << column << ", " << row;
    };
    expectPixels();

    // A frame in another layout would be read past its end: it is dropped.
    auto grey = std::make_shared<FFmpeg::Frame>();
    ASSERT_EQ(grey->allocateBuffer(AV_PIX_FMT_GRAY8, 64, 64), 0);
    ASSERT_TRUE(logged->deliver(grey));
    EXPECT_EQ(image->getModifiedCount(), modifiedBefore + 1);
    EXPECT_EQ(image->s(), kWidth);

    // The scene graph may keep the quad after the media file is gone; its picture stays readable.
    logged.reset();
    expectPixels();
}
