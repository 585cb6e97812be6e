#include "ffmpeg/ConvertPixelFormatFilter.h"

#include "ffmpeg/CodecContext.h"
#include "ffmpeg/ScaleAndReformat.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace FFmpeg {

namespace {
// The scaler's vector code may store whole vectors past the last pixel, as the decoders' own
// buffers allow for; av_frame_get_buffer leaves this much slack behind a picture too.
constexpr std::size_t kScalerOverrun = 16 + 64;
} // namespace

ConvertPixelFormatFilter::ConvertPixelFormatFilter(const CodecContext& codecContext, AVPixelFormat outputFormat,
                                                   QObject* parent)
    : QObject(parent)
    , codecContext_(codecContext)
    , outputFormat_(outputFormat)
    , outputWidth_(codecContext.width())
    , outputHeight_(codecContext.height())
    , scaler_(new UTILS::ScaleAndReformat)
{
    reinitialize(outputFormat, -1, -1);
}

ConvertPixelFormatFilter::~ConvertPixelFormatFilter()
{
    delete scaler_;
    av_buffer_pool_uninit(&bufferPool_);
}

int ConvertPixelFormatFilter::reinitialize(AVPixelFormat format, int width, int height)
{
    outputFormat_ = format;
    if (width >= 1)
        outputWidth_ = width;
    if (height >= 1)
        outputHeight_ = height;
    av_buffer_pool_uninit(&bufferPool_);
    const int bufferSize = av_image_get_buffer_size(outputFormat_, outputWidth_, outputHeight_, 1);
    if (bufferSize > 0)
        bufferPool_ = av_buffer_pool_init(static_cast<std::size_t>(bufferSize) + kScalerOverrun, nullptr);
    return scaler_->initialize(codecContext_.width(), codecContext_.height(), codecContext_.pixelFormat(),
                               outputWidth_, outputHeight_, outputFormat_);
}

Frame* ConvertPixelFormatFilter::createFrame() const
{
    Frame* frame = new Frame;
    // Without a pool (no picture size) the frame stays without buffer and is not converted into.
    if (bufferPool_)
        frame->allocateBuffer(outputFormat_, outputWidth_, outputHeight_, *bufferPool_);
    return frame;
}

void ConvertPixelFormatFilter::convert(std::shared_ptr<FFmpeg::Frame> frame)
{
    convert(std::move(frame), nullptr);
}

void ConvertPixelFormatFilter::convert(std::shared_ptr<FFmpeg::Frame> inputFrame,
                                       std::shared_ptr<FFmpeg::Frame> outputFrame)
{
    if (!outputFrame || !hasOutputBuffer_(*outputFrame))
        outputFrame.reset(createFrame());
    if (!inputFrame || !hasOutputBuffer_(*outputFrame) || !prepareScalerFor_(*inputFrame))
        return;

    const AVFrame* input = inputFrame->avFrame();
    AVFrame* output = outputFrame->avFrame();
    outputFrame->copyMetadata(*inputFrame);
    if (scaler_->scale(input->data, input->linesize, 0, input->height, output->data, output->linesize) <= 0)
        return;
    emit convertedFrameReady(std::move(outputFrame));
}

bool ConvertPixelFormatFilter::hasOutputBuffer_(const Frame& outputFrame) const
{
    // The scaler writes outputWidth_ x outputHeight_ pixels: a buffer made for anything else
    // would be overrun or left partly unwritten.
    return outputFrame.avFrame()->data[0] && outputFrame.pixelFormat() == outputFormat_
           && outputFrame.width() == outputWidth_ && outputFrame.height() == outputHeight_;
}

bool ConvertPixelFormatFilter::prepareScalerFor_(const Frame& inputFrame)
{
    return scaler_->initialize(inputFrame.width(), inputFrame.height(), inputFrame.pixelFormat(), outputWidth_,
                               outputHeight_, outputFormat_)
           == 0;
}

} // namespace FFmpeg
