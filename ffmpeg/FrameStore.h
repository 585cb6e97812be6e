#pragma once

// The decoded pictures of one video, held on the decoder thread, and the answer to the question the
// pipeline asks at every frame tick and every seek: which picture belongs to media time t?
//
//   FormatContextSource ──── video packets ───▶ FrameStore ── a packet to decode ──▶ VideoDecodeFilter
//     ▲         ▲                                │  │  ▲                                   │
//     │         └────── read on to t / seek ─────┘  │  └────────────── frames ─────────────┘
//     │                                             │
//   PlaybackPipeline ──────── showAt(t, rate) ──────┘── the picture for t ──▶ ConvertPixelFormatFilter
//
// The picture for t is the frame with the greatest presentation time at or before t; before the
// first frame of the media the first, from the last frame on the last. The store decides only from
// frames the decoder returned, by their best-effort time stamps: never from packet times, and sound
// never ends a search.
//
// Packets are queued as they are read, compressed, and decoded on demand. Frames decoded one after
// another from one position (a run) follow each other without gaps, so every held frame knows
// whether the next held frame is the next frame of the media; where that chain covers t, the
// picture for t is known at once. Otherwise the store decodes on from where its run stands when t
// lies a little ahead of it, and starts a new run, a seek of the source to t, when it does not. A
// seek that lands after t (a container that cannot seek exactly, pictures before a key frame that
// cannot be decoded from it) is repeated from further back: from the key frame before the one it
// landed on, or where the source lands on any packet, by a growing distance. A run decodes from its
// first key frame on.
//
// Moving forwards the store decodes a frame ahead of the clock (more at higher rates, never more
// than kMostFramesAhead); moving backwards it decodes the stretch before the frames it holds while
// the clock is still inside them, so that backward play needs no seek at the frame ticks. How the
// clock moves is the pipeline's rate while it plays, and is measured from the times asked for while
// a host moves a paused pipeline by seeks (stepping, or backward play as the playlist entry does
// it). Playing, frames the clock has passed are let go at once; paused, they stay for stepping
// back. The held frames stay within a memory budget: frames behind the clock's direction go first,
// then those farthest ahead.
//
// Lives on the thread of the packet source and the video decoder (the decoder thread when the
// pipeline is threaded); every slot runs there, and its signals reach those two stages directly.

#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>

namespace FFmpeg {

class CodecContext;

class FrameStore : public QObject
{
    Q_OBJECT

public:
    // 256 MiB: 85 pictures of 1080p (yuv420p), nearly three seconds at 30 frames per second: enough
    // to play backwards through a clip with a key frame every second, which holds the group of
    // pictures on screen and the one before; about 190 pictures of 720p.
    static constexpr qint64 kDefaultMemoryBudget = qint64(256) << 20;

    // The codec context turns time stamps into seconds and tells the frame rate; it is not owned.
    explicit FrameStore(const CodecContext& codecContext, QObject* parent = nullptr);

    // Moving forwards no more pictures than this are decoded ahead of the clock, at any rate: the
    // decoder works as pictures are consumed, so memory does not grow as the clock slows down.
    static constexpr int kMostFramesAhead = 8;
    // How often the pipeline asks for the picture of the clock's time (shorter than a frame of
    // 60 fps video, so every picture is shown on time): what is decoded ahead is what the clock
    // passes until the next asking.
    static constexpr int kShowIntervalMs = 16;

    qint64 heldBytes() const { return heldBytes_; }
    // May be read from any thread.
    int heldFrames() const { return heldFrames_; }

signals:
    void pictureReady(std::shared_ptr<FFmpeg::Frame> frame);
    // To the video decoder.
    void decodeWanted(int streamId, std::shared_ptr<FFmpeg::Packet> packet);
    void restartWanted();
    void drainWanted();
    // To the packet source: read on until this media time, or seek to it.
    void readWanted(double mediaTime);
    void seekWanted(double mediaTime);

public slots:
    // The clock's media time and rate: 0 while paused, negative playing backwards.
    void showAt(double mediaTime, double rate);
    void setMemoryBudget(qint64 bytes);
    // From the packet source.
    void queuePacket(int streamId, std::shared_ptr<FFmpeg::Packet> packet);
    void startRun(double mediaTime);
    // The source stands where the run begins: a seek that brought no video packet still reads on.
    void continueRun();
    void endInput();
    // From the video decoder.
    void takeFrame(std::shared_ptr<FFmpeg::Frame> frame);

private:
    struct HeldFrame
    {
        std::shared_ptr<Frame> frame;
        qint64 bytes = 0;
        // The time of the media's next frame (infinite after the last), once the decoder has told it:
        // until then this frame is the picture only on its own time.
        std::optional<double> nextTime;
        bool first = false;  // no frame of the media comes before this one
    };
    using Frames = std::map<double, HeldFrame>;

    // Work until the wanted picture is out and decoded far enough, or until waiting for the source.
    void serve_();
    bool decodeTowards_(double horizon);
    // Where the run must decode to, or nothing when it has enough (a new run may be asked for).
    std::optional<double> horizon_();
    Frames::iterator pictureFor_(double mediaTime);
    Frames::iterator frameAtOrBefore_(double mediaTime);
    // The first and the last frame of the stretch of frames known to follow each other without gaps.
    Frames::iterator stretchStart_(Frames::iterator frame);
    Frames::iterator stretchEnd_(Frames::iterator frame);
    bool runReaches_(double mediaTime) const;
    void requestRun_(double mediaTime);
    void release_();
    void evict_();
    // How far a frame lies from the clock in the direction of play; passed frames lie farthest.
    double distance_(double time) const;
    double timeOf_(const Frame& frame) const;

    // All members belong to the thread the store lives in.
    const CodecContext& codecContext_;
    qint64 budget_ = kDefaultMemoryBudget;

    Frames frames_;
    qint64 heldBytes_ = 0;
    std::atomic<int> heldFrames_{0};  // the size of frames_ after each eviction, for other threads
    std::optional<double> shown_;  // time of the frame released last

    std::optional<double> wanted_;
    std::chrono::steady_clock::time_point wantedSince_;
    double rate_ = 0.0;      // as the pipeline plays: 0 while paused
    double velocity_ = 0.0;  // how the wanted time moves, in media seconds a second; also while paused

    // The run: frames the decoder returns continue it.
    std::deque<std::shared_ptr<Packet>> packets_;  // read, not yet decoded
    std::optional<double> newestPacket_;            // the latest time of a packet read in the run
    int streamId_ = -1;
    double runTarget_ = 0.0;
    double runFor_ = 0.0;  // the time the run was begun for: its target, or later when begun further back
    std::optional<double> runFirst_;
    std::optional<double> runLast_;
    bool keyFrameRead_ = true;  // packets are queued from the run's first key frame on
    bool packetsSkipped_ = false;
    std::optional<double> landedKeyTime_;  // decoding time of the run's first packet, when a key frame
    bool inputEnded_ = false;  // the source reached the end: what is queued is all that comes
    bool drained_ = false;
    std::optional<double> runRequested_;  // asked of the source and not begun yet
    double requestedFor_ = 0.0;
    double backoff_;  // how far before its target a run that landed after it starts again
    bool serving_ = false;
    bool serveAgain_ = false;
};

} // namespace FFmpeg
