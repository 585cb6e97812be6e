#include "support/TestMedia.h"

#include "common/FrameStamp.h"
#include "ffmpeg/CodecContext.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"
#include "ffmpeg/ScaleAndReformat.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace TestMedia {

namespace {
// Containers that round time stamps to milliseconds put a frame this much before its nominal time.
constexpr double kTimeRounding = 0.002;
// A wait looks at its condition at least this often, also when no event arrives.
constexpr int kWakeUpMs = 5;
} // namespace

std::string path(const std::string& name)
{
    const char* folder = std::getenv("MP2_TEST_MEDIA_DIR");
    return std::string(folder ? folder : ".") + "/" + name;
}

orvCore::TimeStamp at(double seconds)
{
    return orvCore::TimeStamp(kYear, orvCore::Seconds(seconds));
}

int frameAt(double seconds)
{
    return static_cast<int>(std::floor((seconds + kTimeRounding) * kFrameRate));
}

int frameNumberOf(const FFmpeg::Frame& frame)
{
    // Grey pixels read the same in every pixel format.
    FFmpeg::Frame grey;
    UTILS::ScaleAndReformat scaler;
    if (frame.width() < 1 || grey.allocateBuffer(AV_PIX_FMT_GRAY8, frame.width(), frame.height()) != 0
        || scaler.initialize(frame.width(), frame.height(), frame.pixelFormat(), frame.width(), frame.height(),
                             AV_PIX_FMT_GRAY8) != 0)
        return -1;
    AVFrame* target = grey.avFrame();
    if (scaler.scale(frame.avFrame()->data, frame.avFrame()->linesize, 0, frame.height(), target->data,
                     target->linesize) != frame.height())
        return -1;
    const QImage picture(target->data[0], frame.width(), frame.height(), target->linesize[0],
                         QImage::Format_Grayscale8);
    return FrameStamp::read(picture, picture.rect());
}

int seekRunPicture(const std::string& name, double target)
{
    FFmpeg::FormatContext context;
    if (context.open(path(name)) != 0 || context.seek(target) != 0)
        return -1;
    const int video = context.findBestStream(AVMEDIA_TYPE_VIDEO);
    const std::unique_ptr<FFmpeg::CodecContext> decoder(context.codecContext(unsigned(video))->createCopy());
    if (decoder->open() != 0)
        return -1;
    int last = -1;
    const auto decode = [&](const FFmpeg::Packet& packet) {
        FFmpeg::Frame frame;
        if (decoder->sendPacket(packet) == 0)
            while (decoder->receiveFrame(frame) == 0)
                last = frameNumberOf(frame);
    };
    for (;;) {
        FFmpeg::Packet packet;
        if (context.readFrame(packet) != 0) {
            decode(FFmpeg::Packet());
            return last;
        }
        if (packet.streamId() == video)
            decode(packet);
        if (context.codecContext(unsigned(packet.streamId()))->ptsToSeconds(packet.pts()) > target)
            return last;
    }
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wakeUp;
    wakeUp.start(kWakeUpMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void runEventsFor(int ms)
{
    waitUntil([] { return false; }, ms);
}

} // namespace TestMedia
