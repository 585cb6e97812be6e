#pragma once

#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"

#include <QObject>

#include <memory>

namespace FFmpeg {

class CodecContext;

// Decodes the packets of the video stream into frames, emitted in the decoder's output order.
// During a seek it holds the frames back and lets only the latest through when the seek completes.
// Runs entirely in the thread it lives in.
class VideoDecodeFilter : public QObject
{
    Q_OBJECT

public:
    // The codec context must be open and outlive the filter.
    explicit VideoDecodeFilter(CodecContext& codecContext, QObject* parent = nullptr);

signals:
    void videoFrameReady(std::shared_ptr<FFmpeg::Frame> frame);

public slots:
    void processPacket(int streamId, std::shared_ptr<FFmpeg::Packet> packet);
    void prepareForSeek();
    void completeSeek();
    // Takes the pictures the decoder still holds for reordering out at end of file; without it the
    // last pictures of a clip with B-frames would never be shown. A later seek resets the decoder.
    void drain();
    // Forgets what the decoder holds, for packets from another position; unlike a seek, nothing is
    // held back afterwards.
    void restart();

private:
    void decode_(const Packet& packet);
    void emitPendingFrame_();

    CodecContext& codecContext_;
    // Always a fresh frame, so a frame held downstream is never written again.
    std::shared_ptr<Frame> workFrame_;
    // The latest decoded frame not yet emitted (held back while seeking).
    std::shared_ptr<Frame> pendingFrame_;
    bool seekPending_;
};

} // namespace FFmpeg
