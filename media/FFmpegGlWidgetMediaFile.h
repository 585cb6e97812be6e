#pragma once

#include "ffmpeg/GlVideoWidgetSink.h"
#include "media/FFmpegMediaFile.h"

#include <memory>

namespace MediaPlayer2 {

/// A video with its sound, shown in an OpenGL window of its own. The window is made for each load
/// of a file with usable video and replaces the window of any earlier load.
class FFmpegGlWidgetMediaFile : public FFmpegMediaFile {
    Q_OBJECT

public:
    explicit FFmpegGlWidgetMediaFile(QObject* parent = nullptr);
    ~FFmpegGlWidgetMediaFile() override;

    /// The window, titled with the file's name; null when the file has no usable video.
    QWidget* outputWidget() const override;
    osg::Node* outputNode() const override;

private:
    void attachOutput_(FFmpeg::PlaybackPipeline& pipeline) override;

    // On the owning (GUI) thread. A top-level window without Qt parent, owned here.
    std::unique_ptr<FFmpeg::GlVideoWidgetSink> widget_;
};

}  // namespace MediaPlayer2
