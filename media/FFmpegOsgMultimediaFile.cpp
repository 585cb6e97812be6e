#include "media/FFmpegOsgMultimediaFile.h"

#include <osg/GL>
#include <osg/Image>

#include <memory>
#include <utility>

namespace MediaPlayer2 {

namespace {

constexpr int kBgraBytesPerPixel = 4;

// Keeps a frame's picture alive for as long as the image shows it. Emitted frames are never
// written again, so the image can show the frame's own pixels instead of a copy: 8 MB less to copy
// per full-HD picture. Held by the image itself, the pixels also outlive this media file when the
// scene graph keeps the quad.
class FramePixels : public osg::Referenced
{
public:
    explicit FramePixels(std::shared_ptr<FFmpeg::Frame> frame) : frame_(std::move(frame)) {}

private:
    std::shared_ptr<FFmpeg::Frame> frame_;
};

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
    // The image reads whole pixels from each row start; rows shorter than the picture would be
    // read past their end.
    const AVFrame* picture = frame->avFrame();
    if (frame->pixelFormat() != AV_PIX_FMT_BGRA || !picture->data[0] || picture->width <= 0
        || picture->height <= 0 || picture->linesize[0] < picture->width * kBgraBytesPerPixel
        || picture->linesize[0] % kBgraBytesPerPixel != 0)
        return;

    osg::ref_ptr<osg::Image> next = new osg::Image;
    next->setOrigin(osg::Image::TOP_LEFT);
    next->setImage(picture->width, picture->height, 1, GL_RGB, GL_BGRA, GL_UNSIGNED_BYTE, picture->data[0],
                   osg::Image::NO_DELETE, 1, picture->linesize[0] / kBgraBytesPerPixel);
    // The quad's texture refers to its image object, so that object keeps its identity and takes
    // the new pixels; the temporary leaves with the previous ones, whose frame is let go last.
    osg::Image* shown = videoQuad_->image();
    const osg::ref_ptr<osg::Referenced> previousPixels = shown->getUserData();
    shown->swap(*next);
    shown->setUserData(new FramePixels(std::move(frame)));
    shown->dirty();
}

}  // namespace MediaPlayer2
