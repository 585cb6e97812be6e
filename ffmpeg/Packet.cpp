#include "ffmpeg/Packet.h"

namespace FFmpeg {

// av_packet_alloc leaves the packet empty: no data, size 0, no time stamps.
Packet::Packet() : packet_(av_packet_alloc()) {}

Packet::~Packet()
{
    av_packet_free(&packet_); // unreferences the data first
}

int Packet::streamId() const
{
    return packet_->stream_index;
}

int64_t Packet::pts() const
{
    return packet_->pts;
}

AVPacket* Packet::avPacket()
{
    return packet_;
}

const AVPacket* Packet::avPacket() const
{
    return packet_;
}

} // namespace FFmpeg
