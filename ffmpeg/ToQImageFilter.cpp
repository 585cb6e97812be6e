#include "ffmpeg/ToQImageFilter.h"

namespace FFmpeg {

ToQImageFilter::ToQImageFilter(QObject* parent)
    : QObject(parent)
{
}

bool ToQImageFilter::isEnabled() const
{
    return enabled_;
}

void ToQImageFilter::createImage(std::shared_ptr<FFmpeg::Frame> frame)
{
    if (!enabled_ || !frame || frame->pixelFormat() != AV_PIX_FMT_BGRA)
        return;
    const AVFrame* picture = frame->avFrame();
    if (!picture->data[0])
        return;
    // RGB32 is BGRA in memory with the alpha byte ignored. The view borrows the frame's pixels;
    // the copy owns its own, so the image outlives the frame.
    const QImage view(picture->data[0], picture->width, picture->height, picture->linesize[0],
                      QImage::Format_RGB32);
    emit imageReady(QSharedPointer<QImage>::create(view.copy()));
}

void ToQImageFilter::setEnabled(bool isEnabled)
{
    enabled_ = isEnabled;
}

} // namespace FFmpeg
