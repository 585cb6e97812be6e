#include "playlist/PlaylistEntry.h"

#include "media/MediaFile.h"
#include "media/MediaFileFactory.h"

#include <QString>

namespace MediaPlayer2 {

PlaylistEntry::PlaylistEntry(QObject* parent)
    : QObject(parent)
{
}

PlaylistEntry::~PlaylistEntry() = default;

bool PlaylistEntry::isLoadingComplete() const
{
    return mediaFile_ && mediaFile_->isLoadingComplete();
}

TimeRange PlaylistEntry::timeRange() const
{
    if (!isLoadingComplete())
        return TimeRange(orvCore::INFINITE_TIME_STAMP, orvCore::INFINITE_TIME_STAMP);
    return TimeRange(mediaParameters_.startTime(), mediaParameters_.stopTime());
}

void PlaylistEntry::loadMedia(const MediaParameters& mediaParameters, MediaFileFactory& factory)
{
    loadMedia_(mediaParameters, factory);
}

bool PlaylistEntry::setClockState(const ClockState& clockState)
{
    if (!isLoadingComplete())
        return false;
    // Listeners of the activation signals may replace the media file; this one stays alive until done.
    const std::shared_ptr<MediaFile> media = mediaFile_;
    const orvCore::TimeStamp clockTime = clockState.timeStamp();
    const TimeRange window = timeRange();

    if (window > clockTime) {
        media->seekTo(0.0, 0.0);
        media->pause();
        return false;
    }
    if (window < clockTime) {
        media->seekTo(media->duration(), 0.0);
        media->pause();
        return false;
    }

    activate_(*media, clockTime, clockState);
    return true;
}

void PlaylistEntry::activate_(MediaFile& media, const orvCore::TimeStamp& clockTime, const ClockState& clockState)
{
    const QSize nativeSize = media.nativeSize();
    emit mediaActivated(mediaParameters_, nativeSize);
    emit entryActivated(this);

    const double position = (clockTime - mediaParameters_.timeZero()).toDouble();
    const double tolerance = mediaParameters_.allowableDelta();
    const bool playsByItself = playsInRealTime_(clockState);
    // The first seek honours the item's tolerance in every clock state; the second places paused
    // media exactly, while playing media is only pulled back once it has drifted too far.
    media.seekTo(position, tolerance);
    media.seekTo(position, playsByItself ? tolerance : 0.0);
    if (playsByItself) {
        media.setPlaybackRate(clockState.scaleOfRealTime());
        media.play();
    } else {
        media.pause();
    }
    media.show();
}

bool PlaylistEntry::playsInRealTime_(const ClockState& clockState) const
{
    return mediaParameters_.realtimeForwardCase() && clockState.realTimeMode() == orvCore::REAL_TIME_ON
        && clockState.direction() == orvCore::FORWARD && clockState.scaleOfRealTime() > 0.0;
}

void PlaylistEntry::loadMedia_(const MediaParameters& mediaParameters, MediaFileFactory& factory)
{
    // A file loaded earlier may still be shared elsewhere; it must no longer speak for this entry.
    if (mediaFile_)
        mediaFile_->disconnect(this);
    mediaFile_.reset(factory.loadMedia(QString::fromStdString(mediaParameters.filename()),
                                       mediaParameters.fileType()));
    if (mediaFile_)
        connect(mediaFile_.get(), &MediaFile::mediaPlaying, this, &PlaylistEntry::mediaPlaying);
    mediaParameters_ = mediaParameters;
    if (!mediaFile_)
        return;
    if (mediaFile_->isLoadingComplete())
        fixStopTime_();
    else
        connect(mediaFile_.get(), &MediaFile::loadingComplete, this, &PlaylistEntry::fixStopTime_);
}

void PlaylistEntry::fixStopTime_()
{
    const orvCore::TimeStamp startTime = mediaParameters_.startTime();
    const orvCore::TimeStamp stopTime = mediaParameters_.stopTime();
    const bool stopTimeMissing = stopTime < startTime || stopTime == orvCore::TimeStamp();
    if (stopTimeMissing) {
        mediaParameters_.setStopTime(mediaFile_->hasDuration()
                                         ? mediaParameters_.timeZero() + orvCore::Seconds(mediaFile_->duration())
                                         : orvCore::INFINITE_TIME_STAMP);
    }
    emit loadingComplete();
}

}  // namespace MediaPlayer2
