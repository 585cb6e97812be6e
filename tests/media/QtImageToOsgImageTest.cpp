#include "media/QtImageToOsgImage.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstring>

using MediaPlayer2::QtImageToOsgImage;

namespace {

// Every pixel different, so a swapped row, pixel or channel shows.
QImage makeNumberedImage(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(10 * x + 1, 20 * y + 2, 7 * (x + y) + 3, 200 + x));
    return image.convertToFormat(format);
}

// The osg image holds the picture as the GL_RGBA bytes it is labelled with, row for row from the top.
void expectSameMemory(const osg::Image& osgImage, const QImage& picture)
{
    const QImage qImage = picture.convertToFormat(QImage::Format_RGBA8888);
    EXPECT_EQ(osgImage.getPixelFormat(), static_cast<GLenum>(GL_RGBA));
    EXPECT_EQ(osgImage.getDataType(), static_cast<GLenum>(GL_UNSIGNED_BYTE));
    ASSERT_EQ(osgImage.s(), qImage.width());
    ASSERT_EQ(osgImage.t(), qImage.height());
    EXPECT_EQ(osgImage.getTotalSizeInBytes(), static_cast<unsigned>(qImage.width() * qImage.height() * 4));
    for (int y = 0; y < qImage.height(); ++y)
        EXPECT_EQ(std::memcmp(osgImage.data(0, y), qImage.constScanLine(y), qImage.width() * 4), 0) << "row " << y;
}

struct ModifiedCounter : osg::BufferData::ModifiedCallback {
    void modified(osg::BufferData*) const override { ++calls; }
    mutable int calls = 0;
};

}  // namespace

TEST(QtImageToOsgImageTest, ConvertGivesRgbaBytesInRowOrderWhateverTheQImageFormat)
{
    for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_RGBA8888, QImage::Format_RGB888,
                                  QImage::Format_Grayscale8, QImage::Format_Mono, QImage::Format_RGB16,
                                  QImage::Format_RGBA64}) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        const QImage qImage = makeNumberedImage(7, 3, format);
        osg::ref_ptr<osg::Image> osgImage = new osg::Image;
        QtImageToOsgImage().convert(qImage, *osgImage);
        expectSameMemory(*osgImage, qImage);
    }
}

TEST(QtImageToOsgImageTest, ConvertImageRefillsTheSameTargetAndMarksItModifiedOnce)
{
    QtImageToOsgImage converter;
    converter.convertImage(makeNumberedImage(2, 2, QImage::Format_ARGB32));  // no target: nothing happens

    osg::ref_ptr<osg::Image> target = new osg::Image;
    target->allocateImage(320, 240, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    osg::ref_ptr<ModifiedCounter> counter = new ModifiedCounter;
    target->setModifiedCallback(counter);
    converter.setOsgImage(target);

    const QImage picture = makeNumberedImage(6, 4, QImage::Format_RGB32);
    converter.convertImage(picture);
    expectSameMemory(*target, picture);
    EXPECT_EQ(counter->calls, 1);
    EXPECT_EQ(target->getModifiedCallback(), counter.get());

    converter.convertImage(QImage());
    EXPECT_EQ(target->s(), 0);
    EXPECT_EQ(counter->calls, 2);

    converter.setOsgImage(new osg::Image);
    EXPECT_EQ(target->referenceCount(), 1) << "the previous target is released";
}
