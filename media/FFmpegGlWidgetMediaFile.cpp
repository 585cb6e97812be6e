#include "media/FFmpegGlWidgetMediaFile.h"

namespace MediaPlayer2 {

FFmpegGlWidgetMediaFile::FFmpegGlWidgetMediaFile(QObject* parent)
    : FFmpegMediaFile(parent)
{
}

FFmpegGlWidgetMediaFile::~FFmpegGlWidgetMediaFile()
{
    releasePipeline_();
}

QWidget* FFmpegGlWidgetMediaFile::outputWidget() const
{
    if (!widget_)
        return nullptr;
    widget_->setWindowTitle(getTitle_());
    return widget_.get();
}

osg::Node* FFmpegGlWidgetMediaFile::outputNode() const
{
    return nullptr;
}

void FFmpegGlWidgetMediaFile::attachOutput_(FFmpeg::PlaybackPipeline& pipeline)
{
    // Only the latest load's window is kept: an earlier one would show a file no longer played.
    widget_.reset();
    if (!pipeline.hasValidVideo())
        return;
    widget_ = std::make_unique<FFmpeg::GlVideoWidgetSink>();
    connect(&pipeline, &FFmpeg::PlaybackPipeline::videoFrameReady, widget_.get(),
            &FFmpeg::GlVideoWidgetSink::setFrame);
}

}  // namespace MediaPlayer2
