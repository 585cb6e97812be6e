#pragma once

#include <QSize>
#include <QString>

#include <osg/ref_ptr>
#include <osgViewer/Viewer>

/// Makes the single-threaded viewer tmdplay draws with: in a window, or into a pbuffer of the given
/// size (which still needs an X display, such as Xvfb).
class ViewerFactory {
public:
    /// The colour around the pictures; tests find a picture as the area that differs from it.
    static const osg::Vec4 kBackground;

    /// A realized viewer showing scene, framed so that pictureArea (the media's node) fills the
    /// view facing it, with overlay drawn on top; null with a message in error when no OpenGL
    /// context can be made.
    static osg::ref_ptr<osgViewer::Viewer> create(bool offscreen, const QSize& size, osg::Node* scene,
                                                  osg::Node* pictureArea, QString& error);

private:
    static bool attachPbuffer_(osgViewer::Viewer& viewer, const QSize& size);
    static void faceThePictures_(osgViewer::Viewer& viewer, const QSize& size, osg::Node* pictureArea);
};
