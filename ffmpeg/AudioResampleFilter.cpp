#include "ffmpeg/AudioResampleFilter.h"

#include "ffmpeg/CodecContext.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include <limits>

namespace FFmpeg {

namespace {

// What the audio output plays: 16-bit signed stereo at the CD rate.
constexpr AVSampleFormat DEFAULT_SAMPLE_FORMAT = AV_SAMPLE_FMT_S16;
constexpr int DEFAULT_SAMPLE_RATE = 44100;
// libswresample's filter grows with the downsampling ratio: an input rate hundreds of thousands of
// times the output (a damaged header) takes seconds and gigabytes to set up. Real audio reaches
// 768 kHz, about 70 times the lowest output rate the pipeline asks for (11025 Hz at rate 4).
constexpr int64_t MAX_DOWNSAMPLING_RATIO = 128;

// The decoder's layout mask; a mask that names no layout (many channels, none assigned) gets the
// usual layout for the channel count, so that such streams still play.
AVChannelLayout inputLayoutOf(const CodecContext& codecContext)
{
    AVChannelLayout layout{};
    if (av_channel_layout_from_mask(&layout, static_cast<uint64_t>(codecContext.channelLayout())) < 0)
        av_channel_layout_default(&layout, codecContext.numChannels());
    return layout;
}

} // namespace

AudioResampleFilter::AudioResampleFilter(const CodecContext& codecContext, QObject* parent)
    : QObject(parent)
    , codecContext_(codecContext)
{
    setOutputFormat(true, DEFAULT_SAMPLE_FORMAT, DEFAULT_SAMPLE_RATE);
}

AudioResampleFilter::~AudioResampleFilter()
{
    swr_free(&swrContext_);
}

int AudioResampleFilter::setOutputFormat(bool stereo, AVSampleFormat sampleFormat, int sampleRate)
{
    if (stereo == outputStereo_ && sampleFormat == outputSampleFormat_ && sampleRate == outputSampleRate_)
        return swrContext_ ? 0 : 1;

    outputStereo_ = stereo;
    outputSampleFormat_ = sampleFormat;
    outputSampleRate_ = sampleRate;
    outputBytesPerFrame_ = av_get_bytes_per_sample(sampleFormat) * (stereo ? 2 : 1);
    return configure_() ? 0 : 1;
}

bool AudioResampleFilter::configure_()
{
    // Blocks are one array of interleaved samples: planar output has nowhere to go.
    if (outputBytesPerFrame_ <= 0 || av_sample_fmt_is_planar(outputSampleFormat_)
        || codecContext_.sampleRate() > MAX_DOWNSAMPLING_RATIO * outputSampleRate_) {
        swr_free(&swrContext_);
        return false;
    }
    AVChannelLayout outputLayout{};
    av_channel_layout_default(&outputLayout, outputStereo_ ? 2 : 1);
    AVChannelLayout inputLayout = inputLayoutOf(codecContext_);
    // Reuses the present context; on failure the library frees it and clears the pointer.
    const int result = swr_alloc_set_opts2(&swrContext_, &outputLayout, outputSampleFormat_, outputSampleRate_,
                                           &inputLayout, codecContext_.sampleFormat(), codecContext_.sampleRate(),
                                           0, nullptr);
    av_channel_layout_uninit(&inputLayout);
    if (result >= 0 && swr_init(swrContext_) >= 0) {
        inputSampleFormat_ = codecContext_.sampleFormat();
        inputChannels_ = codecContext_.numChannels();
        inputSampleRate_ = codecContext_.sampleRate();
        return true;
    }
    swr_free(&swrContext_);
    return false;
}

void AudioResampleFilter::resampleFrame(std::shared_ptr<FFmpeg::Frame> frame)
{
    if (!swrContext_ || !frame || !matchesInput_(*frame))
        return;

    // Room for this frame's samples and those the resampler still holds, at the output rate.
    const int64_t heldSamples = swr_get_delay(swrContext_, inputSampleRate_);
    const int64_t capacity =
        av_rescale_rnd(frame->numSamples() + heldSamples, outputSampleRate_, frame->sampleRate(), AV_ROUND_UP);
    if (capacity <= 0 || capacity > std::numeric_limits<int>::max() / outputBytesPerFrame_)
        return;

    auto rawAudio =
        QSharedPointer<QByteArray>::create(static_cast<int>(capacity * outputBytesPerFrame_), Qt::Uninitialized);
    uint8_t* output = reinterpret_cast<uint8_t*>(rawAudio->data());
    const AVFrame* input = frame->avFrame();
    const int converted = swr_convert(swrContext_, &output, static_cast<int>(capacity),
                                      const_cast<const uint8_t**>(input->extended_data), input->nb_samples);
    if (converted <= 0)
        return;
    rawAudio->resize(converted * outputBytesPerFrame_);
    emit rawAudioReady(rawAudio, codecContext_.ptsToSeconds(frame->bestEffortTimeStamp()));
}

bool AudioResampleFilter::matchesInput_(const Frame& frame) const
{
    // The resampler reads as many planes, in the format, as it was set up for; a frame of another
    // shape would be read out of bounds, one of another rate played at the wrong speed.
    const AVFrame* samples = frame.avFrame();
    return samples->nb_samples > 0 && samples->sample_rate == inputSampleRate_
           && samples->format == inputSampleFormat_ && samples->ch_layout.nb_channels == inputChannels_;
}

void AudioResampleFilter::flush()
{
    if (!swrContext_)
        return;
    // The resampler holds at most a filter's length of samples: one second of room drains it.
    QByteArray scratch(outputSampleRate_ * outputBytesPerFrame_, Qt::Uninitialized);
    uint8_t* output = reinterpret_cast<uint8_t*>(scratch.data());
    swr_convert(swrContext_, &output, outputSampleRate_, nullptr, 0);
}

} // namespace FFmpeg
