#include "ffmpeg/Frame.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <cstring>

namespace FFmpeg {

Frame::Frame() : frame_(av_frame_alloc()), overrideTime_(AV_NOPTS_VALUE), bufferSize_(0) {}

Frame::Frame(const Frame& other)
    : frame_(av_frame_clone(other.frame_)), overrideTime_(other.overrideTime_), bufferSize_(0)
{
}

Frame::~Frame()
{
    av_frame_free(&frame_); // unreferences the buffers first
}

int Frame::allocateBuffer(AVPixelFormat pixelFormat, int width, int height)
{
    bufferSize_ = 0;
    if (!frame_)
        return 1;
    frame_->format = pixelFormat;
    frame_->width = width;
    frame_->height = height;
    // Alignment 1 packs each row without padding; the scene-graph picture relies on it.
    if (av_frame_get_buffer(frame_, 1) < 0)
        return 1;
    av_frame_make_writable(frame_);
    bufferSize_ = av_image_get_buffer_size(pixelFormat, width, height, 1);
    return 0;
}

int Frame::allocateBuffer(AVPixelFormat pixelFormat, int width, int height, AVBufferPool& pool)
{
    // A frame that has a buffer keeps it, and its size, untouched.
    if (!frame_ || frame_->buf[0])
        return 1;
    const int size = av_image_get_buffer_size(pixelFormat, width, height, 1);
    AVBufferRef* buffer = size > 0 ? av_buffer_pool_get(&pool) : nullptr;
    if (!buffer || buffer->size < static_cast<std::size_t>(size)) {
        av_buffer_unref(&buffer);
        return 1;
    }
    frame_->format = pixelFormat;
    frame_->width = width;
    frame_->height = height;
    frame_->buf[0] = buffer;
    av_image_fill_arrays(frame_->data, frame_->linesize, buffer->data, pixelFormat, width, height, 1);
    frame_->extended_data = frame_->data;
    bufferSize_ = size;
    return 0;
}

int Frame::fillImage(const unsigned char* data, unsigned long size)
{
    if (!frame_ || !data || size == 0 || size > static_cast<unsigned long>(bufferSize_))
        return 1;
    if (av_frame_make_writable(frame_) < 0)
        return 1;
    std::memcpy(frame_->data[0], data, size);
    return 0;
}

int Frame::copyMetadata(const Frame& other)
{
    if (!frame_ || frame_ == other.frame_)
        return 1;
    return av_frame_copy_props(frame_, other.frame_);
}

AVFrame* Frame::avFrame()
{
    return frame_;
}

const AVFrame* Frame::avFrame() const
{
    return frame_;
}

int Frame::numSamples() const
{
    return frame_ ? frame_->nb_samples : 0;
}

int Frame::sampleRate() const
{
    return frame_ ? frame_->sample_rate : 0;
}

int Frame::width() const
{
    return frame_ ? frame_->width : 0;
}

int Frame::height() const
{
    return frame_ ? frame_->height : 0;
}

AVPixelFormat Frame::pixelFormat() const
{
    return frame_ ? static_cast<AVPixelFormat>(frame_->format) : AV_PIX_FMT_NONE;
}

int64_t Frame::bestEffortTimeStamp() const
{
    if (overrideTime_ != AV_NOPTS_VALUE)
        return overrideTime_;
    return frame_ ? frame_->best_effort_timestamp : 0;
}

void Frame::setOverrideTime(int64_t time)
{
    overrideTime_ = time;
}

} // namespace FFmpeg
