#include "support/TextureUploadCounter.h"
#include "ffmpeg/GlVideoWidgetSink.h"

#include <QColor>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSharedPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <tuple>

namespace {

using FFmpeg::GlVideoWidgetSink;
using FramePtr = std::shared_ptr<FFmpeg::Frame>;
// Top left, top right, bottom left, bottom right: tells every flip and mirror apart.
using Quadrants = std::array<QRgb, 4>;

const QRgb DARK_BLUE = qRgb(0, 0, 128);
const Quadrants PRIMARY = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
const Quadrants SECONDARY = {qRgb(0, 255, 255), qRgb(255, 0, 255), qRgb(255, 255, 255), qRgb(64, 64, 64)};
const Quadrants MUTED = {qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(200, 100, 50), qRgb(50, 100, 200)};
// The widget's size is the pictures' usual size, so each pixel shows exactly one texel.
const QSize WIDGET_SIZE(64, 48);
const char* const NO_CONTEXT = "no OpenGL 3.3 core context: scripts/test provides one on Xvfb with Mesa";

QImage quadrantImage(QSize size, const Quadrants& colours, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, QImage::Format_RGB32);
    const int halfWidth = size.width() / 2;
    const int halfHeight = size.height() / 2;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, colours[(y < halfHeight ? 0 : 2) + (x < halfWidth ? 0 : 1)]);
    return image.convertToFormat(format);
}

// A BGRA frame as the pipeline's conversion makes it: rows packed without gaps.
FramePtr frameOf(const QImage& picture)
{
    const QImage bgra = picture.convertToFormat(QImage::Format_RGB32);
    auto frame = std::make_shared<FFmpeg::Frame>();
    EXPECT_EQ(frame->allocateBuffer(AV_PIX_FMT_BGRA, bgra.width(), bgra.height()), 0);
    EXPECT_EQ(frame->fillImage(bgra.constBits(), bgra.sizeInBytes()), 0);
    return frame;
}

FramePtr quadrantFrame(QSize size, const Quadrants& colours)
{
    return frameOf(quadrantImage(size, colours));
}

QSharedPointer<QImage> sharedImage(const QImage& image)
{
    return QSharedPointer<QImage>::create(image);
}

// The colour at the centre of each quadrant, wherever the widget's size puts them.
Quadrants quadrantsOf(const QImage& shown)
{
    const int w = shown.width();
    const int h = shown.height();
    const auto at = [&shown](int x, int y) { return shown.pixel(x, y) | 0xff000000u; };
    return {at(w / 4, h / 4), at(3 * w / 4, h / 4), at(w / 4, 3 * h / 4), at(3 * w / 4, 3 * h / 4)};
}

bool isFilledWith(const QImage& shown, QRgb colour)
{
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if ((shown.pixel(x, y) | 0xff000000u) != colour)
                return false;
    return true;
}

// Without the swap after a repaint the back buffer keeps what that repaint drew, so reading it
// back sees that repaint and nothing else.
class SinkKeepingItsDrawing : public GlVideoWidgetSink
{
public:
    SinkKeepingItsDrawing() { setAutoBufferSwap(false); }
};

class GlVideoWidgetSinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        widget_.resize(WIDGET_SIZE);
        widget_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget_));
        ASSERT_TRUE(widget_.context()->isValid()) << NO_CONTEXT;
    }

    // GL keeps the first error it met until asked, so this covers every call the test made.
    void TearDown() override
    {
        if (!widget_.context()->isValid())
            return;
        widget_.makeCurrent();
        EXPECT_EQ(widget_.context()->contextHandle()->functions()->glGetError(),
                  static_cast<GLenum>(GL_NO_ERROR));
    }

    // A repaint now, as the widget's window asks for one, and the picture it drew.
    QImage repaint()
    {
        widget_.updateGL();
        return shown();
    }

    QImage shown() { return widget_.grabFrameBuffer().convertToFormat(QImage::Format_RGB32); }

    // Waits, within bounds, for a repaint the widget schedules itself to show the picture. (A
    // failed QTRY_COMPARE would only be reported to QtTest, not to this test.)
    bool showsSoon(const QImage& picture)
    {
        return QTest::qWaitFor([&] { return shown() == picture; });
    }

    SinkKeepingItsDrawing widget_;
};

TEST_F(GlVideoWidgetSinkTest, ShowsImagesAndPaddedRowsWithTheirOwnPixels)
{
    // An image in another layout is converted rather than read as BGRA.
    widget_.setImage(sharedImage(quadrantImage(WIDGET_SIZE, SECONDARY, QImage::Format_RGB888)));
    EXPECT_TRUE(showsSoon(quadrantImage(WIDGET_SIZE, SECONDARY)));
    widget_.setImage(sharedImage(quadrantImage(WIDGET_SIZE, PRIMARY, QImage::Format_ARGB32)));
    EXPECT_EQ(repaint(), quadrantImage(WIDGET_SIZE, PRIMARY));

    // A frame whose rows end in unused bytes, as decoders align them: only the pixels are shown.
    const int padding = 16;
    auto padded = std::make_shared<FFmpeg::Frame>();
    ASSERT_EQ(padded->allocateBuffer(AV_PIX_FMT_BGRA, WIDGET_SIZE.width() + padding, WIDGET_SIZE.height()), 0);
    const QImage rows = quadrantImage(WIDGET_SIZE + QSize(padding, 0), MUTED);
    ASSERT_EQ(padded->fillImage(rows.constBits(), rows.sizeInBytes()), 0);
    padded->avFrame()->width = WIDGET_SIZE.width();
    widget_.setFrame(padded);
    EXPECT_EQ(repaint(), rows.copy(QRect(QPoint(), WIDGET_SIZE)));
}

TEST_F(GlVideoWidgetSinkTest, UploadsOnlyTheLatestPictureWaitingForARepaint)
{
    const auto frame = [](const Quadrants& colours) { return std::function<void(GlVideoWidgetSink&)>(
        [colours](GlVideoWidgetSink& sink) { sink.setFrame(quadrantFrame(WIDGET_SIZE, colours)); }); };
    const auto image = [](const Quadrants& colours) { return std::function<void(GlVideoWidgetSink&)>(
        [colours](GlVideoWidgetSink& sink) { sink.setImage(sharedImage(quadrantImage(WIDGET_SIZE, colours))); }); };
    const std::tuple<std::function<void(GlVideoWidgetSink&)>, std::function<void(GlVideoWidgetSink&)>, Quadrants> pairs[] = {
        {frame(PRIMARY), frame(SECONDARY), SECONDARY}, {frame(MUTED), image(PRIMARY), PRIMARY},
        {image(MUTED), frame(SECONDARY), SECONDARY}};
    for (const auto& [first, second, latest] : pairs) {
        TextureUploadCounter counter;
        first(widget_);
        second(widget_);
        EXPECT_EQ(repaint(), quadrantImage(WIDGET_SIZE, latest));
        EXPECT_EQ(counter.uploads(), 1);
    }
}

TEST_F(GlVideoWidgetSinkTest, RedefinesTheTextureOnlyWhenThePictureSizeChanges)
{
    struct Step {
        QSize size;
        Quadrants colours;
        int definitions;
        int updates;
    };
    const Step steps[] = {
        {{640, 480}, PRIMARY, 1, 0},
        {{1280, 720}, SECONDARY, 1, 0},
        {{1280, 720}, MUTED, 0, 1},
        // Smaller again: updating in place would leave the old picture around the new one.
        {{640, 480}, SECONDARY, 1, 0},
        {{640, 360}, MUTED, 1, 0},  // a change of height alone counts
        {{640, 360}, PRIMARY, 0, 1},
    };
    for (const Step& step : steps) {
        TextureUploadCounter counter;
        widget_.setFrame(quadrantFrame(step.size, step.colours));
        // The whole picture, scaled to the widget, whatever size the texture had before.
        EXPECT_EQ(quadrantsOf(repaint()), step.colours) << step.size.width() << "x" << step.size.height();
        EXPECT_EQ(counter.definitions(), step.definitions) << step.size.width() << "x" << step.size.height();
        EXPECT_EQ(counter.updates(), step.updates) << step.size.width() << "x" << step.size.height();
    }
}

TEST_F(GlVideoWidgetSinkTest, ShowsDarkBlueUntilAUsablePictureArrivesThenKeepsItUploadedOnce)
{
    auto empty = std::make_shared<FFmpeg::Frame>();
    auto planar = std::make_shared<FFmpeg::Frame>();
    ASSERT_EQ(planar->allocateBuffer(AV_PIX_FMT_YUV420P, WIDGET_SIZE.width(), WIDGET_SIZE.height()), 0);
    auto noRows = std::make_shared<FFmpeg::Frame>();
    ASSERT_EQ(noRows->allocateBuffer(AV_PIX_FMT_BGRA, 8, 8), 0);
    noRows->avFrame()->height = 0;
    const std::function<void()> unusable[] = {
        [&] { widget_.setFrame(nullptr); },
        [&] { widget_.setFrame(empty); },
        [&] { widget_.setFrame(planar); },
        [&] { widget_.setFrame(noRows); },
        [&] { widget_.setImage(nullptr); },
        [&] { widget_.setImage(sharedImage(QImage())); },
    };

    TextureUploadCounter counter;
    for (const auto& deliver : unusable) {
        deliver();
        EXPECT_TRUE(isFilledWith(repaint(), DARK_BLUE));
    }
    EXPECT_EQ(counter.uploads(), 0);

    const QImage picture = quadrantImage(WIDGET_SIZE, PRIMARY);
    widget_.setFrame(frameOf(picture));
    // The frame waits for the repaint the widget schedules for itself; it is drawn right side up.
    EXPECT_TRUE(showsSoon(picture));
    for (const auto& deliver : unusable) {
        deliver();
        EXPECT_EQ(repaint(), picture);
    }
    EXPECT_EQ(counter.uploads(), 1) << "a picture is uploaded once, however often it is drawn";
}

TEST(GlVideoWidgetSinkLifetime, ReleasesItsGlObjectsWhetherOrNotItEverDrew)
{
    { GlVideoWidgetSink neverShown; }
    {
        GlVideoWidgetSink shownWithoutPicture;
        shownWithoutPicture.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&shownWithoutPicture));
        shownWithoutPicture.updateGL();
    }
    {
        GlVideoWidgetSink showingFrames;
        showingFrames.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&showingFrames));
        showingFrames.setFrame(quadrantFrame(WIDGET_SIZE, PRIMARY));
        showingFrames.updateGL();
        // One still waiting when the widget goes.
        showingFrames.setFrame(quadrantFrame(WIDGET_SIZE, SECONDARY));
    }
}

TEST(GlVideoWidgetSinkLifetime, KeepsShowingPicturesAfterMovingIntoAnotherWindow)
{
    // Hosts put the widget into windows of their own after it was shown on its own.
    QWidget container;
    auto* sink = new SinkKeepingItsDrawing;
    const auto shows = [sink](const Quadrants& colours) {
        sink->updateGL();
        return sink->grabFrameBuffer().convertToFormat(QImage::Format_RGB32) == quadrantImage(WIDGET_SIZE, colours);
    };
    sink->resize(WIDGET_SIZE);
    sink->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sink));
    ASSERT_TRUE(sink->context()->isValid()) << NO_CONTEXT;
    sink->setFrame(quadrantFrame(WIDGET_SIZE, PRIMARY));
    EXPECT_TRUE(shows(PRIMARY));

    sink->setParent(&container);
    container.resize(WIDGET_SIZE * 2);
    sink->resize(WIDGET_SIZE);
    sink->show();
    container.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&container));
    EXPECT_TRUE(shows(PRIMARY));
    sink->setFrame(quadrantFrame(WIDGET_SIZE, SECONDARY));
    EXPECT_TRUE(shows(SECONDARY));
}

} // namespace
