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
    int number;  // the frame number the picture encodes, -1 when unreadable
    double mediaTime;
    FFmpeg::PlaybackPipeline::PlaybackState state;
};

// A playback pipeline with a record of the pictures it delivered and the statuses it announced.
class PipelineProbe : public QObject
{
    Q_OBJECT
public:
    explicit PipelineProbe(Threading threading);
    ~PipelineProbe() override;

    FFmpeg::PlaybackPipeline& pipeline();
    // Destroys the pipeline, as its owner would.
    void destroyPipeline();

    // Loads a generated clip.
    FFmpeg::PlaybackPipeline::LoadError load(const std::string& mediaName, bool videoOnly = true);

    // The number of the last picture delivered, -1 before any.
    int lastShown() const;
    // Runs the event loop until the condition holds; false when a hang guard runs out first.
    bool waitUntil(const std::function<bool()>& condition);
    // Waits until the last picture delivered is that frame.
    bool waitForShown(int frameNumber);
    // Waits until the clock passes the media time.
    bool waitForMediaTime(double mediaTime);
    // Waits until the picture of the present (paused) clock time is shown; `lastFrame` is the
    // clip's last frame, which stays on screen from the end of its time to the end of the media.
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
