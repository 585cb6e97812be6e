#include "ffmpeg/FrameStore.h"

#include "ffmpeg/CodecContext.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace FFmpeg {

namespace {

// The host clock counts whole microseconds: a time this close to a frame's is the frame's time.
constexpr double kTimeTolerance = 1e-6;
// A run that begins here begins with the media's first frame.
constexpr double kStartTime = kTimeTolerance;
// Decoding on from where the run stands beats a seek when the wanted time lies at most this far
// ahead: within the group of pictures, or a few frames into the next.
constexpr double kDecodeOnSeconds = 1.0;
// Moving forwards, the next frame is decoded ahead of the clock, so that it is ready when it is due;
// at higher rates the frames the clock passes until the pipeline next asks (FrameStore::
// kShowIntervalMs), up to FrameStore::kMostFramesAhead. Every further one would be a picture of
// memory per video.
constexpr double kShowIntervalSeconds = FrameStore::kShowIntervalMs / 1000.0;
// Moving backwards, the stretch before the held frames is decoded once the clock comes this close
// to their start, times one plus the speed: decoding a group of pictures takes a fraction of that.
constexpr double kReverseLeadSeconds = 0.5;
// Reading is asked this far beyond the frame wanted, so that a decoder that reorders frames gets
// the packets that let the frame out.
constexpr double kReadMarginSeconds = 0.5;
// Successive times further apart than this are a jump, not a move; and no move is taken faster.
constexpr double kLongestMoveSeconds = 1.0;
constexpr double kFastestMove = 8.0;
// A run that landed on any packet (MPEG-TS) and after its target is started again this much further
// back, doubling each time: a second, and a little more, because such a container is searched by its
// packets' decoding times, and a decoder that reorders frames presents the packet found up to a few
// frames later.
constexpr double kFirstBackoffSeconds = 1.25;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

qint64 bytesOf(const Frame& frame)
{
    qint64 bytes = 0;
    for (const AVBufferRef* buffer : frame.avFrame()->buf)
        bytes += buffer ? static_cast<qint64>(buffer->size) : 0;
    return bytes;
}

} // namespace

FrameStore::FrameStore(const CodecContext& codecContext, QObject* parent)
    : QObject(parent)
    , codecContext_(codecContext)
    , backoff_(kFirstBackoffSeconds)
{
}

void FrameStore::showAt(double mediaTime, double rate)
{
    const auto now = std::chrono::steady_clock::now();
    if (rate != 0.0) {
        velocity_ = rate;
    } else if (wanted_ && mediaTime != *wanted_) {
        // Moved by seeks, as a host clock that steps or runs backwards moves a paused pipeline: the
        // velocity of the last move, unless it was a jump.
        const double step = mediaTime - *wanted_;
        const double wallSeconds = std::chrono::duration<double>(now - wantedSince_).count();
        velocity_ = std::abs(step) <= kLongestMoveSeconds && wallSeconds > 0.0
            ? std::clamp(step / wallSeconds, -kFastestMove, kFastestMove)
            : 0.0;
    }
    wanted_ = mediaTime;
    wantedSince_ = now;
    rate_ = rate;
    serve_();
}

void FrameStore::setMemoryBudget(qint64 bytes)
{
    budget_ = bytes;
    serve_();
}

void FrameStore::queuePacket(int streamId, std::shared_ptr<FFmpeg::Packet> packet)
{
    if (!packet)
        return;
    streamId_ = streamId;
    const int64_t stamp = packet->avPacket()->dts != AV_NOPTS_VALUE ? packet->avPacket()->dts : packet->pts();
    if (stamp != AV_NOPTS_VALUE)
        newestPacket_ = std::max(newestPacket_.value_or(-kInfinity), codecContext_.ptsToSeconds(stamp));
    // Before its first key frame a run has nothing the decoder can make a picture of: it would only
    // spend time concealing the references it lacks and drop the result.
    const bool key = packet->avPacket()->flags & AV_PKT_FLAG_KEY;
    if (!keyFrameRead_ && key && !packetsSkipped_ && stamp != AV_NOPTS_VALUE)
        landedKeyTime_ = codecContext_.ptsToSeconds(stamp);
    keyFrameRead_ = keyFrameRead_ || key;
    packetsSkipped_ = packetsSkipped_ || !keyFrameRead_;
    if (keyFrameRead_)
        packets_.push_back(std::move(packet));
    serve_();
}

void FrameStore::startRun(double mediaTime)
{
    packets_.clear();
    newestPacket_.reset();
    runFor_ = runRequested_ && std::abs(*runRequested_ - mediaTime) < kTimeTolerance ? requestedFor_ : mediaTime;
    runTarget_ = mediaTime;
    runFirst_.reset();
    runLast_.reset();
    // From the start everything is read: some streams do not mark their key frames.
    keyFrameRead_ = mediaTime <= kStartTime;
    packetsSkipped_ = false;
    landedKeyTime_.reset();
    inputEnded_ = false;
    drained_ = false;
    runRequested_.reset();
    emit restartWanted();
}

void FrameStore::continueRun()
{
    serve_();
}

void FrameStore::endInput()
{
    inputEnded_ = true;
    serve_();
}

void FrameStore::takeFrame(std::shared_ptr<FFmpeg::Frame> frame)
{
    if (!frame)
        return;
    const double time = timeOf_(*frame);
    auto [held, added] = frames_.try_emplace(time);
    if (added) {
        held->second.bytes = bytesOf(*frame);
        held->second.frame = std::move(frame);
        heldBytes_ += held->second.bytes;
    }
    if (!runFirst_) {
        runFirst_ = time;
        held->second.first = held->second.first || runTarget_ <= kStartTime;
    }
    // The decoder returns frames in presentation order: this one follows the run's last directly.
    if (runLast_ && time > *runLast_) {
        const Frames::iterator previous = frames_.find(*runLast_);
        if (previous != frames_.end())
            previous->second.nextTime = time;
    }
    if (!runLast_ || time > *runLast_)
        runLast_ = time;
    serve_();
}

void FrameStore::serve_()
{
    // Frames come back while a packet is decoded; they are taken in the loop below.
    if (serving_) {
        serveAgain_ = true;
        return;
    }
    serving_ = true;
    do {
        serveAgain_ = false;
        release_();
        evict_();
        const std::optional<double> horizon = horizon_();
        if (horizon && decodeTowards_(*horizon))
            serveAgain_ = true;
    } while (serveAgain_);
    serving_ = false;
}

std::optional<double> FrameStore::horizon_()
{
    if (!wanted_ || runRequested_)
        return std::nullopt;
    const double t = *wanted_;
    const Frames::iterator picture = pictureFor_(t);
    if (picture == frames_.end()) {
        if (runReaches_(t))
            return t + kTimeTolerance;
        requestRun_(t);
        return std::nullopt;
    }
    if (velocity_ > 0.0) {
        const Frames::iterator end = stretchEnd_(picture);
        const double frame = codecContext_.frameDuration();
        const double ahead = t + std::clamp(velocity_ * kShowIntervalSeconds, frame, kMostFramesAhead * frame);
        if (end->first >= ahead || std::isinf(end->second.nextTime.value_or(0.0)))
            return std::nullopt;
        // Ahead of the clock by the run that continues the frames on screen, or that comes up to
        // them; else by a new one from their end (frames held from backward play are followed by
        // nothing decoded yet).
        if (runLast_ == end->first || runReaches_(end->first))
            return ahead;
        requestRun_(end->first);
    }
    if (velocity_ < 0.0) {
        const Frames::iterator start = stretchStart_(picture);
        if (start->second.first || t - start->first > kReverseLeadSeconds * (1.0 - velocity_))
            return std::nullopt;
        // The stretch before: the run on its way there, or a new one from just before it, beyond the
        // tolerance within which a time counts as the frame's own. A run from before that came up to
        // the stretch without joining it lost its frames to the budget: the clock will find them
        // missing and have them decoded then.
        const double before = start->first - 2.0 * kTimeTolerance;
        if (runTarget_ < start->first && runFirst_.value_or(runTarget_) < start->first) {
            if (drained_ || runLast_.value_or(runTarget_) >= start->first)
                return std::nullopt;
            return before;
        }
        requestRun_(before);
    }
    return std::nullopt;
}

bool FrameStore::decodeTowards_(double horizon)
{
    if (runLast_ && *runLast_ > horizon)
        return false;
    if (!packets_.empty()) {
        const std::shared_ptr<Packet> packet = std::move(packets_.front());
        packets_.pop_front();
        emit decodeWanted(streamId_, packet);
        return true;
    }
    if (inputEnded_) {
        if (drained_)
            return false;
        drained_ = true;
        emit drainWanted();
        const Frames::iterator last = runLast_ ? frames_.find(*runLast_) : frames_.end();
        if (last != frames_.end())
            last->second.nextTime = kInfinity;
        return true;
    }
    // Asked again each time: the source ends a burst at a packet without a usable time. Past the
    // horizon while no frame reaches it: a run that began before a key frame it cannot decode
    // without (MPEG-TS seeks land anywhere), or a stretch without pictures.
    emit readWanted(std::max(horizon, newestPacket_.value_or(horizon)) + kReadMarginSeconds);
    return false;
}

bool FrameStore::runReaches_(double mediaTime) const
{
    if (drained_ || runTarget_ > mediaTime + kTimeTolerance)
        return false;
    // A run only goes forwards: what it has passed and no longer holds takes a new one. Ahead of it,
    // a seek lands no nearer than the run's own target does; a run begun further back for a time
    // goes there.
    const double last = runLast_.value_or(runTarget_);
    const double reach = std::max({runFor_, last, runTarget_}) + kDecodeOnSeconds;
    return mediaTime + kTimeTolerance >= last && mediaTime <= reach + kTimeTolerance;
}

void FrameStore::requestRun_(double mediaTime)
{
    // A run from the start that gave no frame at all: the media holds none.
    if (drained_ && !runFirst_ && runTarget_ <= kStartTime)
        return;
    double target = mediaTime;
    // The run begun at or before the time landed after it, or came to the end without a frame:
    // begin further back, and further each time.
    const bool landedAfter = runFirst_ ? *runFirst_ > mediaTime + kTimeTolerance : drained_;
    if (landedAfter && runTarget_ <= mediaTime + kTimeTolerance && runTarget_ > kStartTime) {
        // A source that seeks by an index lands on the key frame whose decoding time comes last at
        // or before the target, and presents it after the target only when frames reordered after
        // it come before it: the key frame before is found from just before that decoding time. A
        // source that lands on any packet (MPEG-TS) and reads on to a key frame starts further back.
        if (landedKeyTime_ && *landedKeyTime_ <= runTarget_) {
            target = std::max(0.0, *landedKeyTime_ - 2.0 * kTimeTolerance);
        } else {
            target = std::max(0.0, std::min(mediaTime, runTarget_) - backoff_);
            backoff_ *= 2.0;
        }
    } else {
        backoff_ = kFirstBackoffSeconds;
    }
    runRequested_ = target;
    requestedFor_ = mediaTime;
    emit seekWanted(target);
}

FrameStore::Frames::iterator FrameStore::frameAtOrBefore_(double mediaTime)
{
    const Frames::iterator after = frames_.upper_bound(mediaTime + kTimeTolerance);
    return after == frames_.begin() ? frames_.end() : std::prev(after);
}

FrameStore::Frames::iterator FrameStore::pictureFor_(double mediaTime)
{
    const Frames::iterator frame = frameAtOrBefore_(mediaTime);
    if (frame == frames_.end())
        return !frames_.empty() && frames_.begin()->second.first ? frames_.begin() : frames_.end();
    // On a frame's own time that frame is the picture, whatever comes next.
    const std::optional<double>& next = frame->second.nextTime;
    return mediaTime - frame->first <= kTimeTolerance || (next && *next > mediaTime + kTimeTolerance) ? frame
                                                                                                  : frames_.end();
}

FrameStore::Frames::iterator FrameStore::stretchStart_(Frames::iterator frame)
{
    while (frame != frames_.begin()) {
        const Frames::iterator previous = std::prev(frame);
        if (previous->second.nextTime != frame->first)
            break;
        frame = previous;
    }
    return frame;
}

FrameStore::Frames::iterator FrameStore::stretchEnd_(Frames::iterator frame)
{
    for (Frames::iterator next = std::next(frame); next != frames_.end() && frame->second.nextTime == next->first;
         ++next)
        frame = next;
    return frame;
}

void FrameStore::release_()
{
    if (!wanted_)
        return;
    const Frames::iterator picture = pictureFor_(*wanted_);
    if (picture == frames_.end() || shown_ == picture->first)
        return;
    shown_ = picture->first;
    emit pictureReady(picture->second.frame);
}

double FrameStore::distance_(double time) const
{
    if (time == shown_)
        return -kInfinity;
    const double ahead = velocity_ > 0.0 ? time - *wanted_ : velocity_ < 0.0 ? *wanted_ - time : std::abs(time - *wanted_);
    return ahead < -kTimeTolerance ? kInfinity : ahead;
}

void FrameStore::evict_()
{
    if (!wanted_)
        return;
    // Playing, the frames before the picture in the direction of play are not wanted again; before
    // the frame at or before the clock while the picture is still being decoded (a decoder slower
    // than the clock would otherwise fill the budget with frames the clock has left). Playing
    // forwards, frames further ahead than a run decodes on are left from before a jump back (a
    // looping clock): a new run reaches them sooner than the clock does.
    Frames::iterator picture = pictureFor_(*wanted_);
    if (picture == frames_.end())
        picture = frameAtOrBefore_(*wanted_);
    const double keptAhead = std::max(kDecodeOnSeconds, (kMostFramesAhead + 1) * codecContext_.frameDuration());
    const auto unwanted = [&](const Frames::value_type& frame) {
        const bool passed = picture != frames_.end()
            && (rate_ > 0.0 ? frame.first < picture->first : frame.first > picture->first);
        return rate_ != 0.0 && (passed || (rate_ > 0.0 && frame.first > *wanted_ + keptAhead));
    };
    for (Frames::iterator frame = frames_.begin(); frame != frames_.end();) {
        if (unwanted(*frame)) {
            heldBytes_ -= frame->second.bytes;
            frame = frames_.erase(frame);
        } else {
            ++frame;
        }
    }
    while (heldBytes_ > budget_ && frames_.size() > 1) {
        const Frames::iterator farthest = std::max_element(frames_.begin(), frames_.end(), [this](const auto& a, const auto& b) {
            return distance_(a.first) < distance_(b.first);
        });
        heldBytes_ -= farthest->second.bytes;
        frames_.erase(farthest);
    }
    heldFrames_ = static_cast<int>(frames_.size());
}

double FrameStore::timeOf_(const Frame& frame) const
{
    const int64_t stamp = frame.bestEffortTimeStamp();
    if (stamp != AV_NOPTS_VALUE)
        return codecContext_.ptsToSeconds(stamp);
    // A frame without a time follows the one before it by the stream's frame duration.
    return runLast_ ? *runLast_ + codecContext_.frameDuration() : runTarget_;
}

} // namespace FFmpeg
