#include "ffmpeg/FormatContextSource.h"

#include "ffmpeg/CodecContext.h"
#include "ffmpeg/FormatContext.h"

#include <QTimer>

#include <cmath>

namespace FFmpeg {

namespace {

// Seek targets closer than this are the same target: a repeated request does not restart a seek.
constexpr double kSameSeekTarget = 1e-6;

} // namespace

FormatContextSource::FormatContextSource(FormatContext& formatContext, QObject* parent)
    : QObject(parent),
      formatContext_(formatContext),
      videoStreamId_(-1),
      audioStreamId_(-1),
      lastReadTime_(-1.0),
      endOfFile_(false),
      readTimer_(new QTimer(this)),
      readToTime_(-1.0),
      seekPending_(false),
      seekTarget_(-1.0)
{
    pickBestStreams_();
    // Interval 0: one packet per pass of the event loop, so queued seeks and other work interleave.
    readTimer_->setInterval(0);
    connect(readTimer_, &QTimer::timeout, this, &FormatContextSource::readForwardImpl_);
}

void FormatContextSource::pickBestStreams_()
{
    videoStreamId_ = formatContext_.findBestStream(AVMEDIA_TYPE_VIDEO);
    audioStreamId_ = formatContext_.findBestStream(AVMEDIA_TYPE_AUDIO);
}

void FormatContextSource::readForward(double mediaTime)
{
    if (mediaTime <= lastReadTime_)
        return;
    readsUntimed_ = false;
    readToTime_ = mediaTime;
    readTimer_->start();
}

void FormatContextSource::readThrough(double mediaTime)
{
    readForward(mediaTime);
    readsUntimed_ = true;
}

void FormatContextSource::readForwardImpl_()
{
    if (lastReadTime_ >= readToTime_) {
        readTimer_->stop();
        return;
    }
    lastReadTime_ = readNextPacket_();
    // A negative time is end of file or a packet without a usable time: wait for the next request.
    if ((lastReadTime_ < 0.0 && (endOfFile_ || !readsUntimed_)) || lastReadTime_ >= readToTime_)
        readTimer_->stop();
}

double FormatContextSource::readNextPacket_()
{
    if (endOfFile_)
        return -1.0;
    auto packet = std::make_shared<Packet>();
    if (formatContext_.readFrame(*packet) != 0) {
        endOfFile_ = true;
        lastReadTime_ = -1.0;
        emit endOfFileReached();
        return -1.0;
    }
    lastReadTime_ = emitPacket_(packet);
    return lastReadTime_;
}

double FormatContextSource::emitPacket_(std::shared_ptr<FFmpeg::Packet> packet)
{
    const double time = packetDtsTime_(*packet);
    if (time >= 0.0)
        readTime_ = time;
    const int streamId = packet->streamId();
    if (streamId == audioStreamId_)
        emit audioPacketReady(streamId, packet);
    else if (streamId == videoStreamId_)
        emit videoPacketReady(streamId, packet);
    return time;
}

double FormatContextSource::packetDtsTime_(const FFmpeg::Packet& packet) const
{
    int64_t stamp = packet.avPacket()->dts;
    if (stamp == AV_NOPTS_VALUE)
        stamp = packet.pts();
    if (stamp == AV_NOPTS_VALUE)
        return -1.0;
    const CodecContext* codecContext = formatContext_.codecContext(static_cast<unsigned int>(packet.streamId()));
    return codecContext ? codecContext->ptsToSeconds(stamp) : -1.0;
}

void FormatContextSource::seek(double mediaTime)
{
    bool wasPending = false;
    {
        std::lock_guard<std::mutex> lock(seekMutex_);
        wasPending = seekPending_;
        seekPending_ = true;
        seekTarget_ = mediaTime;
    }
    // A seek under way picks the new target up itself.
    if (!wasPending)
        QMetaObject::invokeMethod(this, "seek_", Qt::AutoConnection);
}

int FormatContextSource::seek_()
{
    double workingTarget = -1.0;
    double lastPacketTime = -1.0;
    bool failed = false;
    bool firstPass = true;
    for (;;) {
        seekMutex_.lock();
        const double requestedTarget = seekTarget_;
        if (firstPass || std::fabs(requestedTarget - workingTarget) >= kSameSeekTarget) {
            seekMutex_.unlock();
            firstPass = false;
            emit aboutToSeek(requestedTarget);
            workingTarget = requestedTarget;
            failed = formatContext_.seek(workingTarget) != 0;
            lastPacketTime = -1.0;
            if (failed)
                continue; // reported once the target is known to stand
        } else if (failed) {
            seekPending_ = false;
            endOfFile_ = true;
            seekMutex_.unlock();
            emit endOfFileReached();
            emit seekCompleted(workingTarget);
            return 0;
        } else if (lastPacketTime > workingTarget) {
            seekPending_ = false;
            endOfFile_ = false;
            seekMutex_.unlock();
            emit seekCompleted(workingTarget);
            return 0;
        } else {
            seekMutex_.unlock();
        }

        // Catching up: every packet from the key frame on goes to the decoders, until one is
        // presented after the target.
        auto packet = std::make_shared<Packet>();
        if (formatContext_.readFrame(*packet) != 0) {
            failed = true;
            continue;
        }
        const CodecContext* codecContext = formatContext_.codecContext(static_cast<unsigned int>(packet->streamId()));
        if (codecContext)
            lastPacketTime = codecContext->ptsToSeconds(packet->pts());
        if (lastPacketTime >= 0.0)
            lastReadTime_ = lastPacketTime;
        emitPacket_(packet);
    }
}

} // namespace FFmpeg
