#pragma once

#include <QImage>
#include <osg/Image>
#include <osg/Node>
#include <osgViewer/Viewer>

namespace testsupport {

/// Draws a scene into an off-screen pbuffer through real osgViewer frames (update, cull and draw
/// traversals), with an orthographic camera that maps one scene unit to one pixel, the origin in
/// the middle. Needs a display (Xvfb in the test runs); without one valid() is false.
class OffscreenView {
public:
    OffscreenView(int width, int height, osg::Node* scene);
    bool valid() const { return viewer_.valid(); }
    /// Runs one whole frame and returns what it drew, top row first.
    QImage frame();

private:
    osg::ref_ptr<osgViewer::Viewer> viewer_;
    osg::ref_ptr<osg::Image> readBack_;
};

}  // namespace testsupport
