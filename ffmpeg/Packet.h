#pragma once

// Before the FFmpeg headers, which need the C99 integer constant macros in C++.
#include <cstdint>

extern "C" {
#include <libavcodec/packet.h>
}

#include <QMetaType>

#include <memory>

namespace FFmpeg {

// One compressed packet read from a file. Filled by the reader, then shared read-only.
class Packet
{
public:
    Packet();
    Packet(const Packet&) = delete;
    Packet& operator=(const Packet&) = delete;
    virtual ~Packet();

    int streamId() const;
    // Presentation time stamp in the stream's time base; AV_NOPTS_VALUE when the file gives none.
    int64_t pts() const;

    AVPacket* avPacket();
    const AVPacket* avPacket() const;

private:
    AVPacket* packet_;
};

} // namespace FFmpeg

Q_DECLARE_METATYPE(std::shared_ptr<FFmpeg::Packet>)
