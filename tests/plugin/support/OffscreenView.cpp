#include "support/OffscreenView.h"

#include "common/GlDriverPin.h"

#include <osg/Camera>
#include <osg/GraphicsContext>

namespace testsupport {

namespace {

// Wide enough in depth that quads turned slightly out of the view plane are not clipped.
constexpr double kDepthRange = 1000.0;

}  // namespace

OffscreenView::OffscreenView(int width, int height, osg::Node* scene)
    : height_(height)
{
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->readDISPLAY();
    traits->setUndefinedScreenDetailsToDefaultScreen();
    traits->width = width;
    traits->height = height;
    traits->red = traits->green = traits->blue = traits->alpha = 8;
    traits->pbuffer = true;
    traits->doubleBuffer = false;
    osg::ref_ptr<osg::GraphicsContext> context = osg::GraphicsContext::createGraphicsContext(traits);
    if (!context)
        return;

    viewer_ = new osgViewer::Viewer;
    viewer_->setThreadingModel(osgViewer::Viewer::SingleThreaded);
    osg::Camera* camera = viewer_->getCamera();
    camera->setGraphicsContext(context);
    camera->setViewport(0, 0, width, height);
    camera->setClearColor(osg::Vec4(0.0f, 0.0f, 0.0f, 1.0f));
    camera->setComputeNearFarMode(osg::CullSettings::DO_NOT_COMPUTE_NEAR_FAR);
    camera->setProjectionMatrixAsOrtho(-width / 2.0, width / 2.0, -height / 2.0, height / 2.0, -kDepthRange,
                                       kDepthRange);
    camera->setViewMatrix(osg::Matrix::identity());
    camera->setDrawBuffer(GL_FRONT);
    camera->setReadBuffer(GL_FRONT);
    readBack_ = new osg::Image;
    readBack_->allocateImage(width, height, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    camera->attach(osg::Camera::COLOR_BUFFER, readBack_.get());
    viewer_->setSceneData(scene);
    viewer_->realize();
    // OSG closes its display when the view goes, long before the process ends.
    glsupport::pinGlDrivers();
}

OffscreenView::~OffscreenView() = default;

void OffscreenView::frame()
{
    viewer_->frame();
}

osg::Vec4ub OffscreenView::pixelFromTop(int x, int y) const
{
    const unsigned char* pixel = readBack_->data(x, height_ - 1 - y);
    return osg::Vec4ub(pixel[0], pixel[1], pixel[2], pixel[3]);
}

}  // namespace testsupport
