#pragma once

#include "orvVis/ProjectorTexture.h"

#include <osg/Group>
#include <osg/ref_ptr>

namespace osgViewer {
class Viewer;
}

/// The 3-D scene tmdplay shows several items in: a ground grid, every node read standing upright on
/// it along an arc that faces the camera's home position, and the picture of one video cast onto
/// the ground in front of them by a projector that hangs above it.
class Stage {
public:
    Stage();

    osg::Group* root() const { return root_.get(); }
    /// The host's projector, for the reader of the one node whose video it casts.
    orvVis::ProjectorTexture* projector() const { return projector_.get(); }

    /// Stands node in the next place; its pictures lie in its XY plane facing +Z, in pixels.
    void place(osg::Node* node);
    /// Puts the viewer's camera at home: in front of the arc, above the ground, looking at its
    /// middle; the viewer's manipulator orbits from there.
    void frame(osgViewer::Viewer& viewer) const;

private:
    osg::Node* makeGround_() const;
    osg::Node* makeProjection_() const;

    osg::ref_ptr<osg::Group> root_;
    osg::ref_ptr<osg::Group> items_;
    osg::ref_ptr<orvVis::ProjectorTexture> projector_;
    int placed_ = 0;
};
