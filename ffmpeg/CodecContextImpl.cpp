#include "ffmpeg/CodecContextImpl.h"

#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace FFmpeg {

namespace {

// Layout masks reported when a stream names its channel count but no layout.
constexpr int64_t kStereoLayout = AV_CH_LAYOUT_STEREO;
constexpr int64_t kMonoLayout = AV_CH_LAYOUT_MONO;
// The frame duration of a stream that tells no frame rate.
constexpr double kDefaultFrameDuration = 1.0 / 25.0;
// The largest picture decoded: 8K UHD (7680 x 4320) fits. FFmpeg allows up to INT_MAX / 8 pixels,
// so a damaged header of a few bytes could make every frame a gigabyte, and the BGRA copy four times
// the pixel count again.
constexpr int64_t kMaxPicturePixels = int64_t(1) << 25;
// Full HD, with the 1088 rows H.264 codes it in.
constexpr int64_t kOneCorePicturePixels = 1920 * 1088;

} // namespace

CodecContextImpl::CodecContextImpl(AVStream* stream, AVCodecContext* context, const AVCodec* codec)
    : stream_(stream), context_(context), codec_(codec)
{
}

CodecContextImpl::~CodecContextImpl()
{
    close();
}

CodecContext* CodecContextImpl::createCopy() const
{
    auto* copy = new CodecContextImpl(stream_, nullptr, nullptr);
    if (context_ && codec_) {
        copy->codec_ = codec_;
        copy->context_ = avcodec_alloc_context3(codec_);
        if (!copy->context_ || avcodec_parameters_to_context(copy->context_, stream_->codecpar) < 0)
            copy->close();
    }
    return copy;
}

int CodecContextImpl::open()
{
    if (!isValid())
        return 1;
    if (int64_t(context_->width) * context_->height > kMaxPicturePixels) {
        close();
        return 1;
    }
    // Also refuses pictures that grow beyond it later in the stream.
    context_->max_pixels = kMaxPicturePixels;
    // Pictures above full HD take longer than a frame's time to decode on one core: those decode on
    // all of them. Smaller ones take a few milliseconds, and each further thread would hold pictures
    // in flight in every video of a host.
    if (int64_t(context_->width) * context_->height > kOneCorePicturePixels)
        context_->thread_count = 0;
    if (avcodec_open2(context_, codec_, nullptr) >= 0)
        return 0;
    close();
    return 1;
}

int CodecContextImpl::close()
{
    avcodec_free_context(&context_); // closes an opened decoder, nulls the pointer
    codec_ = nullptr;
    return 0;
}

bool CodecContextImpl::isValid() const
{
    return context_ != nullptr;
}

AVCodecID CodecContextImpl::codecId() const
{
    return context_ ? context_->codec_id : AV_CODEC_ID_NONE;
}

AVMediaType CodecContextImpl::mediaType() const
{
    return context_ ? context_->codec_type : AVMEDIA_TYPE_UNKNOWN;
}

int CodecContextImpl::width() const
{
    return context_ ? context_->width : 0;
}

int CodecContextImpl::height() const
{
    return context_ ? context_->height : 0;
}

AVPixelFormat CodecContextImpl::pixelFormat() const
{
    return context_ ? context_->pix_fmt : AV_PIX_FMT_NONE;
}

Frame* CodecContextImpl::allocateFrame(AVPixelFormat pixelFormat) const
{
    auto* frame = new Frame;
    frame->allocateBuffer(pixelFormat, width(), height()); // a failure leaves a frame without buffer
    return frame;
}

int CodecContextImpl::sendPacket(const Packet& packet) const
{
    return avcodec_send_packet(context_, packet.avPacket());
}

int CodecContextImpl::receiveFrame(Frame& frame) const
{
    return avcodec_receive_frame(context_, frame.avFrame());
}

AVSampleFormat CodecContextImpl::sampleFormat() const
{
    return context_ ? context_->sample_fmt : AV_SAMPLE_FMT_NONE;
}

int CodecContextImpl::sampleRate() const
{
    return context_ ? context_->sample_rate : 0;
}

int CodecContextImpl::numChannels() const
{
    return context_ ? context_->ch_layout.nb_channels : 0;
}

int64_t CodecContextImpl::channelLayout() const
{
    if (!context_)
        return kStereoLayout;
    if (context_->ch_layout.order == AV_CHANNEL_ORDER_NATIVE && context_->ch_layout.u.mask != 0)
        return static_cast<int64_t>(context_->ch_layout.u.mask);
    switch (numChannels()) {
    case 1:
        return kMonoLayout;
    case 2:
        return kStereoLayout;
    default:
        return 0;
    }
}

double CodecContextImpl::durationForBytes(int numBytes) const
{
    const int bytesPerSecond = av_get_bytes_per_sample(sampleFormat()) * numChannels() * sampleRate();
    return bytesPerSecond == 0 ? 0.0 : static_cast<double>(numBytes) / bytesPerSecond;
}

double CodecContextImpl::durationForNumSamples(int numSamples) const
{
    const int rate = sampleRate();
    return rate == 0 ? 0.0 : static_cast<double>(numSamples) / rate;
}

double CodecContextImpl::frameDuration() const
{
    if (!stream_)
        return kDefaultFrameDuration;
    const AVRational rate = stream_->avg_frame_rate.num > 0 ? stream_->avg_frame_rate : stream_->r_frame_rate;
    return rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : kDefaultFrameDuration;
}

double CodecContextImpl::ptsToSeconds(int64_t pts) const
{
    if (!stream_ || pts == AV_NOPTS_VALUE)
        return 0.0;
    return static_cast<double>(pts) * av_q2d(stream_->time_base);
}

int64_t CodecContextImpl::secondsToPts(double seconds) const
{
    if (!stream_ || seconds < 0.0)
        return 0;
    const double timeBase = av_q2d(stream_->time_base);
    if (timeBase == 0.0)
        return 0;
    return static_cast<int64_t>(seconds / timeBase);
}

void CodecContextImpl::flushBuffers() const
{
    if (context_)
        avcodec_flush_buffers(context_);
}

std::string CodecContextImpl::codecName() const
{
    if (!context_)
        return std::string();
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(context_->codec_id);
    if (descriptor && descriptor->long_name)
        return descriptor->long_name;
    return avcodec_get_name(context_->codec_id);
}

} // namespace FFmpeg
