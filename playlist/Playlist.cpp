#include "playlist/Playlist.h"

#include "media/MediaFile.h"

#include <algorithm>
#include <functional>

namespace MediaPlayer2 {

namespace {

using EntryMap = QMap<orvCore::TimeStamp, std::shared_ptr<PlaylistEntry>>;

void forEachMediaFile(const EntryMap& entries, const std::function<void(MediaFile&)>& action)
{
    for (const std::shared_ptr<PlaylistEntry>& entry : entries) {
        if (const std::shared_ptr<MediaFile> media = entry->mediaFile())
            action(*media);
    }
}

}  // namespace

Playlist::Playlist(QObject* parent)
    : QObject(parent)
{
}

Playlist::~Playlist() = default;

int Playlist::addEntry(std::shared_ptr<PlaylistEntry> entry)
{
    if (!entry)
        return 1;
    // Unique, so that an entry handed over again is not relayed twice.
    const PlaylistEntry* source = entry.get();
    connect(source, &PlaylistEntry::mediaActivated, this, &Playlist::mediaActivated, Qt::UniqueConnection);
    connect(source, &PlaylistEntry::mediaPlaying, this, &Playlist::mediaPlaying, Qt::UniqueConnection);
    connect(source, &PlaylistEntry::entryActivated, this, &Playlist::entryActivated, Qt::UniqueConnection);

    const orvCore::TimeStamp key = entry->mediaParameters().startTime();
    if (entries_.contains(key))
        return 1;
    entries_.insert(key, entry);
    if (const std::shared_ptr<MediaFile> media = entry->mediaFile()) {
        media->setVolume(volume_);
        media->setMuted(muted_);
    }
    return 0;
}

void Playlist::getPlaylistEntries(QList<std::shared_ptr<PlaylistEntry>>& entries) const
{
    entries = entries_.values();
}

TimeRange Playlist::timeRange() const
{
    if (entries_.isEmpty())
        return TimeRange();
    orvCore::TimeStamp begin = orvCore::INFINITE_TIME_STAMP;
    orvCore::TimeStamp end = orvCore::MIN_TIME_STAMP;
    for (const std::shared_ptr<PlaylistEntry>& entry : entries_) {
        begin = std::min(begin, entry->mediaParameters().startTime());
        end = std::max(end, entry->mediaParameters().stopTime());
    }
    return TimeRange(begin, end);
}

int Playlist::setClockState(const ClockState& clockState)
{
    // A copy, because listeners of the relayed activations may add entries meanwhile.
    const EntryMap entries = entries_;
    const int activeCount = static_cast<int>(std::count_if(
        entries.cbegin(), entries.cend(),
        [&clockState](const std::shared_ptr<PlaylistEntry>& entry) { return entry->setClockState(clockState); }));
    setMediaActive_(activeCount > 0);
    if (activeCount == 0)
        emit entryActivated(nullptr);
    return activeCount;
}

void Playlist::setMuted(bool muted)
{
    if (muted == muted_)
        return;
    muted_ = muted;
    forEachMediaFile(entries_, [muted](MediaFile& media) { media.setMuted(muted); });
}

void Playlist::setVolume(int volume)
{
    if (volume == volume_)
        return;
    volume_ = volume;
    forEachMediaFile(entries_, [volume](MediaFile& media) { media.setVolume(volume); });
}

void Playlist::setHideWhenNotPlaying(bool fl)
{
    if (fl == hideWhenNotPlaying_)
        return;
    hideWhenNotPlaying_ = fl;
    emit hideWhenNotPlayingChanged(fl);
}

void Playlist::setMediaActive_(bool active)
{
    if (active == mediaActive_)
        return;
    mediaActive_ = active;
    emit mediaActiveChanged(active);
}

}  // namespace MediaPlayer2
