#include "media/QtImageToOsgImage.h"

#include <cstring>

namespace MediaPlayer2 {

namespace {

// The osg image is declared as four bytes a pixel; Qt gives pixmaps 32-bit formats, and pictures
// of any other depth are widened first so that the copy never reads past the QImage's pixels.
constexpr int kOsgBitsPerPixel = 32;
constexpr QImage::Format kWideningFormat = QImage::Format_ARGB32;

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
    const QImage source =
        qImage.isNull() || qImage.depth() == kOsgBitsPerPixel ? qImage : qImage.convertToFormat(kWideningFormat);
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
