#pragma once

#include "playlist/PlaylistBuilder.h"

#include <memory>
#include <string>
#include <vector>

namespace MediaPlayer2 {

class MediaFileFactory;
class Playlist;
class PlaylistEntry;

/// Turns every media item read into a playlist entry whose media starts loading at once, keeps the
/// entries in reading order and hands them to a playlist on transfer. Lives on the thread that
/// reads the file and runs the Qt event loop.
class BuildToPlaylist : public PlaylistBuilder {
public:
    /// The factory is not owned and is used only inside the load calls.
    explicit BuildToPlaylist(MediaFileFactory& factory);
    ~BuildToPlaylist() override;

    BuildToPlaylist(const BuildToPlaylist&) = delete;
    BuildToPlaylist& operator=(const BuildToPlaylist&) = delete;

    void setHideWhenNotPlaying(bool hide) override;
    /// The three load calls behave alike: the media kind comes from the record's file type.
    void loadAudio(const MediaParameters& params) override;
    void loadVideo(const MediaParameters& params) override;
    void loadImage(const MediaParameters& params) override;
    void loadBookmarks(const std::string& path) override;
    /// TMD files need no bookkeeping here: their items arrive through the load calls.
    void notifyTmdFound(const std::string& path) override;

    const std::vector<std::string>& bookmarks() const { return bookmarks_; }

    /// Sets the playlist's hide flag and adds every entry in reading order. An entry whose start
    /// time is already taken is left out by the playlist. The entries stay shared with the builder,
    /// so a second transfer hands the same entries again.
    void transfer(Playlist* playlist);

private:
    void addEntry_(const MediaParameters& params);

    // All on the thread that reads the file; the entries are shared with the playlist after transfer.
    bool hideWhenNotPlaying_ = true;
    std::vector<std::shared_ptr<PlaylistEntry>> entries_;
    std::vector<std::string> bookmarks_;
    MediaFileFactory& factory_;
};

}  // namespace MediaPlayer2
