#pragma once

#include "ffmpeg/Frame.h"
#include "media/FFmpegMediaFile.h"
#include "media/VideoQuad.h"

#include <osg/ref_ptr>

#include <memory>

namespace MediaPlayer2 {

/// A video shown in the scene graph: the image of a VideoQuad shows each BGRA frame of the pipeline,
/// and the quad turns the top-down rows right side up. Sound is never decoded.
class FFmpegOsgMultimediaFile : public FFmpegMediaFile {
    Q_OBJECT

public:
    explicit FFmpegOsgMultimediaFile(QObject* parent = nullptr);
    ~FFmpegOsgMultimediaFile() override;

    QWidget* outputWidget() const override;
    /// The quad of the latest load, null before loading; the scene graph may keep it alive after
    /// this file is gone.
    osg::Node* outputNode() const override;

private slots:
    void setFrame_(std::shared_ptr<FFmpeg::Frame> frame);

private:
    void attachOutput_(FFmpeg::PlaybackPipeline& pipeline) override;

    // Written on the owning thread; the scene traversals read the quad's image, which the host
    // keeps apart from it.
    osg::ref_ptr<VideoQuad> videoQuad_;
};

}  // namespace MediaPlayer2
