#include "ffmpeg/FrameSyncFilter.h"

#include "ffmpeg/CodecContext.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace FFmpeg {

namespace {

bool isEarlierThanTime(const std::shared_ptr<FrameSyncFilter::SavedFrame>& entry, double time)
{
    return entry->time < time;
}

bool isTimeEarlierThan(double time, const std::shared_ptr<FrameSyncFilter::SavedFrame>& entry)
{
    return time < entry->time;
}

} // namespace

FrameSyncFilter::FrameSyncFilter(const CodecContext& codecContext, QObject* parent)
    : QObject(parent)
    , codecContext_(codecContext)
{
}

void FrameSyncFilter::queueFrame(std::shared_ptr<FFmpeg::Frame> frame)
{
    if (!frame)
        return;
    const double time = codecContext_.ptsToSeconds(frame->bestEffortTimeStamp());

    // Decoders deliver in presentation order almost always: appending needs no search.
    if (frames_.empty() || frames_.back()->time < time) {
        frames_.push_back(std::make_shared<SavedFrame>(SavedFrame{time, std::move(frame)}));
        return;
    }

    const auto notEarlier = std::lower_bound(frames_.begin(), frames_.end(), time, isEarlierThanTime);
    if ((*notEarlier)->time == time)
        (*notEarlier)->frame = std::move(frame);
    else
        frames_.insert(notEarlier, std::make_shared<SavedFrame>(SavedFrame{time, std::move(frame)}));
}

void FrameSyncFilter::advanceTo(double mediaTime)
{
    const auto firstNotDue = std::upper_bound(frames_.begin(), frames_.end(), mediaTime, isTimeEarlierThan);
    if (firstNotDue == frames_.begin())
        return;

    std::shared_ptr<SavedFrame> newestDue = *std::prev(firstNotDue);
    frames_.erase(frames_.begin(), firstNotDue);

    if (currentFrame_ && currentFrame_->time >= newestDue->time)
        return;
    currentFrame_ = std::move(newestDue);
    emit frameReadyToProcess(currentFrame_->frame);
}

void FrameSyncFilter::clear()
{
    frames_.clear();
    currentFrame_.reset();
}

void FrameSyncFilter::sendLatestFrame()
{
    if (frames_.empty())
        return;
    currentFrame_ = frames_.back();
    frames_.clear();
    emit frameReadyToProcess(currentFrame_->frame);
}

} // namespace FFmpeg
