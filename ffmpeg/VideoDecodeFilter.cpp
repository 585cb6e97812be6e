#include "ffmpeg/VideoDecodeFilter.h"

#include "ffmpeg/CodecContext.h"

namespace FFmpeg {

VideoDecodeFilter::VideoDecodeFilter(CodecContext& codecContext, QObject* parent)
    : QObject(parent), codecContext_(codecContext), workFrame_(std::make_shared<Frame>()), seekPending_(false)
{
}

void VideoDecodeFilter::processPacket(int /*streamId*/, std::shared_ptr<FFmpeg::Packet> packet)
{
    if (packet)
        decode_(*packet);
}

void VideoDecodeFilter::drain()
{
    // A packet without data tells the decoder that no more input follows.
    decode_(Packet());
}

void VideoDecodeFilter::decode_(const Packet& packet)
{
    // Each call takes every frame out of the decoder, so a refused packet is bad data, not
    // back-pressure: drop it.
    if (codecContext_.sendPacket(packet) != 0)
        return;
    while (codecContext_.receiveFrame(*workFrame_) == 0) {
        pendingFrame_ = workFrame_; // while seeking, overtakes the frame held before
        emitPendingFrame_();
        workFrame_ = std::make_shared<Frame>();
    }
}

void VideoDecodeFilter::prepareForSeek()
{
    seekPending_ = true;
    codecContext_.flushBuffers();
    workFrame_ = std::make_shared<Frame>();
}

void VideoDecodeFilter::restart()
{
    prepareForSeek();
    pendingFrame_.reset();
    seekPending_ = false;
}

void VideoDecodeFilter::completeSeek()
{
    seekPending_ = false;
    emitPendingFrame_();
}

void VideoDecodeFilter::emitPendingFrame_()
{
    if (!pendingFrame_ || seekPending_)
        return;
    auto frame = std::make_shared<Frame>(*pendingFrame_);
    pendingFrame_.reset();
    emit videoFrameReady(frame);
}

} // namespace FFmpeg
