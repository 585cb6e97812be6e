#pragma once

#include "media/MediaParameters.h"
#include "orvCore/Time.h"
#include "playlist/ClockState.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/TimeRange.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>

namespace MediaPlayer2 {

/// The entries of one loaded media description, ordered by start time, driven by the host clock.
///
/// Every clock state goes to every entry in ascending start time; each entry decides by itself
/// whether it is active, and the playlist relays the entries' announcements, so listeners hear the
/// activations in ascending start time and, where windows overlap, the latest-starting entry last.
/// The playlist also fans mute and volume out to every entry's media file.
///
/// Lives on one thread with its entries; the clock connection and the relays are direct.
class Playlist : public QObject {
    Q_OBJECT

public:
    explicit Playlist(QObject* parent = nullptr);
    ~Playlist() override;

    /// 0 when added; 1 when an entry with the same start time is already present (the entry's
    /// signals are relayed nonetheless).
    int addEntry(std::shared_ptr<PlaylistEntry> entry);
    /// Replaces the list's contents with all entries in ascending start time.
    void getPlaylistEntries(QList<std::shared_ptr<PlaylistEntry>>& entries) const;
    /// From the earliest start to the latest stop time of the records as they stand; invalid when
    /// empty or when any stop time is open.
    TimeRange timeRange() const;

    bool isEmpty() const { return entries_.isEmpty(); }
    bool isMuted() const { return muted_; }
    /// At least one entry was active at the last clock state.
    bool isMediaActive() const { return mediaActive_; }
    bool hideWhenNotPlaying() const { return hideWhenNotPlaying_; }
    QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }

public slots:
    /// The number of entries that were active for this clock state.
    int setClockState(const ClockState& clockState);
    void setMuted(bool muted);
    void setVolume(int volume);
    void setHideWhenNotPlaying(bool fl);

signals:
    void hideWhenNotPlayingChanged(bool fl);
    void mediaActivated(const MediaParameters& mediaParams, const QSize& nativeSize);
    void mediaPlaying(QWidget* outputWidget);
    /// Null on every clock state that finds no active entry.
    void entryActivated(const PlaylistEntry* activeEntry);
    void mediaActiveChanged(bool mediaNowActive);

private:
    void setMediaActive_(bool active);

    // All state belongs to the thread that owns the playlist and its entries.
    // Keyed by the start time each entry's record had when it was added.
    QMap<orvCore::TimeStamp, std::shared_ptr<PlaylistEntry>> entries_;
    bool muted_ = false;
    int volume_ = 100;
    // Only stored here; the scene node reads it to switch its media children off.
    bool hideWhenNotPlaying_ = false;
    bool mediaActive_ = false;
    QString name_;
};

}  // namespace MediaPlayer2
