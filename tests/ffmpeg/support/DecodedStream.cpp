#include "DecodedStream.h"

#include "TestMedia.h"

#include <stdexcept>

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
    if (!codec_)
        return frames;
    auto receiveAll = [&] {
        auto frame = std::make_shared<FFmpeg::Frame>();
        while ((maxFrames < 0 || static_cast<int>(frames.size()) < maxFrames) && codec_->receiveFrame(*frame) == 0) {
            frames.push_back(frame);
            frame = std::make_shared<FFmpeg::Frame>();
        }
    };
    receiveAll();
    while (!drained_ && (maxFrames < 0 || static_cast<int>(frames.size()) < maxFrames)) {
        FFmpeg::Packet packet;
        if (format_.readFrame(packet) != 0) {
            // An empty packet asks the decoder for the frames it still holds.
            FFmpeg::Packet endOfStream;
            codec_->sendPacket(endOfStream);
            drained_ = true;
        } else if (packet.streamId() != streamIndex_ || codec_->sendPacket(packet) != 0) {
            continue;
        }
        receiveAll();
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
