#include "media/FFmpegOsgMultimediaFile.h"

#include <osg/GL>
#include <osg/Image>

#include <algorithm>

namespace MediaPlayer2 {

namespace {

constexpr int kBgraBytesPerPixel = 4;

}  // namespace

FFmpegOsgMultimediaFile::FFmpegOsgMultimediaFile(QObject* parent)
    : FFmpegMediaFile(parent)
{
    // The scene graph shows pictures only; sound would have nowhere to go.
    setProcessAudio(false);
}

FFmpegOsgMultimediaFile::~FFmpegOsgMultimediaFile()
{
    releasePipeline_();
}

QWidget* FFmpegOsgMultimediaFile::outputWidget() const
{
    return nullptr;
}

osg::Node* FFmpegOsgMultimediaFile::outputNode() const
{
    return videoQuad_.get();
}

void FFmpegOsgMultimediaFile::attachOutput_(FFmpeg::PlaybackPipeline& pipeline)
{
    const QSize size = pipeline.size();
    videoQuad_ = new VideoQuad(size.width(), size.height());
    // Decoded rows run top to bottom, the texture's bottom to top.
    videoQuad_->setFlipVertical(true);
    connect(&pipeline, &FFmpeg::PlaybackPipeline::videoFrameReady, this, &FFmpegOsgMultimediaFile::setFrame_);
}

void FFmpegOsgMultimediaFile::setFrame_(std::shared_ptr<FFmpeg::Frame> frame)
{
    if (!videoQuad_ || !frame)
        return;
    // The image reads width times four bytes per row; anything else would be read past its end.
    const AVFrame* picture = frame->avFrame();
    if (frame->pixelFormat() != AV_PIX_FMT_BGRA || !picture->data[0] || picture->width <= 0
        || picture->height <= 0 || picture->linesize[0] < picture->width * kBgraBytesPerPixel)
        return;

    const std::size_t byteCount = static_cast<std::size_t>(picture->linesize[0]) * picture->height;
    auto* pixels = new unsigned char[byteCount];
    std::copy_n(picture->data[0], byteCount, pixels);

    osg::ref_ptr<osg::Image> next = new osg::Image;
    next->setOrigin(osg::Image::TOP_LEFT);
    next->setImage(picture->width, picture->height, 1, GL_RGB, GL_BGRA, GL_UNSIGNED_BYTE, pixels,
                   osg::Image::USE_NEW_DELETE, 1, 0);
    // The quad's texture refers to its image object, so that object keeps its identity and takes
    // the new pixels; the temporary leaves with the previous ones.
    osg::Image* shown = videoQuad_->image();
    shown->swap(*next);
    shown->dirty();
}

}  // namespace MediaPlayer2
