#pragma once

#include "ffmpeg/PlaybackPipeline.h"

#include <QString>

#include <string>
#include <vector>

namespace testsupport {

/// A picture that reached the owning thread, with the pipeline's media time when it arrived.
struct ShownPicture {
    int number;  ///< its frame stamp, -1 when unreadable
    double mediaTime;
};

/// A playback pipeline with a record of the pictures it delivered and what it announced.
class PipelineRun {
public:
    explicit PipelineRun(bool threaded);
    FFmpeg::PlaybackPipeline::LoadError load(const std::string& mediaName, bool videoOnly = true);
    /// Each runs the event loop until the picture shows or the clock passes the time; false when a
    /// hang guard runs out first.
    bool waitForShown(int frameNumber);
    bool waitForMediaTime(double mediaTime);

    // Before the pipeline, which reports its closing as it goes.
    std::vector<ShownPicture> shown;
    std::vector<FFmpeg::PlaybackPipeline::MediaStatus> statuses;
    std::vector<FFmpeg::PlaybackPipeline::PlaybackState> states;
    FFmpeg::PlaybackPipeline pipeline;
};

/// Whether a thread of this process has that name, as the system shows it (cut to 15 bytes).
bool threadRunning(const QString& name);

}  // namespace testsupport
