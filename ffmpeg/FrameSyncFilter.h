#pragma once

#include "ffmpeg/Frame.h"

#include <QObject>

#include <deque>
#include <memory>

namespace FFmpeg {

class CodecContext;

// Holds decoded video frames, sorted by presentation time, until the media clock reaches them,
// then releases the newest frame that has become due. Frames overtaken in between are dropped
// unseen, so a slow consumer always gets the picture that belongs to the current time.
class FrameSyncFilter : public QObject
{
    Q_OBJECT
public:
    struct SavedFrame
    {
        double time;  // presentation time in seconds
        std::shared_ptr<Frame> frame;
    };

    // The codec context turns the frames' time stamps into seconds; it is not owned.
    explicit FrameSyncFilter(const CodecContext& codecContext, QObject* parent = nullptr);

signals:
    void frameReadyToProcess(std::shared_ptr<FFmpeg::Frame> frame);

public slots:
    void queueFrame(std::shared_ptr<FFmpeg::Frame> frame);
    // Releases the newest frame presented at or before mediaTime, unless an equal or later one
    // is already on screen.
    void advanceTo(double mediaTime);
    // Forgets the queue and the frame on screen, so that the next due frame is released
    // whatever its time (the start of a seek).
    void clear();
    // Releases the newest queued frame regardless of time (the end of a seek).
    void sendLatestFrame();

private:
    // All members belong to the thread the filter lives in (the decoder thread when threaded).
    std::deque<std::shared_ptr<SavedFrame>> frames_;  // ascending time, no two times equal
    std::shared_ptr<SavedFrame> currentFrame_;        // released most recently
    const CodecContext& codecContext_;
};

} // namespace FFmpeg
