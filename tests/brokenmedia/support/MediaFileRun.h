#pragma once

#include "BrokenFiles.h"

#include "ffmpeg/PlaybackPipeline.h"
#include "media/FFmpegMediaFile.h"

#include <QMediaPlayer>

#include <string>
#include <vector>

namespace BrokenMedia {

// Notification levels: errors only, and errors with the unsupported-codec warnings.
constexpr int kErrorLevel = 2;
constexpr int kWarningLevel = 3;

// What a video media file reports for the result its pipeline's load gave: the messages seen at
// a notification level, its signals while loading and its status afterwards.
struct LoadReport
{
    std::string messages;
    std::vector<std::string> signalNames;
    QMediaPlayer::MediaStatus status;
};

LoadReport expectedReport(const FFmpeg::PlaybackPipeline& pipeline, const std::string& fileName, int notifyLevel);

// The media file's pipeline, its direct Qt child; null before loading.
FFmpeg::PlaybackPipeline* pipelineOf(const MediaPlayer2::FFmpegMediaFile& file);

// Loads the broken file, checks that the load reports what its result calls for, then plays it a
// little, seeks to its middle, plays on, pauses and seeks back to its start. After loading nothing
// may be reported but the end of the media, once per play. Every wait is bounded.
void loadPlaySeekAndCheck(MediaPlayer2::FFmpegMediaFile& file, const BrokenFile& broken, int notifyLevel);

} // namespace BrokenMedia
