#include "media/VideoQuad.h"

#include "support/OffscreenView.h"

#include <osg/Array>
#include <osg/StateSet>
#include <osg/TextureRectangle>
#include <osg/io_utils>
#include <osgUtil/UpdateVisitor>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using MediaPlayer2::VideoQuad;

namespace {

std::vector<osg::Vec3> verticesOf(const osg::Geometry& geometry)
{
    const auto* vertices = dynamic_cast<const osg::Vec3Array*>(geometry.getVertexArray());
    return vertices ? std::vector<osg::Vec3>(vertices->begin(), vertices->end()) : std::vector<osg::Vec3>();
}

std::vector<osg::Vec3> verticesOf(const VideoQuad& quad)
{
    return verticesOf(*quad.getDrawable(0)->asGeometry());
}

std::vector<osg::Vec2> texCoordsOf(const VideoQuad& quad)
{
    const auto* texCoords = dynamic_cast<const osg::Vec2Array*>(quad.getDrawable(0)->asGeometry()->getTexCoordArray(0));
    return texCoords ? std::vector<osg::Vec2>(texCoords->begin(), texCoords->end()) : std::vector<osg::Vec2>();
}

std::vector<osg::Vec3> expectedVertices(float h, float k)
{
    return {{-h, -k, 0}, {h, -k, 0}, {h, k, 0}, {-h, k, 0}};
}

std::vector<osg::Vec2> expectedTexCoords(float s, float t, bool flipped = false)
{
    if (flipped)
        return {{0, t}, {s, t}, {s, 0}, {0, 0}};
    return {{0, 0}, {s, 0}, {s, t}, {0, t}};
}

void runUpdateTraversal(osg::Node& root, unsigned frameNumber)
{
    osgUtil::UpdateVisitor visitor;
    osg::ref_ptr<osg::FrameStamp> stamp = new osg::FrameStamp;
    stamp->setFrameNumber(frameNumber);
    visitor.setFrameStamp(stamp);
    root.accept(visitor);
}

// Writes rows as a decoder does, first row at the top of the picture: the upper half of the rows
// red, the lower half blue.
void paintTopRedBottomBlue(osg::Image& image)
{
    for (int row = 0; row < image.t(); ++row) {
        for (int x = 0; x < image.s(); ++x) {
            unsigned char* pixel = image.data(x, row);
            const bool upper = row < image.t() / 2;
            pixel[0] = upper ? 255 : 0;
            pixel[1] = 0;
            pixel[2] = upper ? 0 : 255;
            pixel[3] = 255;
        }
    }
    image.dirty();
}

const osg::Vec4ub kRed(255, 0, 0, 255);
const osg::Vec4ub kBlue(0, 0, 255, 255);
const osg::Vec4ub kBlack(0, 0, 0, 255);

// A red cross on translucent white, 32 pixels square, on a quad of its size.
void expectPlaceholder(const VideoQuad& quad)
{
    const osg::Image& image = *quad.image();
    ASSERT_EQ(image.s(), 32);
    ASSERT_EQ(image.t(), 32);
    ASSERT_EQ(image.getPixelFormat(), static_cast<GLenum>(GL_RGBA));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const unsigned char* pixel = image.data(x, y);
            const osg::Vec4ub expected = x == y || x == 31 - y ? kRed : osg::Vec4ub(255, 255, 255, 79);
            EXPECT_EQ(osg::Vec4ub(pixel[0], pixel[1], pixel[2], pixel[3]), expected) << "pixel " << x << "," << y;
        }
    }
    EXPECT_EQ(verticesOf(quad), expectedVertices(16, 16));
}

}  // namespace

TEST(VideoQuadTest, SizedQuadIsABlendedUnlitPixelSizedRectangleTextureOfTransparentBlack)
{
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(320, 240);
    osg::Image* image = quad->image();
    ASSERT_EQ(image->getTotalSizeInBytes(), 320u * 240u * 4u);
    EXPECT_EQ(image->getPixelFormat(), static_cast<GLenum>(GL_RGBA));
    const std::vector<unsigned char> zeros(320 * 240 * 4, 0);
    EXPECT_EQ(std::memcmp(image->data(), zeros.data(), zeros.size()), 0);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(160, 120));
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(320, 240));

    const osg::StateSet* stateSet = quad->getDrawable(0)->getStateSet();
    ASSERT_NE(stateSet, nullptr);
    const auto* texture =
        dynamic_cast<const osg::TextureRectangle*>(stateSet->getTextureAttribute(0, osg::StateAttribute::TEXTURE));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->getImage(), image);
    EXPECT_EQ(stateSet->getMode(GL_BLEND), osg::StateAttribute::ON);
    EXPECT_EQ(stateSet->getMode(GL_LIGHTING), osg::StateAttribute::OFF);

    // Odd sizes lose half a unit on each side while the texture spans the image.
    osg::ref_ptr<VideoQuad> odd = new VideoQuad(101, 51);
    EXPECT_EQ(verticesOf(*odd), expectedVertices(50, 25));
    EXPECT_EQ(texCoordsOf(*odd), expectedTexCoords(101, 51));
    osg::ref_ptr<osg::Image> small = new osg::Image;
    small->allocateImage(7, 3, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    osg::ref_ptr<osg::Geometry> geometry = VideoQuad::makeGeometryForImage(small);
    EXPECT_EQ(geometry->referenceCount(), 1);
    EXPECT_EQ(verticesOf(*geometry), expectedVertices(3, 1));
}

TEST(VideoQuadTest, UpdateTraversalFollowsTheImageSizeOnceAndKeepsTheFlipAndOtherCallbacks)
{
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(320, 240);
    quad->setFlipVertical(true);
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(320, 240, true));
    const osg::Array* flippedCoords = quad->getDrawable(0)->asGeometry()->getTexCoordArray(0);
    quad->setFlipVertical(true);
    EXPECT_EQ(quad->getDrawable(0)->asGeometry()->getTexCoordArray(0), flippedCoords) << "flipping again changes nothing";

    int laterCallbackRuns = 0;
    quad->addUpdateCallback(new osg::NodeCallback);  // a plain link must pass the traversal on
    struct Counter : osg::NodeCallback {
        explicit Counter(int& runs) : runs_(runs) {}
        void operator()(osg::Node* node, osg::NodeVisitor* visitor) override
        {
            ++runs_;
            traverse(node, visitor);
        }
        int& runs_;
    };
    quad->addUpdateCallback(new Counter(laterCallbackRuns));

    quad->image()->allocateImage(640, 480, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(160, 120)) << "the quad follows only in the update traversal";
    runUpdateTraversal(*quad, 1);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(320, 240));
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(640, 480, true));
    EXPECT_EQ(laterCallbackRuns, 1);

    const osg::Array* vertices = quad->getDrawable(0)->asGeometry()->getVertexArray();
    runUpdateTraversal(*quad, 2);
    EXPECT_EQ(quad->getDrawable(0)->asGeometry()->getVertexArray(), vertices) << "same size, no rebuild";

    quad->image()->allocateImage(640, 481, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    runUpdateTraversal(*quad, 3);
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(640, 481, true)) << "a change of height alone counts";
    quad->setFlipVertical(false);
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(640, 481));

    // A quad made without a size stays at the origin until a writer sizes its image.
    osg::ref_ptr<VideoQuad> unsized = new VideoQuad(-1, -1);
    EXPECT_EQ(verticesOf(*unsized), expectedVertices(0, 0));
    unsized->image()->allocateImage(64, 48, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    runUpdateTraversal(*unsized, 1);
    EXPECT_EQ(verticesOf(*unsized), expectedVertices(32, 24));
}

TEST(VideoQuadTest, ImageFileIsReadThroughOsgAndUnreadableFilesShowARedCross)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(QColor(0, 255, 0));
    const QString pngPath = dir.filePath("green.png");
    ASSERT_TRUE(picture.save(pngPath));
    osg::ref_ptr<VideoQuad> fromPng = new VideoQuad(pngPath.toStdString());
    EXPECT_EQ(verticesOf(*fromPng), expectedVertices(3, 2));
    const unsigned char* pixel = fromPng->image()->data(0, 0);
    EXPECT_EQ(osg::Vec3ub(pixel[0], pixel[1], pixel[2]), osg::Vec3ub(0, 255, 0));

    QFile png(pngPath);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    const std::pair<QString, QByteArray> broken[] = {
        {"noise.png", QByteArray::fromHex("1337a0ff00feedface00ff0102030405")},
        {"empty.png", QByteArray()},
        {"truncated.png", png.readAll().left(20)},
    };
    for (const auto& [name, content] : broken) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    for (const char* name : {"missing.png", "noise.png", "empty.png", "truncated.png"}) {
        SCOPED_TRACE(name);
        expectPlaceholder(*osg::ref_ptr<VideoQuad>(new VideoQuad(dir.filePath(name).toStdString())));
    }
}

TEST(VideoQuadTest, DecoderRowsShowRightSideUpOnceFlippedAndResizedPicturesFillTheView)
{
    constexpr int kViewWidth = 64;
    constexpr int kViewHeight = 32;
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(-1, -1);
    testsupport::OffscreenView view(kViewWidth, kViewHeight, quad);
    if (!view.valid())
        GTEST_SKIP() << "no display for an OpenGL context";
    view.frame();
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, kViewHeight / 2), kBlack) << "no picture, nothing drawn";

    // A writer sizes the picture; the frame's update traversal fits the quad to it.
    quad->image()->allocateImage(kViewWidth, kViewHeight, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    paintTopRedBottomBlue(*quad->image());
    view.frame();
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, 2), kBlue);  // first row drawn at the bottom
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, kViewHeight - 3), kRed);

    quad->setFlipVertical(true);
    view.frame();
    EXPECT_EQ(view.pixelFromTop(2, 2), kRed);
    EXPECT_EQ(view.pixelFromTop(kViewWidth - 3, kViewHeight - 3), kBlue);

    // A writer halves the picture: the quad shrinks to the middle.
    quad->image()->allocateImage(kViewWidth / 2, kViewHeight / 2, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    paintTopRedBottomBlue(*quad->image());
    view.frame();
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, kViewHeight / 4 + 2), kRed);
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, 3 * kViewHeight / 4 - 3), kBlue);
    EXPECT_EQ(view.pixelFromTop(2, 2), kBlack);
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, kViewHeight - 2), kBlack);
}
