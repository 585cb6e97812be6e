#pragma once

#include "ffmpeg/PlaybackPipeline.h"

#include <QUrl>

#include <string>

namespace MediaFileTest {

// A generated clip's address.
QUrl urlOf(const std::string& mediaName);
// The media file's playback pipeline, made anew by each load.
FFmpeg::PlaybackPipeline* pipelineOf(const QObject& file);

} // namespace MediaFileTest
