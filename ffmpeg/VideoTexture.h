#pragma once

#include "ffmpeg/Frame.h"

#include <QImage>
#include <QSharedPointer>
#include <qopengl.h>

#include <memory>

namespace FFmpeg {

class GlFunctions;

// The latest picture a video widget received and the one texture it is shown with. A picture
// waits here until the next repaint uploads it, and is uploaded at most once; a newer picture
// replaces one that was not uploaded yet. Lives in the GUI thread; the GL calls need the owning
// widget's context to be current.
class VideoTexture
{
public:
    VideoTexture() = default;
    VideoTexture(const VideoTexture&) = delete;
    VideoTexture& operator=(const VideoTexture&) = delete;
    virtual ~VideoTexture();

    void setGlFunctions(GlFunctions* glFunctions);

    // Either kind of picture replaces any picture still waiting.
    void setFrame(std::shared_ptr<FFmpeg::Frame> frame);
    void setImage(QSharedPointer<QImage> image);

    // Moves the waiting picture, if any, into the texture and drops it.
    void uploadPending();
    // Whether the texture holds a picture that can be drawn.
    bool isValid() const;
    void bind();

private:
    void uploadFrame_();
    void uploadImage_();
    void upload_(int width, int height, int bytesPerLine, const void* pixels);
    void createTexture_();

    // All owned by the GUI thread.
    GLuint textureId_ = 0;
    QSharedPointer<QImage> image_;
    std::shared_ptr<FFmpeg::Frame> frame_;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    bool textureValid_ = false;
    GlFunctions* glFunctions_ = nullptr; // the widget's, not owned
};

} // namespace FFmpeg
