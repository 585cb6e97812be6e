#include "media/QtImageToOsgImage.h"

#include <cstring>

namespace MediaPlayer2 {

namespace {

// The osg image is declared as GL_RGBA bytes. Qt's usual 32-bit formats hold a pixel as one 32-bit
// word, which is blue, green, red, alpha in memory on our little-endian targets, so every picture is
// brought into Qt's byte-ordered RGBA format first: a no-op for pictures already in it.
constexpr QImage::Format OSG_BYTE_ORDER_FORMAT = QImage::Format_RGBA8888;

}  // namespace

QtImageToOsgImage::QtImageToOsgImage(QObject* parent)
    : QObject(parent)
{
}

QtImageToOsgImage::~QtImageToOsgImage() = default;

void QtImageToOsgImage::setOsgImage(osg::Image* osgImage)
{
    osgImage_ = osgImage;
}

void QtImageToOsgImage::convert(const QImage& qImage, osg::Image& osgImage) const
{
    const QImage source = qImage.isNull() ? qImage : qImage.convertToFormat(OSG_BYTE_ORDER_FORMAT);
    const auto byteCount = static_cast<size_t>(source.sizeInBytes());
    auto* pixels = new unsigned char[byteCount];
    if (byteCount > 0)
        std::memcpy(pixels, source.constBits(), byteCount);
    osgImage.setImage(source.width(), source.height(), 1, GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, pixels,
                      osg::Image::USE_NEW_DELETE, 1, 0);
}

void QtImageToOsgImage::convertImage(QImage image)
{
    if (!osgImage_)
        return;
    // The target keeps its identity and takes the new pixels; the old ones leave with the swap
    // partner.
    osg::ref_ptr<osg::Image> swapPartner = new osg::Image;
    convert(image, *swapPartner);
    osgImage_->swap(*swapPartner);
    osgImage_->dirty();
}

}  // namespace MediaPlayer2
