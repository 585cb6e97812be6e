#include "support/OffscreenView.h"

#include "common/GlDriverPin.h"

namespace testsupport {

OffscreenView::OffscreenView(int width, int height, osg::Node* scene)
{
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->readDISPLAY();
    traits->setUndefinedScreenDetailsToDefaultScreen();
    traits->width = width;
    traits->height = height;
    traits->alpha = 8;
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
    camera->setClearColor(osg::Vec4(0, 0, 0, 1));
    camera->setComputeNearFarMode(osg::CullSettings::DO_NOT_COMPUTE_NEAR_FAR);
    // Deep enough that quads turned slightly out of the view plane are not clipped.
    camera->setProjectionMatrixAsOrtho(-width / 2.0, width / 2.0, -height / 2.0, height / 2.0, -1000, 1000);
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

QImage OffscreenView::frame()
{
    viewer_->frame();
    return QImage(readBack_->data(), readBack_->s(), readBack_->t(), QImage::Format_RGBA8888).mirrored();
}

}  // namespace testsupport
