#include "StagePictures.h"

#include "common/FrameStamp.h"
#include "media/VideoQuad.h"

#include <osg/ComputeBoundsVisitor>
#include <osg/Viewport>

StagePictures::StagePictures(osg::Camera* camera)
    : camera_(camera)
{
}

std::vector<int> StagePictures::framesIn(const QImage& screenshot) const
{
    std::vector<int> frames;
    for (const ScenePictures& item : items_)
        frames.push_back(frameOf_(item, screenshot));
    return frames;
}

int StagePictures::frameOf_(const ScenePictures& item, const QImage& screenshot) const
{
    const MediaPlayer2::VideoQuad* quad = item.shownQuad();
    if (!quad || !camera_.valid() || !camera_->getViewport() || quad->getParentalNodePaths().empty())
        return -1;
    // The quad's picture spans its bounds in its own XY plane, bottom row at the least y.
    const osg::BoundingBox& box = quad->getBoundingBox();
    const osg::Matrixd toWindow = osg::computeLocalToWorld(quad->getParentalNodePaths().front())
        * camera_->getViewMatrix() * camera_->getProjectionMatrix() * camera_->getViewport()->computeWindowMatrix();
    return FrameStamp::read(screenshot, [&](double across, double up) {
        const osg::Vec3d local(box.xMin() + across * (box.xMax() - box.xMin()),
                               box.yMin() + up * (box.yMax() - box.yMin()), 0.0);
        const osg::Vec3d window = local * toWindow;
        // Window rows count from the bottom, the screenshot's from the top.
        return QPointF(window.x(), screenshot.height() - 1 - window.y());
    });
}
