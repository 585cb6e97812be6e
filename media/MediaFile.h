#pragma once

#include <QMediaPlayer>
#include <QObject>
#include <QSize>
#include <QUrl>
#include <QWidget>

namespace osg {
class Node;
}

namespace MediaPlayer2 {

/// The one abstraction through which the playlist drives a piece of media: it is loaded once, asked
/// for its length and picture size, then moved in time by seek, rate, play, pause and show.
///
/// Callers follow this order: setMedia (through a MediaFileFactory), then isLoadingComplete(),
/// hasDuration() and duration(); on every clock change nativeSize(), then seekTo, setPlaybackRate,
/// play or pause, and show. Every slot may arrive before loading has finished or after it failed,
/// and must then do nothing harmful.
///
/// A media file lives on the thread that owns the playlist; setMedia is synchronous and emits its
/// signals before it returns, so connections made before it see loadingComplete().
class MediaFile : public QObject {
    Q_OBJECT

public:
    enum Error { NoError = 0, ResourceError = 1, FormatError = 2 };
    Q_ENUM(Error)

    explicit MediaFile(QObject* parent = nullptr);
    ~MediaFile() override;

    /// Loads the media named by a local-file URL; emits loadingComplete() before returning,
    /// whether loading succeeded or not.
    virtual void setMedia(const QUrl& url) = 0;
    /// Uses the numbering of Qt Multimedia: no media, loading, loaded, end of media, invalid media.
    virtual QMediaPlayer::MediaStatus mediaStatus() const = 0;
    /// The window showing the media; null when it is shown in the scene graph or has no picture.
    virtual QWidget* outputWidget() const = 0;
    /// The scene-graph node showing the media; null when it is shown in a window.
    virtual osg::Node* outputNode() const = 0;
    /// Seconds; 0 when the length cannot be told or the media has none.
    virtual double duration() const = 0;
    virtual bool hasDuration() const = 0;
    /// True once setMedia has finished, successfully or not.
    virtual bool isLoadingComplete() const = 0;
    /// Size of the picture in pixels.
    virtual QSize nativeSize() const = 0;

public slots:
    /// Brings the media to position seconds from its start unless it is already within
    /// allowedDelta seconds of it. 0 when done or not needed, non-zero on failure.
    virtual int seekTo(double position, double allowedDelta) = 0;
    virtual void setPlaybackRate(double multipleOfRealtime) = 0;
    virtual void setMuted(bool muted) = 0;
    /// Percent, 0 to 100.
    virtual void setVolume(int volume) = 0;
    virtual void play() = 0;
    /// Stops advancing and keeps the position.
    virtual void pause() = 0;
    /// Makes the media visible and emits mediaPlaying(outputWidget()).
    virtual void show() = 0;

signals:
    void error(MediaFile::Error error);
    void loadingComplete();
    void endOfMedia();
    void mediaPlaying(QWidget* outputWidget);
};

}  // namespace MediaPlayer2
