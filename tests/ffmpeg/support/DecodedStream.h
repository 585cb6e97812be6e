#pragma once

#include "ffmpeg/CodecContext.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"

#include <memory>
#include <string>
#include <vector>

// One generated media file opened with a decoder for its best stream of one type, for tests that
// feed real decoded frames into later stages.
class DecodedStream
{
public:
    DecodedStream(const std::string& mediaName, AVMediaType type);

    // The opened decoder; its time base turns the frames' time stamps into seconds. Throws, which fails
    // the test, when the file has no such stream.
    FFmpeg::CodecContext& codec() const;
    double secondsOf(const FFmpeg::Frame& frame) const;

    // The next frames in the decoder's output order, up to maxFrames (all that remain when
    // negative), draining the decoder at the end of the file.
    std::vector<std::shared_ptr<FFmpeg::Frame>> decode(int maxFrames = -1);
    // The next packets of the stream, up to count, for tests that feed a decoder by hand.
    std::vector<std::shared_ptr<FFmpeg::Packet>> packets(std::size_t count);

private:
    FFmpeg::FormatContext format_;
    std::unique_ptr<FFmpeg::CodecContext> codec_;
    int streamIndex_ = -1;
    bool drained_ = false;
};
