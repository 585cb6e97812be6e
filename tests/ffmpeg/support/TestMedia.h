#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace FFmpeg {
class CodecContext;
class FormatContext;
class Frame;
class Packet;
}

extern "C" {
#include <libavutil/avutil.h>
}

namespace TestMedia {

// The generated clips run at this rate; frame n is presented at n / kFrameRate seconds.
constexpr double kFrameRate = 25.0;

// Full path of a file generated into the test media folder.
std::string path(const std::string& name);

// The frame number that the generated picture encodes in its row of cells, or -1 when the picture
// does not carry a readable pattern. Works for any pixel format the scaler reads.
int frameNumberOf(const FFmpeg::Frame& frame);

// What identifies a packet of a file, for comparing runs of packets.
struct PacketInfo
{
    int streamId;
    int64_t pts;
    int64_t dts;
    int size;
    bool isKey;

    bool operator==(const PacketInfo& other) const
    {
        return streamId == other.streamId && pts == other.pts && dts == other.dts && size == other.size;
    }
};

PacketInfo infoOf(const FFmpeg::Packet& packet);

// Every packet of the file in container order, read straight through.
std::vector<PacketInfo> readAllPackets(const std::string& name);

// An opened decoder for the best stream of that type, or null.
std::unique_ptr<FFmpeg::CodecContext> openDecoder(const FFmpeg::FormatContext& context, AVMediaType type);

// The picture a seek to the target must end on by the seek rules, worked out with FFmpeg alone:
// from where the container seek lands, decode every picture packet up to and including the first
// packet of any stream presented after the target, or to the end of the file, where the decoder is
// drained; the last picture out of the decoder is the one. -1 when that run yields no picture (a
// decoder that reorders frames still holds them).
int pictureAfterSeekRun(const std::string& name, double target);

// Runs the event loop until the condition holds; false only when a hang guard of many seconds runs
// out first. Unlike QTest::qWaitFor it does not sleep between passes, so a stage that works one
// step per pass finishes quickly.
bool waitUntil(const std::function<bool()>& condition);

// The number of the frame presented at the given time, which is the latest at or before it.
int frameNumberAt(double seconds);

} // namespace TestMedia
