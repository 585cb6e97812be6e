#include "TestMedia.h"

#include "ffmpeg/CodecContext.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"
#include "ffmpeg/ScaleAndReformat.h"

#include "common/FrameStamp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>

#include <cmath>
#include <cstdlib>

namespace TestMedia {

namespace {

// Seconds that a frame time may lie before a frame's nominal time and still count as that frame,
// for containers that round time stamps to milliseconds.
constexpr double kTimeRounding = 0.002;
// Far longer than any generated clip takes to read or decode; reached only when something hangs.
constexpr int kHangGuardMs = 20000;

} // namespace

std::string path(const std::string& name)
{
    const char* folder = std::getenv("MP2_TEST_MEDIA_DIR");
    return std::string(folder ? folder : ".") + "/" + name;
}

int frameNumberOf(const FFmpeg::Frame& frame)
{
    if (frame.width() < 1 || frame.height() < 1)
        return -1;
    // Grey pixels read the same whatever the frame's pixel format; the stamp reader takes them as
    // a QImage over the converted plane, without a copy.
    FFmpeg::Frame grey;
    UTILS::ScaleAndReformat scaler;
    if (grey.allocateBuffer(AV_PIX_FMT_GRAY8, frame.width(), frame.height()) != 0
        || scaler.initialize(frame.width(), frame.height(), frame.pixelFormat(), frame.width(), frame.height(),
                             AV_PIX_FMT_GRAY8) != 0)
        return -1;
    const AVFrame* source = frame.avFrame();
    AVFrame* target = grey.avFrame();
    if (scaler.scale(source->data, source->linesize, 0, frame.height(), target->data, target->linesize)
        != frame.height())
        return -1;
    const QImage picture(target->data[0], frame.width(), frame.height(), target->linesize[0],
                         QImage::Format_Grayscale8);
    return FrameStamp::read(picture, picture.rect());
}

PacketInfo infoOf(const FFmpeg::Packet& packet)
{
    const AVPacket* av = packet.avPacket();
    return PacketInfo{packet.streamId(), av->pts, av->dts, av->size, (av->flags & AV_PKT_FLAG_KEY) != 0};
}

std::vector<PacketInfo> readAllPackets(const std::string& name)
{
    std::vector<PacketInfo> packets;
    FFmpeg::FormatContext context;
    if (context.open(path(name)) != 0)
        return packets;
    for (;;) {
        FFmpeg::Packet packet;
        if (context.readFrame(packet) != 0)
            return packets;
        packets.push_back(infoOf(packet));
    }
}

std::unique_ptr<FFmpeg::CodecContext> openDecoder(const FFmpeg::FormatContext& context, AVMediaType type)
{
    const int stream = context.findBestStream(type);
    if (stream < 0)
        return nullptr;
    std::unique_ptr<FFmpeg::CodecContext> decoder(context.codecContext(static_cast<unsigned>(stream))->createCopy());
    if (decoder->open() != 0)
        return nullptr;
    return decoder;
}

int pictureAfterSeekRun(const std::string& name, double target)
{
    FFmpeg::FormatContext context;
    if (context.open(path(name)) != 0 || context.seek(target) != 0)
        return -1;
    std::unique_ptr<FFmpeg::CodecContext> decoder = openDecoder(context, AVMEDIA_TYPE_VIDEO);
    const int video = context.findBestStream(AVMEDIA_TYPE_VIDEO);
    if (!decoder)
        return -1;
    int last = -1;
    auto decode = [&](const FFmpeg::Packet& packet) {
        if (decoder->sendPacket(packet) != 0)
            return;
        FFmpeg::Frame frame;
        while (decoder->receiveFrame(frame) == 0)
            last = frameNumberOf(frame);
    };
    for (;;) {
        FFmpeg::Packet packet;
        if (context.readFrame(packet) != 0) {
            // The run reached the end of the file: the decoder is drained of the pictures it held.
            decode(FFmpeg::Packet());
            return last;
        }
        if (packet.streamId() == video)
            decode(packet);
        const FFmpeg::CodecContext* codec = context.codecContext(static_cast<unsigned>(packet.streamId()));
        if (codec && codec->ptsToSeconds(packet.pts()) > target)
            return last;
    }
}

bool waitUntil(const std::function<bool()>& condition)
{
    const QDeadlineTimer guard(kHangGuardMs);
    while (!condition()) {
        if (guard.hasExpired())
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}

int frameNumberAt(double seconds)
{
    return static_cast<int>(std::floor((seconds + kTimeRounding) * kFrameRate));
}

} // namespace TestMedia
