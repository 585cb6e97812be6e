#include "media/FFmpegOsgMultimediaFile.h"
#include "media/ImageFileWithLabel.h"
#include "media/ImageFileWithVideoQuad.h"
#include "media/LoadProgressObserver.h"
#include "media/OsgMediaFileFactory.h"
#include "media/QtImageToOsgImage.h"
#include "media/VideoQuad.h"
#include "common/FrameStamp.h"
#include "support/NotifyCapture.h"
#include "support/OffscreenView.h"
#include "support/Pictures.h"
#include "support/TestMedia.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <osg/PositionAttitudeTransform>

#include <memory>

using namespace MediaPlayer2;
using FFmpeg::PlaybackPipeline;

namespace {

using testsupport::kQuadrantColours;
using testsupport::quadrantImage;

std::vector<std::string> quadrantsOf(const QImage& shown)
{
    return testsupport::quadrantsOf(shown.size(), [&](int x, int y) { return shown.pixel(x, y); });
}

QUrl urlOf(const std::string& mediaName)
{
    return QUrl::fromLocalFile(QString::fromStdString(TestMedia::path(mediaName)));
}

PlaybackPipeline* pipelineOf(const MediaFile& file)
{
    return file.findChild<PlaybackPipeline*>();
}

void logSignals(MediaFile& file, std::vector<std::string>& log)
{
    QObject::connect(&file, &MediaFile::error, [&log](MediaFile::Error e) { log.push_back("error(" + std::to_string(e) + ")"); });
    QObject::connect(&file, &MediaFile::loadingComplete, [&log] { log.push_back("loadingComplete"); });
}

}  // namespace

TEST(StillImages, LoadThroughQtReadersAndShowRightSideUpInTheirOwnColours)
{
    EXPECT_TRUE(ImageFile::supportsFile("a.PNG") && !ImageFile::supportsFile("a.png.mp4"));

    QTemporaryDir folder;
    const QString picture = folder.filePath("quadrants.png");
    ASSERT_TRUE(quadrantImage({64, 32}).save(picture));
    QFile(folder.filePath("broken.png")).open(QIODevice::WriteOnly);
    ImageFileWithVideoQuad file;
    auto* transform = dynamic_cast<osg::PositionAttitudeTransform*>(file.outputNode());
    ASSERT_NE(transform, nullptr);
    auto* quad = dynamic_cast<VideoQuad*>(transform->getChild(0));
    ASSERT_NE(quad, nullptr);
    EXPECT_EQ(quad->image()->s(), 320);
    EXPECT_EQ(file.outputWidget(), nullptr);

    std::vector<std::string> log;
    logSignals(file, log);
    file.setMedia(QUrl::fromLocalFile(folder.filePath("broken.png")));
    EXPECT_EQ(log, (std::vector<std::string>{"error(1)", "loadingComplete"}));
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::InvalidMedia);
    EXPECT_TRUE(file.isLoadingComplete());
    file.setMedia(QUrl::fromLocalFile(picture));
    EXPECT_EQ(log.back(), "loadingComplete");
    EXPECT_EQ(file.nativeSize(), QSize(64, 32));
    EXPECT_FALSE(file.hasDuration());
    QSignalSpy playing(&file, &MediaFile::mediaPlaying);
    file.play();  // a picture without time shows on play
    EXPECT_EQ(playing.count(), 1);
    EXPECT_EQ(quad->image()->s(), 64);

    testsupport::OffscreenView view(64, 32, transform);
    if (!view.valid())
        GTEST_SKIP() << "no display for an OpenGL context";
    EXPECT_EQ(quadrantsOf(view.frame()), kQuadrantColours);

    // Every Qt format reaches the scene graph as RGBA bytes, the first row the top one.
    osg::ref_ptr<osg::Image> image = new osg::Image;
    QtImageToOsgImage().convert(quadrantImage({64, 32}, QImage::Format_RGB888), *image);
    EXPECT_EQ(image->getColor(10, 0), osg::Vec4(1, 0, 0, 1));

    QLabel label;
    ImageFileWithLabel labelled;
    labelled.setImageOutput(&label);
    labelled.setMedia(QUrl::fromLocalFile(picture));
    QSignalSpy labelShown(&labelled, &MediaFile::mediaPlaying);
    labelled.show();
    EXPECT_EQ(labelShown[0][0].value<QWidget*>(), &label);
    EXPECT_EQ(label.pixmap(Qt::ReturnByValue).size(), QSize(64, 32));
    EXPECT_EQ(label.windowTitle(), "quadrants.png");
}

TEST(VideoQuadNode, IsAPixelSizedRectangleThatFollowsItsImageAndFlipsOnRequest)
{
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(64, 32);

    testsupport::OffscreenView view(64, 32, quad);
    if (!view.valid())
        GTEST_SKIP() << "no display for an OpenGL context";
    EXPECT_EQ(view.frame().pixel(32, 16), qRgb(0, 0, 0)) << "transparent before a picture";
    QtImageToOsgImage converter;
    converter.setOsgImage(quad->image());
    converter.convertImage(quadrantImage({64, 32}));
    EXPECT_EQ(quadrantsOf(view.frame()), (std::vector<std::string>{"blue", "yellow", "red", "green"}))
        << "the first row at the bottom, as OSG keeps images";
    quad->setFlipVertical(true);
    EXPECT_EQ(quadrantsOf(view.frame()), kQuadrantColours);
    converter.convertImage(quadrantImage({64, 16}));  // only the height changes
    const QImage shorter = view.frame();
    EXPECT_EQ(shorter.pixel(16, 2), qRgb(0, 0, 0));
    EXPECT_EQ(quadrantsOf(shorter.copy(0, 8, 64, 16)), kQuadrantColours);

    osg::ref_ptr<VideoQuad> cross = new VideoQuad(TestMedia::path("missing.png"));
    EXPECT_EQ(cross->image()->s(), 32);
    EXPECT_EQ(cross->image()->getColor(0, 0), osg::Vec4(1, 0, 0, 1));
}

TEST(VideoFiles, EveryLoadOutcomeHasItsMessageSignalsAndQuad)
{
    const std::string unopenable = ": Unable to open file.\n";
    const std::string noCodecs = ": No supported audio or video codecs.\n   Video Codec: ";
    struct Case {
        std::string name;
        std::string message;  // after the file's name, at notify level 7
        std::vector<std::string> signalNames;
        QSize size;
    };
    const std::vector<std::string> loaded{"loadingComplete"};
    const std::vector<Case> cases = {
        {"no-such-file.mp4", unopenable, {"error(1)", "loadingComplete"}, {-1, -1}},
        {"random.mp4", unopenable, {"error(1)", "loadingComplete"}, {-1, -1}},
        {"tone_stereo_44100.mp3", noCodecs + "\n   Audio Codec: MP3 (MPEG audio layer 3)\n", {"error(2)", "loadingComplete"}, {-1, -1}},
        // Sound beside pictures no decoder reads is not even tried: the scene graph takes pictures only.
        {"avs2_mp3.avi", noCodecs + "AVS2-P2/IEEE1857.4\n   Audio Codec: MP3 (MPEG audio layer 3)\n", {"error(2)", "loadingComplete"}, {-1, -1}},
        {"mjpeg_mpegh.mov", "", loaded, {160, 96}},
        {"truncated.mp4", "", loaded, {160, 96}},
    };
    for (const Case& c : cases) {
        FFmpegOsgMultimediaFile file;
        EXPECT_EQ(file.nativeSize(), QSize(320, 240));
        EXPECT_EQ(file.seekTo(1.0, 0.0), 1) << "harmless before loading";
        std::vector<std::string> log;
        logSignals(file, log);
        testsupport::NotifyCapture capture(7);
        file.setMedia(urlOf(c.name));
        EXPECT_EQ(capture.text(), c.message.empty() ? "" : c.name + c.message);
        EXPECT_EQ(log, c.signalNames) << c.name;
        EXPECT_EQ(file.nativeSize(), c.size);
        const auto* quad = dynamic_cast<const VideoQuad*>(file.outputNode());
        ASSERT_NE(quad, nullptr);
        EXPECT_EQ(quad->image()->s(), std::max(c.size.width(), 0));
        EXPECT_FALSE(pipelineOf(file)->hasValidAudio()) << "the scene graph never decodes sound";
    }
    testsupport::NotifyCapture quiet(1);
    FFmpegOsgMultimediaFile file;
    file.setMedia(urlOf("empty.mp4"));
    EXPECT_EQ(quiet.text(), "") << "messages only at their severity";
}

TEST(VideoFiles, SeeksOnlyBeyondTheAllowedDeltaAndShowTheFramesPixelsRightSideUp)
{
    FFmpegOsgMultimediaFile file;
    file.setMedia(urlOf("h264_aac.mp4"));
    PlaybackPipeline* pipeline = pipelineOf(file);
    ASSERT_EQ(file.seekTo(2.25, 0.0), 0);
    // Times that binary fractions hold exactly, so that the edge of the delta is exact too.
    for (const auto& [position, delta, expected] : {std::tuple{2.0, 0.5, 2.25}, {1.75, 0.5, 2.25}, {1.625, 0.5, 1.625},
                                                    {2.25, 0.5, 2.25}}) {
        EXPECT_EQ(file.seekTo(position, delta), 0);
        EXPECT_EQ(pipeline->mediaTime(), expected) << position;
    }
    file.setVolume(40);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.4);
    file.setMuted(true);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.0);
    file.setMuted(false);
    EXPECT_DOUBLE_EQ(pipeline->volume(), 0.4);
    file.setPlaybackRate(2.0);
    EXPECT_EQ(pipeline->playbackRate(), 2.0);

    // The quad's image keeps its identity and shows each frame's own pixels, up to the last one.
    const auto* quad = dynamic_cast<const VideoQuad*>(file.outputNode());
    const osg::Image* image = quad->image();
    file.seekTo(2.4, 0.0);
    file.play();
    EXPECT_TRUE(TestMedia::waitUntil([&] { return file.mediaStatus() == QMediaPlayer::EndOfMedia; }));
    EXPECT_EQ(FrameStamp::read(*quad->image()), 74);
    EXPECT_EQ(quad->image(), image);

    FFmpegOsgMultimediaFile colours;
    colours.setMedia(urlOf("quadrants.mp4"));
    osg::ref_ptr<osg::Node> node = colours.outputNode();
    testsupport::OffscreenView view(160, 96, node);
    if (!view.valid())
        GTEST_SKIP() << "no display for an OpenGL context";
    EXPECT_TRUE(TestMedia::waitUntil([&] { return quadrantsOf(view.frame()) == kQuadrantColours; }));
}

TEST(MediaFactory, ReadableImagesAndImageItemsMakeImagesEverythingElseVideoCountedBeforeLoading)
{
    OsgMediaFileFactory factory;
    LoadProgressObserver progress;
    QSignalSpy percents(&progress, &LoadProgressObserver::progressChanged);
    QSignalSpy completed(&progress, &LoadProgressObserver::completed);
    factory.setLoadProgressObserver(&progress);
    const std::vector<std::tuple<std::string, MediaParameters::FileType, bool>> cases = {
        {"still.png", MediaParameters::VIDEO, true}, {"mjpeg.mov", MediaParameters::IMAGE, true},
        {"mjpeg.mov", MediaParameters::VIDEO, false}, {"missing.jpg", MediaParameters::AUDIO, true}};
    for (const auto& [name, type, image] : cases) {
        std::unique_ptr<MediaFile> file(factory.loadMedia(QString::fromStdString(TestMedia::path(name)), type));
        EXPECT_EQ(dynamic_cast<ImageFile*>(file.get()) != nullptr, image) << name;
        EXPECT_TRUE(file->isLoadingComplete());
    }
    std::vector<int> reported;  // every file counted before it loads, so each load shows
    for (const QList<QVariant>& arguments : percents)
        reported.push_back(arguments[0].toInt());
    EXPECT_EQ(reported, (std::vector<int>{0, 100, 50, 100, 66, 100, 75, 100}));
    EXPECT_EQ(completed.count(), 0) << "more files may come until the owner says none will";
    progress.setInitializationFinished();
    EXPECT_EQ(completed.count(), 1);
}
