#include "playlist/BuildToPlaylist.h"

#include "playlist/Playlist.h"
#include "playlist/PlaylistEntry.h"

namespace MediaPlayer2 {

BuildToPlaylist::BuildToPlaylist(MediaFileFactory& factory)
    : factory_(factory)
{
}

BuildToPlaylist::~BuildToPlaylist() = default;

void BuildToPlaylist::setHideWhenNotPlaying(bool hide)
{
    hideWhenNotPlaying_ = hide;
}

void BuildToPlaylist::loadAudio(const MediaParameters& params)
{
    addEntry_(params);
}

void BuildToPlaylist::loadVideo(const MediaParameters& params)
{
    addEntry_(params);
}

void BuildToPlaylist::loadImage(const MediaParameters& params)
{
    addEntry_(params);
}

void BuildToPlaylist::loadBookmarks(const std::string& path)
{
    bookmarks_.push_back(path);
}

void BuildToPlaylist::notifyTmdFound(const std::string&)
{
}

void BuildToPlaylist::transfer(Playlist* playlist)
{
    playlist->setHideWhenNotPlaying(hideWhenNotPlaying_);
    for (const auto& entry : entries_)
        playlist->addEntry(entry);
}

void BuildToPlaylist::addEntry_(const MediaParameters& params)
{
    auto entry = std::make_shared<PlaylistEntry>(nullptr);
    // Loading (and progress counting, when the factory reports to an observer) starts here.
    entry->loadMedia(params, factory_);
    entries_.push_back(std::move(entry));
}

}  // namespace MediaPlayer2
