#pragma once

#include <QImage>

#include <osg/Camera>

/// Reads back the picture of the frame being drawn when asked to; runs as the camera's final draw
/// callback, in the one thread that both draws and runs the loop (the viewer is single-threaded).
class ScreenCapture : public osg::Camera::DrawCallback {
public:
    /// The next frame drawn is read back.
    void request() { requested_ = true; }
    /// The picture read back since the last take, or a null image; clears it.
    QImage take();
    /// The picture read back last, left for take.
    const QImage& captured() const { return captured_; }

    void operator()(osg::RenderInfo& renderInfo) const override;

private:
    mutable bool requested_ = false;
    mutable QImage captured_;
};
