#pragma once

#include "ffmpeg/PlaybackPipeline.h"
#include "media/MediaFile.h"

#include <QString>

#include <memory>

namespace MediaPlayer2 {

/// A media file for everything FFmpeg decodes: video with or without sound, and sound alone. It
/// drives one playback pipeline, reports how loading went, and leaves the presentation of the
/// pictures to a subclass, which attaches its output to each freshly loaded pipeline.
///
/// Lives on the thread that owns the playlist, like its pipeline; the pipeline hands its frames
/// over in that thread too.
class FFmpegMediaFile : public MediaFile {
    Q_OBJECT

public:
    explicit FFmpegMediaFile(QObject* parent = nullptr);
    ~FFmpegMediaFile() override;

    /// Replaces any earlier pipeline and loads the file synchronously. Whatever the outcome, the
    /// subclass's output is attached and loadingComplete() is emitted once before returning.
    void setMedia(const QUrl& url) override;
    QMediaPlayer::MediaStatus mediaStatus() const override;
    double duration() const override;
    bool hasDuration() const override;
    /// True from the first setMedia on, whatever its outcome.
    bool isLoadingComplete() const override;
    /// -1 x -1 when the loaded file has no usable video; 320 x 240 before loading.
    QSize nativeSize() const override;

    /// These take effect at the next setMedia.
    void setThreadingEnabled(bool enableIt);
    void setProcessAudio(bool processAudio);
    /// Also passed to the present pipeline, if any.
    void setAudioOnlyInRealTime(bool audioOnlyInRealTime);

public slots:
    /// Leaves the media alone while it is within allowedDelta seconds (inclusive) of position.
    int seekTo(double position, double allowedDelta) override;
    void setPlaybackRate(double multipleOfRealtime) override;
    void setMuted(bool muted) override;
    void setVolume(int volume) override;
    void play() override;
    /// Keeps the position.
    void pause() override;
    /// Announces the output window; making it visible is up to the receiver.
    void show() override;

protected:
    /// The file's name without directory after a load that left something to play, else empty.
    const QString& getTitle_() const;
    /// For subclass destructors: stops and deletes the pipeline while the outputs it feeds still
    /// exist. Harmless when there is none.
    void releasePipeline_();

private slots:
    void processMediaStatusChange_(FFmpeg::PlaybackPipeline::MediaStatus mediaStatus);

private:
    /// Connects the subclass's picture output to a freshly loaded pipeline.
    virtual void attachOutput_(FFmpeg::PlaybackPipeline& pipeline) = 0;

    /// The load's message on the notification stream and its error signal, if any.
    void reportLoadResult_(FFmpeg::PlaybackPipeline::LoadError result, const QUrl& url);
    double effectiveMediaVolume_() const;

    // All on the owning thread.
    QString title_;
    std::unique_ptr<FFmpeg::PlaybackPipeline> pipeline_;  // also a Qt child of this file
    int volume_ = 100;  // percent
    bool muted_ = false;
    bool threadingEnabled_ = true;
    bool processAudio_ = true;
    bool audioOnlyInRealTime_ = true;
};

}  // namespace MediaPlayer2
