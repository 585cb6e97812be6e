#include "media/ImageFile.h"

#include "orvCore/String.h"

#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <string>

namespace MediaPlayer2 {

ImageFile::ImageFile(QObject* parent)
    : MediaFile(parent)
{
}

ImageFile::~ImageFile() = default;

bool ImageFile::supportsFile(const QString& fileName)
{
    const std::string extension = orvCore::getExtension(fileName.toStdString(), true);
    const std::string::size_type dot = extension.find('.');
    if (dot == std::string::npos)
        return false;
    const QString format = QString::fromStdString(extension.substr(dot + 1));
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    return std::any_of(readable.begin(), readable.end(),
                       [&format](const QByteArray& name) { return QString::fromLatin1(name) == format; });
}

void ImageFile::setMedia(const QUrl& url)
{
    status_ = QMediaPlayer::LoadingMedia;
    pixmap_.reset();
    pixmap_ = std::make_unique<QPixmap>(url.toLocalFile());
    if (pixmap_->isNull()) {
        title_.clear();
        status_ = QMediaPlayer::InvalidMedia;
        emit error(ResourceError);
        emit loadingComplete();
        return;
    }
    title_ = url.fileName(QUrl::FullyDecoded);
    status_ = QMediaPlayer::LoadedMedia;
    emit loadingComplete();
}

QMediaPlayer::MediaStatus ImageFile::mediaStatus() const
{
    return status_;
}

double ImageFile::duration() const
{
    return 0.0;
}

bool ImageFile::hasDuration() const
{
    return false;
}

bool ImageFile::isLoadingComplete() const
{
    return status_ == QMediaPlayer::LoadedMedia || status_ == QMediaPlayer::InvalidMedia;
}

QSize ImageFile::nativeSize() const
{
    return pixmap_ ? pixmap_->size() : QSize();
}

int ImageFile::seekTo(double /*position*/, double /*allowedDelta*/)
{
    return 0;
}

void ImageFile::setPlaybackRate(double /*multipleOfRealtime*/) {}

void ImageFile::setMuted(bool /*muted*/) {}

void ImageFile::setVolume(int /*volume*/) {}

void ImageFile::play()
{
    show();
}

void ImageFile::pause() {}

const QPixmap* ImageFile::getPixmap_() const
{
    return pixmap_.get();
}

const QString& ImageFile::getTitle_() const
{
    return title_;
}

}  // namespace MediaPlayer2
