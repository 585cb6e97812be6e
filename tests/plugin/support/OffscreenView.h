#pragma once

#include <osg/Image>
#include <osg/Node>
#include <osg/Vec4ub>
#include <osg/ref_ptr>
#include <osgViewer/Viewer>

namespace testsupport {

/// Draws a scene into an off-screen pbuffer of width x height pixels through a real osgViewer
/// frame (update, cull and draw traversals), with an orthographic camera that maps one scene unit
/// to one pixel and centres the origin, looking down the -Z axis. Needs a display (Xvfb in the
/// test runs); without one valid() is false.
class OffscreenView {
public:
    OffscreenView(int width, int height, osg::Node* scene);
    ~OffscreenView();
    OffscreenView(const OffscreenView&) = delete;
    OffscreenView& operator=(const OffscreenView&) = delete;

    bool valid() const { return viewer_.valid(); }
    /// Runs one whole frame and reads the colour buffer back.
    void frame();
    /// The pixel read back by the last frame, counted from the top-left corner of the view.
    osg::Vec4ub pixelFromTop(int x, int y) const;

private:
    int height_;
    osg::ref_ptr<osgViewer::Viewer> viewer_;
    osg::ref_ptr<osg::Image> readBack_;
};

}  // namespace testsupport
