#include "ffmpeg/FormatContext.h"

#include "ffmpeg/CodecContextImpl.h"
#include "ffmpeg/Packet.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace FFmpeg {

namespace {

// FFmpeg's container-wide time base (stream index -1) counts microseconds.
constexpr double kMicrosecondsPerSecond = 1000000.0;

} // namespace

FormatContext::FormatContext() : context_(nullptr) {}

FormatContext::~FormatContext()
{
    close();
}

int FormatContext::open(const std::string& filename)
{
    close();
    if (avformat_open_input(&context_, filename.c_str(), nullptr, nullptr) != 0)
        return 1;
    filename_ = filename;
    if (avformat_find_stream_info(context_, nullptr) < 0) {
        close();
        return 1;
    }
    startTime_ = context_->start_time == AV_NOPTS_VALUE ? 0 : context_->start_time;
    for (unsigned int i = 0; i < context_->nb_streams; ++i) {
        AVStream* stream = context_->streams[i];
        AVCodecContext* codecContext = avcodec_alloc_context3(avcodec_find_decoder(stream->codecpar->codec_id));
        // A stream without its entry would shift every later entry off its stream number, so a
        // failure here (out of memory) fails the whole open.
        if (!codecContext || avcodec_parameters_to_context(codecContext, stream->codecpar) < 0) {
            avcodec_free_context(&codecContext);
            close();
            return 1;
        }
        codecContexts_.push_back(
            new CodecContextImpl(stream, codecContext, avcodec_find_decoder(codecContext->codec_id)));
    }
    return 0;
}

int FormatContext::close()
{
    for (CodecContext* codecContext : codecContexts_)
        delete codecContext;
    codecContexts_.clear();
    avformat_close_input(&context_);
    filename_.clear();
    startTime_ = 0;
    return 0;
}

bool FormatContext::isOpen() const
{
    return context_ != nullptr;
}

int FormatContext::numStreams() const
{
    return context_ ? static_cast<int>(codecContexts_.size()) : 0;
}

int FormatContext::findBestStream(AVMediaType type) const
{
    if (!context_)
        return AVERROR_STREAM_NOT_FOUND;
    return av_find_best_stream(context_, type, -1, -1, nullptr, 0);
}

CodecContext* FormatContext::codecContext(unsigned int index) const
{
    return index < codecContexts_.size() ? codecContexts_[index] : nullptr;
}

std::string FormatContext::codecName(unsigned int index) const
{
    const CodecContext* entry = codecContext(index);
    return entry ? entry->codecName() : std::string();
}

int FormatContext::readFrame(Packet& packet)
{
    if (!context_ || av_read_frame(context_, packet.avPacket()) < 0)
        return 1;
    AVPacket* read = packet.avPacket();
    if (startTime_ != 0 && read->stream_index >= 0 && static_cast<unsigned>(read->stream_index) < context_->nb_streams) {
        const int64_t shift = av_rescale_q(startTime_, AV_TIME_BASE_Q, context_->streams[read->stream_index]->time_base);
        if (read->pts != AV_NOPTS_VALUE)
            read->pts -= shift;
        if (read->dts != AV_NOPTS_VALUE)
            read->dts -= shift;
    }
    return 0;
}

double FormatContext::duration() const
{
    // Containers that do not know their length (raw streams) report no duration rather than
    // FFmpeg's "no value" marker.
    if (!context_ || context_->duration == AV_NOPTS_VALUE)
        return 0.0;
    return static_cast<double>(context_->duration) / kMicrosecondsPerSecond;
}

int FormatContext::seek(double seconds)
{
    if (!context_)
        return 1;
    // The start is sought from a second before it: a container searched by its packets' times
    // (MPEG-TS) lands after the packet it finds, which at the start is the first picture.
    const double from = seconds > 0.0 ? seconds : -1.0;
    const auto target = static_cast<int64_t>(from * kMicrosecondsPerSecond) + startTime_;
    if (av_seek_frame(context_, -1, target, AVSEEK_FLAG_BACKWARD) >= 0)
        return 0;
    return av_seek_frame(context_, -1, target, 0) >= 0 ? 0 : 1;
}

int FormatContext::dumpFormat()
{
    if (!context_)
        return 1;
    av_dump_format(context_, 0, filename_.c_str(), 0);
    return 0;
}

} // namespace FFmpeg
