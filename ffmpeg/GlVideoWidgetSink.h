#pragma once

#include "ffmpeg/Frame.h"

#include <QGLFormat>
#include <QGLWidget>
#include <QImage>
#include <QSharedPointer>

#include <memory>

namespace FFmpeg {

class GlFunctions;
class VideoTexture;

// The default format asking for an OpenGL 3.3 core-profile context.
QGLFormat getCoreProfileFormat();

// A window that shows the pictures of a playback pipeline: each picture it receives waits for the
// next repaint, is uploaded into one texture and drawn on a quad that fills the widget. Before the
// first picture it shows dark blue. Lives in the GUI thread; its slots must be called there.
class GlVideoWidgetSink : public QGLWidget
{
    Q_OBJECT
public:
    explicit GlVideoWidgetSink(QWidget* parent = nullptr);
    ~GlVideoWidgetSink() override;

public slots:
    // Either kind of picture replaces one that was not painted yet. A frame must be BGRA; an
    // image in a layout other than Qt's 32-bit ones is converted when it is uploaded.
    void setFrame(std::shared_ptr<FFmpeg::Frame> frame);
    void setImage(QSharedPointer<QImage> image);

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    void createGlStructures_();
    void destoryGlStructures_();
    void bindAttribute_(const char* name, int components, int byteOffset);

    // All owned by the GUI thread. The GL names belong to the widget's context and exist from the
    // first repaint on.
    std::unique_ptr<GlFunctions> glFunctions_;
    std::unique_ptr<VideoTexture> texture_;
    GLuint vertexShader_ = 0;
    GLuint fragmentShader_ = 0;
    GLuint program_ = 0;
    GLuint vertexArray_ = 0;
    GLuint vertexBuffer_ = 0;
};

} // namespace FFmpeg
