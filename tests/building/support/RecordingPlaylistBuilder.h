#pragma once

#include "playlist/PlaylistBuilder.h"

#include <string>
#include <vector>

namespace testsupport {

/// A playlist builder that only records what it is told, in order.
class RecordingPlaylistBuilder : public MediaPlayer2::PlaylistBuilder {
public:
    enum Kind { HIDE, AUDIO, VIDEO, IMAGE, BOOKMARKS, TMD_FOUND };

    struct Call {
        Kind kind;
        MediaPlayer2::MediaParameters params;  // media calls only
        std::string path;                      // bookmark and TMD calls only
        bool hide = false;                     // hide calls only
    };

    void setHideWhenNotPlaying(bool hide) override { calls.push_back({HIDE, {}, {}, hide}); }
    void loadAudio(const MediaPlayer2::MediaParameters& params) override { calls.push_back({AUDIO, params, {}}); }
    void loadVideo(const MediaPlayer2::MediaParameters& params) override { calls.push_back({VIDEO, params, {}}); }
    void loadImage(const MediaPlayer2::MediaParameters& params) override { calls.push_back({IMAGE, params, {}}); }
    void loadBookmarks(const std::string& path) override { calls.push_back({BOOKMARKS, {}, path}); }
    void notifyTmdFound(const std::string& path) override { calls.push_back({TMD_FOUND, {}, path}); }

    std::vector<Call> calls;
};

}  // namespace testsupport
