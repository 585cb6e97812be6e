#include "media/MediaParameters.h"

#include "media/ImageFile.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>

namespace MediaPlayer2 {

namespace {

// A fresh item gets a small window in the corner until its placement is given.
const QRectF DEFAULT_POSITION(0.0, 0.0, 10.0, 10.0);

// Audio items have nothing to show; their window is parked off screen at the smallest size.
const QRectF AUDIO_POSITION(-400.0, -40.0, 1.0, 1.0);

}  // namespace

MediaParameters::MediaParameters()
    : position_(DEFAULT_POSITION)
{
}

MediaParameters::MediaParameters(FileType type, const std::string& filename,
                                 const orvCore::TimeStamp& timeZero, const orvCore::TimeStamp& startTime,
                                 const orvCore::TimeStamp& stopTime, const QRectF& position, bool mute,
                                 bool displayDecorations, bool alwaysOnTop)
    : fileType_(type)
    , filename_(filename)
    , timeZero_(timeZero)
    , startTime_(startTime)
    , stopTime_(stopTime)
    , position_(position)
    , mute_(mute)
    , displayDecorations_(displayDecorations)
    , alwaysOnTop_(alwaysOnTop)
{
}

void MediaParameters::setX(double x)
{
    xSet_ = true;
    position_.setLeft(x);
}

void MediaParameters::setY(double y)
{
    ySet_ = true;
    position_.setTop(y);
}

void MediaParameters::setWidth(double width)
{
    widthSet_ = true;
    position_.setWidth(width);
}

void MediaParameters::setHeight(double height)
{
    heightSet_ = true;
    position_.setHeight(height);
}

void MediaParameters::setPosition(const QRectF& position)
{
    position_ = position;
    xSet_ = ySet_ = widthSet_ = heightSet_ = true;
}

void MediaParameters::setAudioPosition()
{
    if (fileType_ != AUDIO)
        return;
    setX(AUDIO_POSITION.x());
    setY(AUDIO_POSITION.y());
    setWidth(AUDIO_POSITION.width());
    setHeight(AUDIO_POSITION.height());
    setDisplayDecorations(false);
}

void MediaParameters::guessFileType(const std::string& filename)
{
    static const QStringList audioSuffixes{"aiff", "aifc", "audio", "au", "m4a", "mp3", "wav", "wma"};

    const QString name = QString::fromStdString(filename);
    if (ImageFile::supportsFile(name))
        fileType_ = IMAGE;
    else if (audioSuffixes.contains(QFileInfo(name).suffix(), Qt::CaseSensitive))
        fileType_ = AUDIO;
    else
        fileType_ = VIDEO;
}

}  // namespace MediaPlayer2
