#include "ffmpeg/VideoTexture.h"

#include "ffmpeg/GlFunctions.h"

#include <utility>

namespace FFmpeg {

namespace {

constexpr int BYTES_PER_PIXEL = 4;

// Qt's 32-bit formats keep each pixel as 0xAARRGGBB, which is blue, green, red, alpha in memory on
// the little-endian machines we run on: what GL_BGRA with GL_UNSIGNED_BYTE reads.
bool isBgraInMemory(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

VideoTexture::~VideoTexture()
{
    if (textureId_ != 0)
        glDeleteTextures(1, &textureId_);
}

void VideoTexture::setGlFunctions(GlFunctions* glFunctions)
{
    glFunctions_ = glFunctions;
}

void VideoTexture::setFrame(std::shared_ptr<FFmpeg::Frame> frame)
{
    frame_ = std::move(frame);
    image_.reset();
}

void VideoTexture::setImage(QSharedPointer<QImage> image)
{
    image_ = std::move(image);
    frame_.reset();
}

void VideoTexture::uploadPending()
{
    if (frame_)
        uploadFrame_();
    else if (image_)
        uploadImage_();
}

bool VideoTexture::isValid() const
{
    return textureValid_;
}

void VideoTexture::bind()
{
    glFunctions_->glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textureId_);
}

void VideoTexture::uploadFrame_()
{
    // Taken out first: the frame is dropped whether or not it can be shown.
    const std::shared_ptr<Frame> frame = std::exchange(frame_, nullptr);
    const AVFrame* picture = frame->avFrame();
    // Only packed BGRA rows can be handed to GL as they are; the pipeline converts to BGRA.
    if (!picture || frame->pixelFormat() != AV_PIX_FMT_BGRA)
        return;
    upload_(picture->width, picture->height, picture->linesize[0], picture->data[0]);
}

void VideoTexture::uploadImage_()
{
    const QSharedPointer<QImage> image = std::exchange(image_, nullptr);
    // An image in another layout is converted rather than read past the end of its pixels.
    const QImage pixels =
        isBgraInMemory(image->format()) ? *image : image->convertToFormat(QImage::Format_ARGB32);
    upload_(pixels.width(), pixels.height(), pixels.bytesPerLine(), pixels.constBits());
}

void VideoTexture::upload_(int width, int height, int bytesPerLine, const void* pixels)
{
    // GL can skip row padding only in whole pixels; anything else is not a picture we can show.
    if (width < 1 || height < 1 || !pixels || bytesPerLine < width * BYTES_PER_PIXEL
        || bytesPerLine % BYTES_PER_PIXEL != 0)
        return;
    if (textureId_ == 0)
        createTexture_();
    else
        bind();
    // Rows may be padded past their last pixel (an image's scan lines, a frame's line size).
    glPixelStorei(GL_UNPACK_ROW_LENGTH, bytesPerLine / BYTES_PER_PIXEL);
    if (!textureValid_ || width != textureWidth_ || height != textureHeight_) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
        textureWidth_ = width;
        textureHeight_ = height;
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    textureValid_ = true;
}

void VideoTexture::createTexture_()
{
    glGenTextures(1, &textureId_);
    bind();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

} // namespace FFmpeg
