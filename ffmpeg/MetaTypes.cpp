#include "ffmpeg/MetaTypes.h"

#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"

namespace FFmpeg {

void registerMetaTypes()
{
    qRegisterMetaType<std::shared_ptr<FFmpeg::Frame>>("std::shared_ptr<FFmpeg::Frame>");
    qRegisterMetaType<std::shared_ptr<FFmpeg::Packet>>("std::shared_ptr<FFmpeg::Packet>");
}

} // namespace FFmpeg
