#pragma once

#include "media/MediaParameters.h"
#include "playlist/ClockState.h"
#include "playlist/TimeRange.h"

#include <QObject>
#include <QSize>
#include <QWidget>

#include <memory>

namespace MediaPlayer2 {

class MediaFile;
class MediaFileFactory;

/// One media item of a playlist: its record and the media file that plays it.
///
/// On every clock state the entry decides from its own window [start time, stop time] whether it is
/// active. Inside, it announces itself and moves its media to the clock's position (media position 0
/// is the record's time zero): while the clock runs forward in real time the media plays by itself
/// at the clock's scale, in every other clock state it is paused at the clock's position. Outside,
/// the media is parked at the nearer end and paused. Nothing is remembered between clock states.
///
/// Lives on the thread that owns the playlist; MediaParameters and ClockState are not registered
/// meta types, so its signals must not cross threads.
class PlaylistEntry : public QObject {
    Q_OBJECT

public:
    explicit PlaylistEntry(QObject* parent = nullptr);
    ~PlaylistEntry() override;

    /// Empty until loadMedia has run, and afterwards when the factory made none.
    std::shared_ptr<MediaFile> mediaFile() const { return mediaFile_; }
    const MediaParameters& mediaParameters() const { return mediaParameters_; }
    bool isLoadingComplete() const;
    /// The window once the media has loaded; an invalid range before.
    TimeRange timeRange() const;

public slots:
    /// Copies the record and has the factory make and load the media file at once; loadingComplete()
    /// follows once the media has loaded (before this returns when it loads at once).
    void loadMedia(const MediaParameters& mediaParameters, MediaFileFactory& factory);
    /// True when the clock state lies inside the entry's window and the entry drove its media there.
    bool setClockState(const ClockState& clockState);

signals:
    void loadingComplete();
    void mediaActivated(const MediaParameters& mediaParams, const QSize& nativeSize);
    void mediaPlaying(QWidget* outputWidget);
    void entryActivated(const PlaylistEntry* activeEntry);

private slots:
    void loadMedia_(const MediaParameters& mediaParameters, MediaFileFactory& factory);
    /// Completes a missing stop time from the media's duration, then announces loadingComplete().
    void fixStopTime_();

private:
    /// Announces the entry and moves the media to the clock's position.
    void activate_(MediaFile& media, const orvCore::TimeStamp& clockTime, const ClockState& clockState);
    bool playsInRealTime_(const ClockState& clockState) const;

    // Used only on the thread that owns the playlist.
    std::shared_ptr<MediaFile> mediaFile_;
    MediaParameters mediaParameters_;
};

}  // namespace MediaPlayer2
