#include "ffmpeg/AudioDecodeFilter.h"

#include "ffmpeg/CodecContext.h"

namespace FFmpeg {

AudioDecodeFilter::AudioDecodeFilter(const CodecContext& codecContext, QObject* parent)
    : QObject(parent),
      codecContext_(codecContext),
      workFrame_(std::make_shared<Frame>()),
      processingData_(true),
      stampBase_(AV_NOPTS_VALUE),
      stampElapsed_(0.0)
{
}

void AudioDecodeFilter::setProcessingData(bool on)
{
    if (on == processingData_)
        return;
    processingData_ = on;
    if (!on) {
        workFrame_ = std::make_shared<Frame>();
        restartStamping_(); // dropped packets break the continuity
    }
}

bool AudioDecodeFilter::isProcessingData() const
{
    return processingData_;
}

void AudioDecodeFilter::prepareForSeek()
{
    codecContext_.flushBuffers();
    workFrame_ = std::make_shared<Frame>();
    restartStamping_();
}

void AudioDecodeFilter::processAudioPacket(int /*streamId*/, std::shared_ptr<FFmpeg::Packet> packet)
{
    if (!processingData_ || !packet || codecContext_.sendPacket(*packet) != 0)
        return;
    if (packet->pts() != AV_NOPTS_VALUE) {
        stampBase_ = packet->pts();
        stampElapsed_ = 0.0;
    }
    while (codecContext_.receiveFrame(*workFrame_) == 0) {
        // Without any known time the frame keeps the decoder's own best-effort time stamp.
        if (stampBase_ != AV_NOPTS_VALUE)
            workFrame_->setOverrideTime(stampBase_ + codecContext_.secondsToPts(stampElapsed_));
        stampElapsed_ += codecContext_.durationForNumSamples(workFrame_->numSamples());
        emit audioFrameReady(workFrame_);
        workFrame_ = std::make_shared<Frame>();
    }
}

void AudioDecodeFilter::restartStamping_()
{
    stampBase_ = AV_NOPTS_VALUE;
    stampElapsed_ = 0.0;
}

} // namespace FFmpeg
