#include "media/ImageFileWithVideoQuad.h"

#include "media/VideoQuad.h"
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

// The quad's image holds the picture file as Qt reads it, as RGBA bytes.
bool quadHolds(const VideoQuad& quad, const QUrl& url)
{
    const osg::Image& image = *quad.image();
    const QImage picture = QPixmap(url.toLocalFile()).toImage().convertToFormat(QImage::Format_RGBA8888);
    if (image.s() != picture.width() || image.t() != picture.height())
        return false;
    for (int y = 0; y < picture.height(); ++y)
        if (std::memcmp(image.data(0, y), picture.constScanLine(y), picture.width() * 4) != 0)
            return false;
    return true;
}

}  // namespace

TEST(ImageFileWithVideoQuadTest, PictureSitsOnA320By240QuadUnderATransformThatTurnsItRightSideUp)
{
    ImageFileWithVideoQuad file;
    VideoQuad* quad = quadOf(file);
    ASSERT_NE(quad, nullptr);
    EXPECT_EQ(quad->image()->s(), 320);
    EXPECT_EQ(quad->image()->t(), 240);
    EXPECT_EQ(file.outputWidget(), nullptr);

    // The picture's first row sits at the quad's bottom edge (texture row 0); the transform must
    // carry that edge to the top.
    osg::Matrix placement;
    static_cast<osg::Transform*>(file.outputNode())->computeLocalToWorldMatrix(placement, nullptr);
    EXPECT_GT((osg::Vec3(0.0f, -120.0f, 0.0f) * placement).y(), 119.0f);
    EXPECT_LT((osg::Vec3(0.0f, 120.0f, 0.0f) * placement).y(), -119.0f);
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
    EXPECT_TRUE(quadHolds(*quad, first));
    file.play();
    file.show();
    EXPECT_EQ(image->getModifiedCount(), beforeShow + 1) << "copied once per load";
    ASSERT_EQ(playing.count(), 3);
    for (const QList<QVariant>& arguments : playing)
        EXPECT_EQ(arguments.at(0).value<QWidget*>(), nullptr);

    const QUrl second = fixtures.writePicture("second.jpg", 16, 12, Qt::green, Qt::white);
    file.setMedia(second);
    EXPECT_TRUE(quadHolds(*quad, first)) << "loading alone does not touch the quad";
    file.show();
    EXPECT_TRUE(quadHolds(*quad, second));

    file.setMedia(fixtures.writeBrokenPictures().last());
    file.show();
    EXPECT_EQ(quad->image()->s(), 0) << "a missing picture leaves the quad an empty image";
    EXPECT_EQ(image->getModifiedCount(), beforeShow + 3);
}
