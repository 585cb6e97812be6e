#pragma once

// Before the FFmpeg headers, which need the C99 integer constant macros in C++.
#include <cstdint>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/avutil.h>
#include <libavutil/pixfmt.h>
#include <libavutil/samplefmt.h>
}

#include <string>

namespace FFmpeg {

class Frame;
class Packet;

// One stream's decoder, as the pipeline stages see it. Results follow FFmpeg where a code is
// passed through (sendPacket, receiveFrame) and 0/1 elsewhere.
class CodecContext
{
public:
    virtual ~CodecContext() = default;

    // A new, independent, unopened decoder for the same stream; owned by the caller.
    virtual CodecContext* createCopy() const = 0;
    virtual int open() = 0;
    virtual int close() = 0;
    virtual bool isValid() const = 0;

    virtual AVCodecID codecId() const = 0;
    virtual AVMediaType mediaType() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual AVPixelFormat pixelFormat() const = 0;
    // A new frame of the stream's picture size with a buffer in the given format; owned by the caller.
    virtual Frame* allocateFrame(AVPixelFormat pixelFormat) const = 0;

    virtual int sendPacket(const Packet& packet) const = 0;
    virtual int receiveFrame(Frame& frame) const = 0;

    virtual AVSampleFormat sampleFormat() const = 0;
    virtual int sampleRate() const = 0;
    virtual int numChannels() const = 0;
    // FFmpeg channel-layout bit mask.
    virtual int64_t channelLayout() const = 0;
    virtual double durationForBytes(int numBytes) const = 0;
    virtual double durationForNumSamples(int numSamples) const = 0;

    // Seconds from one frame to the next at the stream's average frame rate (1/25 when unknown).
    virtual double frameDuration() const = 0;
    // Conversions between the stream's time stamps and seconds.
    virtual double ptsToSeconds(int64_t pts) const = 0;
    virtual int64_t secondsToPts(double seconds) const = 0;

    // Discards the decoder's buffered state, used around seeks.
    virtual void flushBuffers() const = 0;
    virtual std::string codecName() const = 0;
};

} // namespace FFmpeg
