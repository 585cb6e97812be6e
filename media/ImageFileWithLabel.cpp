#include "media/ImageFileWithLabel.h"

#include <QLabel>

namespace MediaPlayer2 {

ImageFileWithLabel::ImageFileWithLabel(QObject* parent)
    : ImageFile(parent)
{
}

ImageFileWithLabel::~ImageFileWithLabel() = default;

void ImageFileWithLabel::setImageOutput(QLabel* label)
{
    label_ = label;
}

QWidget* ImageFileWithLabel::outputWidget() const
{
    if (!label_)
        return nullptr;
    label_->setWindowTitle(getTitle_());
    return label_;
}

osg::Node* ImageFileWithLabel::outputNode() const
{
    return nullptr;
}

void ImageFileWithLabel::show()
{
    if (label_) {
        const QPixmap* pixmap = getPixmap_();
        label_->setPixmap(pixmap ? *pixmap : QPixmap());
    }
    emit mediaPlaying(outputWidget());
}

}  // namespace MediaPlayer2
