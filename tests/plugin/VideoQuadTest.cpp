#include "plugin/VideoQuad.h"

#include "support/OffscreenView.h"

#include <osg/Array>
#include <osg/Group>
#include <osg/PrimitiveSet>
#include <osg/StateSet>
#include <osg/TextureRectangle>
#include <osg/io_utils>
#include <osgUtil/UpdateVisitor>

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using MediaPlayer2::VideoQuad;

namespace {

std::vector<osg::Vec3> verticesOf(const VideoQuad& quad)
{
    const auto* vertices = dynamic_cast<const osg::Vec3Array*>(quad.getDrawable(0)->asGeometry()->getVertexArray());
    return vertices ? std::vector<osg::Vec3>(vertices->begin(), vertices->end()) : std::vector<osg::Vec3>();
}

std::vector<osg::Vec2> texCoordsOf(const VideoQuad& quad)
{
    const auto* texCoords =
        dynamic_cast<const osg::Vec2Array*>(quad.getDrawable(0)->asGeometry()->getTexCoordArray(0));
    return texCoords ? std::vector<osg::Vec2>(texCoords->begin(), texCoords->end()) : std::vector<osg::Vec2>();
}

std::vector<osg::Vec3> expectedVertices(float h, float k)
{
    return {{-h, -k, 0}, {h, -k, 0}, {h, k, 0}, {-h, k, 0}};
}

std::vector<osg::Vec2> expectedTexCoords(float s, float t, bool flipped)
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
const osg::Vec4ub kTranslucentWhite(255, 255, 255, 79);

osg::Vec4ub pixelOf(const osg::Image& image, int x, int y)
{
    const unsigned char* pixel = image.data(x, y);
    return osg::Vec4ub(pixel[0], pixel[1], pixel[2], pixel[3]);
}

void expectPlaceholder(const osg::Image& image)
{
    ASSERT_EQ(image.s(), 32);
    ASSERT_EQ(image.t(), 32);
    ASSERT_EQ(image.getPixelFormat(), static_cast<GLenum>(GL_RGBA));
    ASSERT_EQ(image.getDataType(), static_cast<GLenum>(GL_UNSIGNED_BYTE));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            EXPECT_EQ(pixelOf(image, x, y), x == y || x == 31 - y ? kRed : kTranslucentWhite)
                << "pixel " << x << "," << y;
        }
    }
}

}  // namespace

TEST(VideoQuadTest, SizedQuadIsATransparentBlackPixelSizedTexturedRectangle)
{
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(320, 240);

    osg::Image* image = quad->image();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->s(), 320);
    EXPECT_EQ(image->t(), 240);
    EXPECT_EQ(image->r(), 1);
    EXPECT_EQ(image->getPixelFormat(), static_cast<GLenum>(GL_RGBA));
    EXPECT_EQ(image->getDataType(), static_cast<GLenum>(GL_UNSIGNED_BYTE));
    const std::vector<unsigned char> zeros(320 * 240 * 4, 0);
    EXPECT_EQ(std::memcmp(image->data(), zeros.data(), zeros.size()), 0);

    ASSERT_EQ(quad->getNumDrawables(), 1u);
    const osg::Geometry* geometry = quad->getDrawable(0)->asGeometry();
    ASSERT_NE(geometry, nullptr);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(160, 120));
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(320, 240, false));
    EXPECT_EQ(geometry->getVertexArray()->getBinding(), osg::Array::BIND_PER_VERTEX);
    EXPECT_EQ(geometry->getTexCoordArray(0)->getBinding(), osg::Array::BIND_PER_VERTEX);
    EXPECT_EQ(geometry->getNormalArray(), nullptr);

    const auto* colors = dynamic_cast<const osg::Vec4Array*>(geometry->getColorArray());
    ASSERT_NE(colors, nullptr);
    ASSERT_EQ(colors->size(), 1u);
    EXPECT_EQ((*colors)[0], osg::Vec4(1, 1, 1, 1));
    EXPECT_EQ(colors->getBinding(), osg::Array::BIND_OVERALL);

    ASSERT_EQ(geometry->getNumPrimitiveSets(), 1u);
    const auto* fan = dynamic_cast<const osg::DrawArrays*>(geometry->getPrimitiveSet(0));
    ASSERT_NE(fan, nullptr);
    EXPECT_EQ(fan->getMode(), static_cast<GLenum>(GL_TRIANGLE_FAN));
    EXPECT_EQ(fan->getFirst(), 0);
    EXPECT_EQ(fan->getCount(), 4);

    const osg::StateSet* stateSet = geometry->getStateSet();
    ASSERT_NE(stateSet, nullptr);
    const auto* texture = dynamic_cast<const osg::TextureRectangle*>(
        stateSet->getTextureAttribute(0, osg::StateAttribute::TEXTURE));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->getImage(), image);
    EXPECT_EQ(texture->getFilter(osg::Texture::MIN_FILTER), osg::Texture::LINEAR);
    EXPECT_EQ(texture->getFilter(osg::Texture::MAG_FILTER), osg::Texture::LINEAR);
    EXPECT_EQ(texture->getWrap(osg::Texture::WRAP_S), osg::Texture::CLAMP_TO_EDGE);
    EXPECT_EQ(texture->getWrap(osg::Texture::WRAP_T), osg::Texture::CLAMP_TO_EDGE);
    EXPECT_EQ(stateSet->getTextureMode(0, GL_TEXTURE_RECTANGLE), osg::StateAttribute::ON);
    EXPECT_EQ(stateSet->getMode(GL_BLEND), osg::StateAttribute::ON);
    EXPECT_EQ(stateSet->getMode(GL_LIGHTING), osg::StateAttribute::OFF);
    EXPECT_EQ(stateSet->getAttribute(osg::StateAttribute::BLENDFUNC), nullptr);
    EXPECT_EQ(stateSet->getRenderingHint(), osg::StateSet::DEFAULT_BIN);
}

TEST(VideoQuadTest, OddSizesLoseHalfAUnitOnEachSideWhileTheTextureSpansTheImage)
{
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(101, 51);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(50, 25));
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(101, 51, false));

    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(7, 3, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    osg::ref_ptr<osg::Geometry> geometry = VideoQuad::makeGeometryForImage(image);
    EXPECT_EQ(geometry->referenceCount(), 1);
    const auto* vertices = dynamic_cast<const osg::Vec3Array*>(geometry->getVertexArray());
    ASSERT_NE(vertices, nullptr);
    EXPECT_EQ(std::vector<osg::Vec3>(vertices->begin(), vertices->end()), expectedVertices(3, 1));
}

TEST(VideoQuadTest, FlippingSwapsOnlyTheVerticalTextureCoordinatesAndRepeatingItChangesNothing)
{
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(320, 240);
    quad->setFlipVertical(true);
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(320, 240, true));
    EXPECT_EQ(verticesOf(*quad), expectedVertices(160, 120));

    const osg::Array* flippedCoords = quad->getDrawable(0)->asGeometry()->getTexCoordArray(0);
    quad->setFlipVertical(true);
    EXPECT_EQ(quad->getDrawable(0)->asGeometry()->getTexCoordArray(0), flippedCoords);

    quad->setFlipVertical(false);
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(320, 240, false));
}

TEST(VideoQuadTest, UpdateTraversalFollowsTheImageSizeOnceAndKeepsTheFlipAndOtherCallbacks)
{
    osg::ref_ptr<osg::Group> root = new osg::Group;
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(320, 240);
    root->addChild(quad);
    quad->setFlipVertical(true);
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

    runUpdateTraversal(*root, 1);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(160, 120));
    EXPECT_EQ(laterCallbackRuns, 1);

    quad->image()->allocateImage(640, 480, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(160, 120)) << "the quad follows only in the update traversal";
    runUpdateTraversal(*root, 2);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(320, 240));
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(640, 480, true));
    EXPECT_EQ(laterCallbackRuns, 2);

    const osg::Geometry* geometry = quad->getDrawable(0)->asGeometry();
    const osg::Array* vertices = geometry->getVertexArray();
    const osg::Array* texCoords = geometry->getTexCoordArray(0);
    runUpdateTraversal(*root, 3);
    EXPECT_EQ(geometry->getVertexArray(), vertices) << "same size, no rebuild";
    EXPECT_EQ(geometry->getTexCoordArray(0), texCoords);

    quad->image()->allocateImage(640, 481, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    runUpdateTraversal(*root, 4);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(320, 240));
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(640, 481, true)) << "a change of height alone counts";
}

TEST(VideoQuadTest, DegenerateSizeStaysAtTheOriginUntilAWriterSizesTheImage)
{
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(-1, -1);
    ASSERT_NE(quad->image(), nullptr);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(0, 0));

    quad->image()->allocateImage(64, 48, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    runUpdateTraversal(*quad, 1);
    EXPECT_EQ(verticesOf(*quad), expectedVertices(32, 24));
    EXPECT_EQ(texCoordsOf(*quad), expectedTexCoords(64, 48, false));
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
    ASSERT_EQ(fromPng->image()->s(), 6);
    ASSERT_EQ(fromPng->image()->t(), 4);
    EXPECT_EQ(verticesOf(*fromPng), expectedVertices(3, 2));
    const unsigned char* pixel = fromPng->image()->data(0, 0);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_EQ(pixel[2], 0);

    {
        SCOPED_TRACE("missing file");
        osg::ref_ptr<VideoQuad> missing = new VideoQuad(dir.filePath("missing.png").toStdString());
        expectPlaceholder(*missing->image());
        EXPECT_EQ(verticesOf(*missing), expectedVertices(16, 16));
        EXPECT_EQ(texCoordsOf(*missing), expectedTexCoords(32, 32, false));
    }
    const std::vector<std::pair<QString, QByteArray>> broken = {
        {"noise.png", QByteArray::fromHex("1337a0ff00feedface00ff0102030405")},
        {"empty.png", QByteArray()},
        {"truncated.png", [&] {
             QFile file(pngPath);
             file.open(QIODevice::ReadOnly);
             return file.readAll().left(20);
         }()},
    };
    for (const auto& [name, content] : broken) {
        SCOPED_TRACE(name.toStdString());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        osg::ref_ptr<VideoQuad> quad = new VideoQuad(file.fileName().toStdString());
        expectPlaceholder(*quad->image());
    }
}

TEST(VideoQuadTest, DecoderRowsShowRightSideUpOnceFlippedAndResizedPicturesFillTheView)
{
    constexpr int kViewWidth = 64;
    constexpr int kViewHeight = 32;
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(kViewWidth, kViewHeight);
    testsupport::OffscreenView view(kViewWidth, kViewHeight, quad);
    if (!view.valid())
        GTEST_SKIP() << "no display for an OpenGL context";

    paintTopRedBottomBlue(*quad->image());
    view.frame();
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, 2), kBlue);  // first row drawn at the bottom
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, kViewHeight - 3), kRed);

    quad->setFlipVertical(true);
    view.frame();
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, 2), kRed);
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, kViewHeight - 3), kBlue);
    EXPECT_EQ(view.pixelFromTop(2, 2), kRed);
    EXPECT_EQ(view.pixelFromTop(kViewWidth - 3, kViewHeight - 3), kBlue);

    // A writer halves the picture: the frame's update traversal shrinks the quad to the middle.
    quad->image()->allocateImage(kViewWidth / 2, kViewHeight / 2, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    paintTopRedBottomBlue(*quad->image());
    view.frame();
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, kViewHeight / 4 + 2), kRed);
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, 3 * kViewHeight / 4 - 3), kBlue);
    EXPECT_EQ(view.pixelFromTop(2, 2), kBlack);
    EXPECT_EQ(view.pixelFromTop(kViewWidth / 2, kViewHeight - 2), kBlack);
}

TEST(VideoQuadTest, AQuadWithoutAPictureDrawsNothingUntilAWriterGivesItOne)
{
    constexpr int kViewSize = 16;
    osg::ref_ptr<VideoQuad> quad = new VideoQuad(-1, -1);
    testsupport::OffscreenView view(kViewSize, kViewSize, quad);
    if (!view.valid())
        GTEST_SKIP() << "no display for an OpenGL context";

    view.frame();
    EXPECT_EQ(view.pixelFromTop(kViewSize / 2, kViewSize / 2), kBlack);

    quad->image()->allocateImage(kViewSize, kViewSize, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    quad->setFlipVertical(true);
    paintTopRedBottomBlue(*quad->image());
    view.frame();
    EXPECT_EQ(view.pixelFromTop(kViewSize / 2, 1), kRed);
    EXPECT_EQ(view.pixelFromTop(kViewSize / 2, kViewSize - 2), kBlue);
}
