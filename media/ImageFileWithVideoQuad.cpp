#include "media/ImageFileWithVideoQuad.h"

#include "media/QtImageToOsgImage.h"

#include <osg/Quat>

namespace MediaPlayer2 {

namespace {

// Size of the quad before a picture is copied to it; it follows the picture's size afterwards.
constexpr int kInitialQuadWidth = 320;
constexpr int kInitialQuadHeight = 240;

// Turns the quad over about the X axis so that the picture, whose first row is its top row, shows
// right side up. The quaternion is used as it stands, unnormalised: normalised, it is a turn of
// about 179.36 degrees, so the picture leans slightly out of the transform's XY plane.
const osg::Quat kTurnOverAttitude(180.0, 0.0, 0.0, 1.0);

}  // namespace

ImageFileWithVideoQuad::ImageFileWithVideoQuad(QObject* parent)
    : ImageFile(parent)
    , transform_(new osg::PositionAttitudeTransform)
    , videoQuad_(new VideoQuad(kInitialQuadWidth, kInitialQuadHeight))
{
    transform_->setAttitude(kTurnOverAttitude);
    transform_->addChild(videoQuad_);
}

ImageFileWithVideoQuad::~ImageFileWithVideoQuad() = default;

void ImageFileWithVideoQuad::setMedia(const QUrl& url)
{
    ImageFile::setMedia(url);
    imageChanged_ = true;
}

QWidget* ImageFileWithVideoQuad::outputWidget() const
{
    return nullptr;
}

osg::Node* ImageFileWithVideoQuad::outputNode() const
{
    return transform_.get();
}

void ImageFileWithVideoQuad::show()
{
    if (imageChanged_) {
        QtImageToOsgImage converter;
        converter.setOsgImage(videoQuad_->image());
        const QPixmap* pixmap = getPixmap_();
        converter.convertImage(pixmap ? pixmap->toImage() : QImage());
        imageChanged_ = false;
    }
    emit mediaPlaying(outputWidget());
}

}  // namespace MediaPlayer2
