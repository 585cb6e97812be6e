#pragma once

#include "orvCore/Time.h"

#include <QRectF>

#include <string>

namespace MediaPlayer2 {

/// The record of one media item: which file, what kind of media, where it sits on the simulation
/// time line, where its window goes and how it is played. A plain copyable value.
class MediaParameters {
public:
    /// The values are fixed: loaders store them and factories test them by number.
    enum FileType { UNDEFINED = 0, AUDIO = 1, VIDEO = 2, IMAGE = 3 };

    MediaParameters();
    /// The four "set" flags stay false even though a position is given.
    MediaParameters(FileType type, const std::string& filename, const orvCore::TimeStamp& timeZero,
                    const orvCore::TimeStamp& startTime, const orvCore::TimeStamp& stopTime,
                    const QRectF& position, bool mute, bool displayDecorations, bool alwaysOnTop);

    FileType fileType() const { return fileType_; }
    void setFileType(FileType type) { fileType_ = type; }
    std::string filename() const { return filename_; }
    void setFilename(const std::string& filename) { filename_ = filename; }

    orvCore::TimeStamp timeZero() const { return timeZero_; }
    void setTimeZero(const orvCore::TimeStamp& time) { timeZero_ = time; }
    orvCore::TimeStamp startTime() const { return startTime_; }
    void setStartTime(const orvCore::TimeStamp& time) { startTime_ = time; }
    /// A default stamp, or one earlier than the start time, means the item has no stop time of
    /// its own yet; the playlist entry completes it from the media's duration.
    orvCore::TimeStamp stopTime() const { return stopTime_; }
    void setStopTime(const orvCore::TimeStamp& time) { stopTime_ = time; }

    const QRectF& position() const { return position_; }
    bool isXSet() const { return xSet_; }
    bool isYSet() const { return ySet_; }
    bool isWidthSet() const { return widthSet_; }
    bool isHeightSet() const { return heightSet_; }
    bool isPositionSet() const { return xSet_ || ySet_ || widthSet_ || heightSet_; }

    /// Moves the left edge and keeps the right edge, so the width changes by the opposite amount:
    /// x followed by width gives exactly what was asked, width followed by x does not.
    void setX(double x);
    /// Moves the top edge and keeps the bottom edge.
    void setY(double y);
    void setWidth(double width);
    void setHeight(double height);
    void setPosition(const QRectF& position);
    /// Parks the window of an audio item off screen, one pixel in size and without decorations;
    /// does nothing for any other kind of media.
    void setAudioPosition();

    bool mute() const { return mute_; }
    void setMute(bool mute) { mute_ = mute; }
    bool displayDecorations() const { return displayDecorations_; }
    void setDisplayDecorations(bool display) { displayDecorations_ = display; }
    bool alwaysOnTop() const { return alwaysOnTop_; }
    void setAlwaysOnTop(bool onTop) { alwaysOnTop_ = onTop; }
    /// Whether the media plays by itself at clock speed while the clock runs forward in real time.
    bool realtimeForwardCase() const { return realtimeForwardCase_; }
    void setRealtimeForwardCase(bool handle) { realtimeForwardCase_ = handle; }
    /// Seconds the media position may drift from the requested one before a seek is made.
    double allowableDelta() const { return allowableDelta_; }
    void setAllowableDelta(double seconds) { allowableDelta_ = seconds; }

    /// Sets the file type from the name: a readable image format, else a known audio suffix
    /// (case-sensitive), else video. Never yields UNDEFINED.
    void guessFileType(const std::string& filename);

private:
    FileType fileType_ = UNDEFINED;
    std::string filename_;
    orvCore::TimeStamp timeZero_;
    orvCore::TimeStamp startTime_;
    orvCore::TimeStamp stopTime_;
    QRectF position_;
    bool xSet_ = false;
    bool ySet_ = false;
    bool widthSet_ = false;
    bool heightSet_ = false;
    bool mute_ = false;
    bool displayDecorations_ = true;
    bool alwaysOnTop_ = false;
    bool realtimeForwardCase_ = true;
    double allowableDelta_ = 1.0;
};

}  // namespace MediaPlayer2
