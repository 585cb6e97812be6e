#pragma once

#include "ffmpeg/Frame.h"

#include <QImage>
#include <QObject>
#include <QSharedPointer>

#include <memory>

namespace FFmpeg {

// Copies each BGRA frame into a QImage that owns its pixels, for users that want Qt images.
// Switched off, it costs nothing.
class ToQImageFilter : public QObject
{
    Q_OBJECT
public:
    explicit ToQImageFilter(QObject* parent = nullptr);

    bool isEnabled() const;

signals:
    void imageReady(QSharedPointer<QImage> image);

public slots:
    void createImage(std::shared_ptr<FFmpeg::Frame> frame);
    void setEnabled(bool isEnabled);

private:
    // Belongs to the thread the filter lives in (the pipeline's thread).
    bool enabled_ = true;
};

} // namespace FFmpeg

// Images cross threads in queued signals.
Q_DECLARE_METATYPE(QSharedPointer<QImage>)
