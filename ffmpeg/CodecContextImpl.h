#pragma once

#include "ffmpeg/CodecContext.h"

struct AVCodec;
struct AVCodecContext;
struct AVStream;

namespace FFmpeg {

// The decoder of one stream of an opened FormatContext, on FFmpeg's send/receive interface.
class CodecContextImpl : public CodecContext
{
public:
    // Takes ownership of context (may be null: the decoder is then invalid); stream belongs to the
    // container and must outlive this object.
    CodecContextImpl(AVStream* stream, AVCodecContext* context, const AVCodec* codec);
    CodecContextImpl(const CodecContextImpl&) = delete;
    CodecContextImpl& operator=(const CodecContextImpl&) = delete;
    ~CodecContextImpl() override;

    CodecContext* createCopy() const override;
    int open() override;
    int close() override;
    bool isValid() const override;

    AVCodecID codecId() const override;
    AVMediaType mediaType() const override;
    int width() const override;
    int height() const override;
    AVPixelFormat pixelFormat() const override;
    Frame* allocateFrame(AVPixelFormat pixelFormat) const override;

    int sendPacket(const Packet& packet) const override;
    int receiveFrame(Frame& frame) const override;

    AVSampleFormat sampleFormat() const override;
    int sampleRate() const override;
    int numChannels() const override;
    int64_t channelLayout() const override;
    double durationForBytes(int numBytes) const override;
    double durationForNumSamples(int numSamples) const override;

    double frameDuration() const override;
    double ptsToSeconds(int64_t pts) const override;
    int64_t secondsToPts(double seconds) const override;

    void flushBuffers() const override;
    std::string codecName() const override;

private:
    AVStream* stream_;
    AVCodecContext* context_;
    const AVCodec* codec_;
};

} // namespace FFmpeg
