#include "support/TestMedia.h"

#include "common/FrameStamp.h"
#include "ffmpeg/Frame.h"
#include "ffmpeg/ScaleAndReformat.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace TestMedia {

namespace {
// Times are whole microseconds: a time this close to a frame's is the frame's.
constexpr double kClockResolution = 1e-6;
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

int frameAt(double seconds, int lastFrame)
{
    return std::clamp(static_cast<int>(std::floor((seconds + kClockResolution) * kFrameRate)), 0, lastFrame);
}

double firstPictureTime(const std::string& name)
{
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path(name).c_str(), nullptr, nullptr) != 0)
        return 0.0;
    double first = 0.0;
    const int video = avformat_find_stream_info(context, nullptr) >= 0
        ? av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
        : -1;
    if (video >= 0 && context->streams[video]->start_time != AV_NOPTS_VALUE) {
        const AVStream* stream = context->streams[video];
        first = double(stream->start_time) * av_q2d(stream->time_base);
        if (context->start_time != AV_NOPTS_VALUE)
            first -= double(context->start_time) / AV_TIME_BASE;
    }
    avformat_close_input(&context);
    return first;
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
