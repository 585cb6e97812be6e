#pragma once

#include "ffmpeg/Frame.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <QByteArray>
#include <QObject>
#include <QSharedPointer>

#include <memory>

struct SwrContext;

namespace FFmpeg {

class CodecContext;

// Converts decoded audio frames to interleaved samples of one format, channel count and rate,
// each block stamped with the media time of its first input sample. Playing the output at a
// fixed device rate while resampling to 44100 / rate is how audio is played faster or slower.
class AudioResampleFilter : public QObject
{
    Q_OBJECT
public:
    // The codec context gives the input rate, sample format and channel layout; it is not owned.
    explicit AudioResampleFilter(const CodecContext& codecContext, QObject* parent = nullptr);
    ~AudioResampleFilter() override;

    // 0 when the resampler is set up for these values, 1 when it cannot be. Values equal to the
    // present ones change nothing, so a failure is not retried with the same values.
    int setOutputFormat(bool stereo, AVSampleFormat sampleFormat, int sampleRate);

signals:
    void rawAudioReady(QSharedPointer<QByteArray> rawAudio, double audioDataTime);

public slots:
    void resampleFrame(std::shared_ptr<FFmpeg::Frame> frame);
    // Drops the samples the resampler still holds, so nothing from before a seek leaks out after it.
    void flush();

private:
    bool configure_();
    bool matchesInput_(const Frame& frame) const;

    // All members belong to the thread the filter lives in (the pipeline's thread).
    const CodecContext& codecContext_;
    SwrContext* swrContext_ = nullptr;  // owned; null while unconfigured
    bool outputStereo_ = true;
    AVSampleFormat outputSampleFormat_ = AV_SAMPLE_FMT_NONE;
    int outputSampleRate_ = 0;
    int outputBytesPerFrame_ = 0;  // bytes of one sample of all channels
    // What the decoder delivered when the resampler was set up, which is what it reads: a damaged
    // stream may change the decoder's format mid-way.
    AVSampleFormat inputSampleFormat_ = AV_SAMPLE_FMT_NONE;
    int inputChannels_ = 0;
    int inputSampleRate_ = 0;
};

} // namespace FFmpeg
