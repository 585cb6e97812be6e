#include "DecodedStream.h"

#include "TestMedia.h"

#include <stdexcept>
#include <utility>

DecodedStream::DecodedStream(const std::string& mediaName, AVMediaType type)
{
    if (format_.open(TestMedia::path(mediaName)) != 0)
        return;
    streamIndex_ = format_.findBestStream(type);
    codec_ = TestMedia::openDecoder(format_, type);
}

FFmpeg::CodecContext& DecodedStream::codec() const
{
    if (!codec_)
        throw std::runtime_error("the media file has no stream of that type to decode");
    return *codec_;
}

double DecodedStream::secondsOf(const FFmpeg::Frame& frame) const
{
    return codec_->ptsToSeconds(frame.bestEffortTimeStamp());
}

std::vector<std::shared_ptr<FFmpeg::Frame>> DecodedStream::decode(int maxFrames)
{
    std::vector<std::shared_ptr<FFmpeg::Frame>> frames;
    const auto wanted = [&] { return maxFrames < 0 || static_cast<int>(frames.size()) < maxFrames; };
    auto frame = std::make_shared<FFmpeg::Frame>();
    while (codec_ && wanted()) {
        if (codec_->receiveFrame(*frame) == 0) {
            frames.push_back(std::exchange(frame, std::make_shared<FFmpeg::Frame>()));
        } else if (drained_) {
            break;
        } else {
            // At the end of the file an empty packet asks the decoder for the frames it still holds.
            const auto next = packets(1);
            drained_ = next.empty();
            if (drained_)
                codec_->sendPacket(FFmpeg::Packet());
            else
                codec_->sendPacket(*next.front());
        }
    }
    return frames;
}

std::vector<std::shared_ptr<FFmpeg::Packet>> DecodedStream::packets(std::size_t count)
{
    std::vector<std::shared_ptr<FFmpeg::Packet>> packets;
    while (packets.size() < count) {
        auto packet = std::make_shared<FFmpeg::Packet>();
        if (format_.readFrame(*packet) != 0)
            break;
        if (packet->streamId() == streamIndex_)
            packets.push_back(packet);
    }
    return packets;
}
