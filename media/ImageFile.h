#pragma once

#include "media/MediaFile.h"

#include <QPixmap>
#include <QString>

#include <memory>

namespace MediaPlayer2 {

/// A still image as a media file: loaded once, without time. It has no duration, ignores seeking,
/// rate, sound and pausing, and shows its picture whenever it is played. Subclasses present the
/// picture in a window or in the scene graph.
///
/// Lives on the thread that owns the playlist, like every media file.
class ImageFile : public MediaFile {
    Q_OBJECT

public:
    explicit ImageFile(QObject* parent = nullptr);
    ~ImageFile() override;

    /// Whether the file's extension (case-insensitive) names an image format that this Qt
    /// installation can read. Decided from the name alone; the file is not opened.
    static bool supportsFile(const QString& fileName);

    /// Loads the picture at once; an unreadable file leaves a null picture, invalid-media status and
    /// error(ResourceError). Emits loadingComplete() in either case.
    void setMedia(const QUrl& url) override;
    QMediaPlayer::MediaStatus mediaStatus() const override;
    double duration() const override;
    bool hasDuration() const override;
    bool isLoadingComplete() const override;
    /// Invalid before the first setMedia; 0 x 0 after a failed load.
    QSize nativeSize() const override;

public slots:
    int seekTo(double position, double allowedDelta) override;
    void setPlaybackRate(double multipleOfRealtime) override;
    void setMuted(bool muted) override;
    void setVolume(int volume) override;
    /// A picture has no time, so playing it is showing it.
    void play() override;
    void pause() override;

protected:
    /// Null before the first setMedia; a null pixmap after a failed load.
    const QPixmap* getPixmap_() const;
    /// The loaded file's name without directory; empty when loading failed.
    const QString& getTitle_() const;

private:
    QString title_;
    std::unique_ptr<QPixmap> pixmap_;
    QMediaPlayer::MediaStatus status_ = QMediaPlayer::NoMedia;
};

}  // namespace MediaPlayer2
