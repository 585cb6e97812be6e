#pragma once

#include "ffmpeg/Packet.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>

class QTimer;

namespace FFmpeg {

class FormatContext;

// First stage of the playback pipeline: reads the packets of one open container, a limited time
// ahead, and routes those of the best video and the best audio stream to the decoders. Carries out
// seeks, announcing their start and end to the later stages.
//
// Lives in one thread (the decoder thread when the pipeline is threaded); only seek() and readTime()
// may be called from elsewhere.
class FormatContextSource : public QObject
{
    Q_OBJECT

public:
    // The format context must be open and outlive the source.
    explicit FormatContextSource(FormatContext& formatContext, QObject* parent = nullptr);

    // Thread-safe request; a later request replaces a target that has not been reached yet.
    void seek(double mediaTime);
    // How far the source has read: the media time of the latest packet passed on, kept at the end of
    // the file; -1 before the first.
    double readTime() const { return readTime_; }

signals:
    void videoPacketReady(int streamId, std::shared_ptr<FFmpeg::Packet> packet);
    void audioPacketReady(int streamId, std::shared_ptr<FFmpeg::Packet> packet);
    void aboutToSeek(double toMediaTime);
    void seekCompleted(double toMediaTime);
    void endOfFileReached();

public slots:
    // Reads, one packet per event-loop pass, until a packet at or beyond mediaTime was forwarded.
    void readForward(double mediaTime);
    // The same, reading on past packets without a usable time, which end a readForward burst: for a
    // reader that asks only when it runs short and so must not be left waiting.
    void readThrough(double mediaTime);

private slots:
    int seek_();
    void readForwardImpl_();

private:
    void pickBestStreams_();
    double readNextPacket_();
    // Passes the packet on; returns its decoding time in seconds, -1 when it has none.
    double emitPacket_(std::shared_ptr<FFmpeg::Packet> packet);
    double packetDtsTime_(const FFmpeg::Packet& packet) const;

    // Owned by the source's thread.
    FormatContext& formatContext_;
    int videoStreamId_;
    int audioStreamId_;
    double lastReadTime_;
    bool endOfFile_; // also written under seekMutex_ when a seek ends
    QTimer* readTimer_;
    double readToTime_;
    bool readsUntimed_ = false;
    std::atomic<double> readTime_{-1.0};  // written by the source's thread, read by any

    // Shared with the threads that request seeks, guarded by seekMutex_.
    // A standard mutex, which ThreadSanitizer sees, unlike Qt's futex-based one.
    std::mutex seekMutex_;
    bool seekPending_;
    double seekTarget_;
};

} // namespace FFmpeg
