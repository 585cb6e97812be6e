#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

namespace MediaPlayer2 {

class MediaFile;

/// Counts media files while they load and reports a whole-number percentage, then completion once
/// its owner has declared that no more files will come. Lives on the thread that loads the media
/// and runs the Qt event loop; its connections to the files are made there.
class LoadProgressObserver : public QObject {
    Q_OBJECT

public:
    explicit LoadProgressObserver(QObject* parent = nullptr);

    /// Counts one more file; a null file is ignored. A file that is still loading lowers the
    /// percentage, since the total grows first.
    void watchFile(MediaFile* file);
    int numFilesLoaded() const { return completed_; }

signals:
    void progressChanged(int percent);
    void completed();

public slots:
    /// Forgets every file and starts counting afresh, without a signal.
    void reset();
    void setInitializationFinished();

private slots:
    void incrementCompleted_();

private:
    int calculateProgress_() const;
    void emitProgress_();

    // All on the owning thread. A file that was destroyed still counts towards the total, hence
    // guarded pointers kept in the list rather than removed.
    QList<QPointer<MediaFile>> watchedFiles_;
    bool initializationFinished_ = false;
    int completed_ = 0;
    int lastProgress_ = -1;
};

}  // namespace MediaPlayer2
