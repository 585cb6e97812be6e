#pragma once

#include "ffmpeg/PlaybackPipeline.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace PipelineTest {

enum class Threading { Off, On };

std::string nameOf(Threading threading);

// A picture that reached the owning thread, with what the pipeline said when it arrived.
struct ShownFrame
{
    int number;  // -1 when unreadable
    double mediaTime;
};

// A playback pipeline with a record of the pictures it delivered and the statuses it announced.
class PipelineProbe : public QObject
{
    Q_OBJECT
public:
    explicit PipelineProbe(Threading threading);

    FFmpeg::PlaybackPipeline& pipeline() { return *pipeline_; }
    void destroyPipeline() { pipeline_.reset(); }
    FFmpeg::PlaybackPipeline::LoadError load(const std::string& mediaName, bool videoOnly = true);

    int lastShown() const { return shown.empty() ? -1 : shown.back().number; }
    // Each runs the event loop until its condition holds; false when a hang guard runs out first.
    bool waitUntil(const std::function<bool()>& condition);
    bool waitForShown(int frameNumber);
    bool waitForMediaTime(double mediaTime);  // until the clock passes it
    // Until the picture of the paused clock's time is shown; `lastFrame` stays on screen from the
    // end of its time to the end of the media.
    bool waitForPictureOfClock(int lastFrame);

    std::vector<ShownFrame> shown;
    std::vector<FFmpeg::PlaybackPipeline::MediaStatus> statuses;
    std::vector<FFmpeg::PlaybackPipeline::PlaybackState> states;

private:
    std::unique_ptr<FFmpeg::PlaybackPipeline> pipeline_;
};

// Whether a thread of this process has that name, as the system shows it (cut to 15 bytes).
bool threadRunning(const QString& name);

} // namespace PipelineTest
