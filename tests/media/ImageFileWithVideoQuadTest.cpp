#include "media/ImageFileWithVideoQuad.h"

#include "plugin/VideoQuad.h"
#include "support/ImageFixtures.h"

#include <osg/PositionAttitudeTransform>

#include <QPixmap>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <cstring>

using MediaPlayer2::ImageFileWithVideoQuad;
using MediaPlayer2::VideoQuad;

namespace {

VideoQuad* quadOf(const ImageFileWithVideoQuad& file)
{
    auto* transform = dynamic_cast<osg::PositionAttitudeTransform*>(file.outputNode());
    if (!transform || transform->getNumChildren() != 1)
        return nullptr;
    return dynamic_cast<VideoQuad*>(transform->getChild(0));
}

// The picture as the media file hands it over: the pixmap Qt made of the file, as an image.
QImage pixmapImage(const QUrl& url)
{
    return QPixmap(url.toLocalFile()).toImage();
}

// The quad's image holds the picture as RGBA bytes, the order its GL_RGBA label promises.
bool quadHolds(const VideoQuad& quad, const QImage& shown)
{
    const osg::Image& image = *quad.image();
    const QImage picture = shown.convertToFormat(QImage::Format_RGBA8888);
    if (image.s() != picture.width() || image.t() != picture.height())
        return false;
    for (int y = 0; y < picture.height(); ++y)
        if (std::memcmp(image.data(0, y), picture.constScanLine(y), picture.width() * 4) != 0)
            return false;
    return true;
}

}  // namespace

TEST(ImageFileWithVideoQuadTest, PictureSitsOnA320By240QuadUnderATurnedOverTransform)
{
    ImageFileWithVideoQuad file;
    auto* transform = dynamic_cast<osg::PositionAttitudeTransform*>(file.outputNode());
    ASSERT_NE(transform, nullptr);
    EXPECT_EQ(transform->getAttitude(), osg::Quat(180.0, 0.0, 0.0, 1.0)) << "used unnormalised";
    VideoQuad* quad = quadOf(file);
    ASSERT_NE(quad, nullptr);
    EXPECT_EQ(quad->image()->s(), 320);
    EXPECT_EQ(quad->image()->t(), 240);
    EXPECT_EQ(file.outputWidget(), nullptr);

    // The picture's first row sits at the quad's bottom edge (texture row 0); the transform must
    // carry that edge to the top so the picture stands right side up.
    osg::Matrix placement;
    transform->computeLocalToWorldMatrix(placement, nullptr);
    const osg::Vec3 firstRowEdge = osg::Vec3(0.0f, -120.0f, 0.0f) * placement;
    const osg::Vec3 lastRowEdge = osg::Vec3(0.0f, 120.0f, 0.0f) * placement;
    EXPECT_GT(firstRowEdge.y(), 119.0f);
    EXPECT_LT(lastRowEdge.y(), -119.0f);
}

TEST(ImageFileWithVideoQuadTest, ShowCopiesThePictureToTheQuadOnceAfterEachLoad)
{
    testsupport::ImageFixtures fixtures;
    ImageFileWithVideoQuad file;
    VideoQuad* quad = quadOf(file);
    ASSERT_NE(quad, nullptr);
    osg::Image* image = quad->image();
    QSignalSpy playing(&file, &ImageFileWithVideoQuad::mediaPlaying);

    const QUrl first = fixtures.writePicture("first.png", 40, 20, Qt::red, Qt::blue);
    file.setMedia(first);
    const unsigned int beforeShow = image->getModifiedCount();
    file.show();
    EXPECT_EQ(quad->image(), image) << "the quad keeps its image object";
    EXPECT_TRUE(quadHolds(*quad, pixmapImage(first)));
    EXPECT_EQ(image->getModifiedCount(), beforeShow + 1);

    file.play();
    file.show();
    EXPECT_EQ(image->getModifiedCount(), beforeShow + 1) << "copied once per load";
    ASSERT_EQ(playing.count(), 3);
    for (const QList<QVariant>& arguments : playing)
        EXPECT_EQ(arguments.at(0).value<QWidget*>(), nullptr);

    const QUrl second = fixtures.writePicture("second.jpg", 16, 12, Qt::green, Qt::white);
    file.setMedia(second);
    EXPECT_TRUE(quadHolds(*quad, pixmapImage(first))) << "loading alone does not touch the quad";
    file.show();
    EXPECT_TRUE(quadHolds(*quad, pixmapImage(second)));
    EXPECT_EQ(image->getModifiedCount(), beforeShow + 2);
}

TEST(ImageFileWithVideoQuadTest, AMissingPictureIsInvalidMediaAndLeavesTheQuadAnEmptyImage)
{
    testsupport::ImageFixtures fixtures;
    ImageFileWithVideoQuad file;
    QSignalSpy complete(&file, &ImageFileWithVideoQuad::loadingComplete);
    QList<MediaPlayer2::MediaFile::Error> errors;
    QObject::connect(&file, &ImageFileWithVideoQuad::error,
                     [&errors](MediaPlayer2::MediaFile::Error error) { errors << error; });

    file.setMedia(fixtures.writeBrokenPictures().last());
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::InvalidMedia);
    EXPECT_EQ(complete.count(), 1);
    EXPECT_EQ(errors, QList<MediaPlayer2::MediaFile::Error>{MediaPlayer2::MediaFile::ResourceError});

    file.show();
    EXPECT_EQ(quadOf(file)->image()->s(), 0);
    EXPECT_EQ(quadOf(file)->image()->t(), 0);
}
