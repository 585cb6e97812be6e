#pragma once

#include "BrokenFiles.h"

#include "ffmpeg/PlaybackPipeline.h"
#include "media/FFmpegMediaFile.h"

namespace BrokenMedia {

// Notification levels: errors only, and errors with the unsupported-codec warnings.
constexpr int kErrorLevel = 2;
constexpr int kWarningLevel = 3;

// Plays until the media time passes `until` or the pipeline stops by itself (at the end, or when
// there is nothing to play).
bool playsUntil(const FFmpeg::PlaybackPipeline& pipeline, double until);

// Loads the broken file, checks that the load reports what its result calls for, then plays it a
// little, seeks to its middle, plays on, pauses and seeks back to its start. After loading nothing
// may be reported but the end of the media, once per play.
void loadPlaySeekAndCheck(MediaPlayer2::FFmpegMediaFile& file, const BrokenFile& broken, int notifyLevel);

} // namespace BrokenMedia
