#pragma once

#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"

#include <QObject>

#include <memory>

namespace FFmpeg {

class CodecContext;

// Decodes the packets of the audio stream and stamps each frame with an exact time: the packet's
// presentation time plus the durations of the frames before it in the packet. Frames of a packet
// without a time continue from the end of the stream's previous frame. Can be switched off while
// audio is not played. Runs entirely in the thread it lives in.
class AudioDecodeFilter : public QObject
{
    Q_OBJECT

public:
    // The codec context must be open and outlive the filter.
    explicit AudioDecodeFilter(const CodecContext& codecContext, QObject* parent = nullptr);

    void setProcessingData(bool on);
    bool isProcessingData() const;

signals:
    void audioFrameReady(std::shared_ptr<FFmpeg::Frame> frame);

public slots:
    void prepareForSeek();
    void processAudioPacket(int streamId, std::shared_ptr<FFmpeg::Packet> packet);

private:
    void restartStamping_();

    const CodecContext& codecContext_;
    std::shared_ptr<Frame> workFrame_;
    bool processingData_;
    // Time of the last packet that had one (AV_NOPTS_VALUE when unknown since the start, a seek or a
    // switch-off) and the seconds of sound decoded since. Kept as seconds so that rounding to the
    // time base does not add up over many frames.
    int64_t stampBase_;
    double stampElapsed_;
};

} // namespace FFmpeg
