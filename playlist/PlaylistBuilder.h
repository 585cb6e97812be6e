#pragma once

#include "media/MediaParameters.h"

#include <string>

namespace MediaPlayer2 {

/// Receives what a playlist file holds, one call per accepted line, in file order.
class PlaylistBuilder {
public:
    virtual ~PlaylistBuilder() = default;

    virtual void setHideWhenNotPlaying(bool hide) = 0;
    virtual void loadAudio(const MediaParameters& params) = 0;
    virtual void loadVideo(const MediaParameters& params) = 0;
    virtual void loadImage(const MediaParameters& params) = 0;
    /// The resolved path of a bookmark file.
    virtual void loadBookmarks(const std::string& path) = 0;
    /// The resolved path of a TMD file named by a media line, told before that line is parsed, so
    /// also for a line that is then rejected.
    virtual void notifyTmdFound(const std::string& path) = 0;
};

}  // namespace MediaPlayer2
