#include "ViewerFactory.h"

#include "common/GlDriverPin.h"

#include <osg/ComputeBoundsVisitor>
#include <osg/GraphicsContext>
#include <osgGA/TrackballManipulator>

#include <algorithm>
#include <cmath>

namespace {
// Vertical field of view, and the room left around the pictures when they are framed.
constexpr double kFieldOfViewDegrees = 30.0;
constexpr double kFramingMargin = 1.05;
// A window's place on the desktop at start.
constexpr int kWindowX = 40;
constexpr int kWindowY = 40;

}  // namespace

const osg::Vec4 ViewerFactory::kBackground(0.12f, 0.14f, 0.18f, 1.0f);

osg::ref_ptr<osgViewer::Viewer> ViewerFactory::create(bool offscreen, const QSize& size, osg::Node* scene,
                                                      osg::Node* pictureArea, QString& error)
{
    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    // Media files write the quads' images on this thread between frames, so drawing must not
    // overlap the loop.
    viewer->setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
    if (offscreen) {
        if (!attachPbuffer_(*viewer, size)) {
            error = QStringLiteral("no OpenGL pbuffer could be made; offscreen rendering still needs an X "
                                   "display (DISPLAY), e.g. Xvfb");
            return nullptr;
        }
    } else {
        viewer->setUpViewInWindow(kWindowX, kWindowY, size.width(), size.height());
    }
    viewer->getCamera()->setClearColor(kBackground);
    viewer->getCamera()->setProjectionMatrixAsPerspective(kFieldOfViewDegrees,
                                                          double(size.width()) / size.height(), 1.0, 1e6);
    viewer->setSceneData(scene);
    faceThePictures_(*viewer, size, pictureArea);
    viewer->realize();
    if (!viewer->isRealized()) {
        error = QStringLiteral("no OpenGL window could be opened");
        return nullptr;
    }
    glsupport::pinGlDrivers();
    return viewer;
}

bool ViewerFactory::attachPbuffer_(osgViewer::Viewer& viewer, const QSize& size)
{
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->readDISPLAY();
    traits->setUndefinedScreenDetailsToDefaultScreen();
    traits->width = size.width();
    traits->height = size.height();
    traits->pbuffer = true;
    traits->doubleBuffer = true;
    traits->alpha = 8;
    osg::ref_ptr<osg::GraphicsContext> context = osg::GraphicsContext::createGraphicsContext(traits.get());
    if (!context || !context->valid())
        return false;
    osg::Camera* camera = viewer.getCamera();
    camera->setGraphicsContext(context.get());
    camera->setViewport(new osg::Viewport(0, 0, size.width(), size.height()));
    camera->setDrawBuffer(GL_BACK);
    camera->setReadBuffer(GL_BACK);
    return true;
}

void ViewerFactory::faceThePictures_(osgViewer::Viewer& viewer, const QSize& size, osg::Node* pictureArea)
{
    osg::ref_ptr<osgGA::TrackballManipulator> manipulator = new osgGA::TrackballManipulator;
    viewer.setCameraManipulator(manipulator.get(), false);
    osg::ComputeBoundsVisitor bounds;
    if (pictureArea)
        pictureArea->accept(bounds);
    const osg::BoundingBox& box = bounds.getBoundingBox();
    if (!box.valid())
        return;
    // The quads lie in the XY plane facing +Z: look down -Z from far enough that the larger of
    // their width and height (against the window's shape) fits.
    const double tanHalfView = std::tan(osg::DegreesToRadians(kFieldOfViewDegrees / 2.0));
    const double aspect = double(size.width()) / size.height();
    const double halfHeight = std::max(double(box.yMax() - box.yMin()), double(box.xMax() - box.xMin()) / aspect) / 2.0;
    const double distance = kFramingMargin * halfHeight / tanHalfView + (box.zMax() - box.zMin()) / 2.0;
    const osg::Vec3d centre = box.center();
    manipulator->setAutoComputeHomePosition(false);
    manipulator->setHomePosition(centre + osg::Vec3d(0.0, 0.0, distance), centre, osg::Vec3d(0.0, 1.0, 0.0));
    viewer.home();
}
