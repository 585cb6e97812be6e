#include "Stage.h"

#include <osg/ComputeBoundsVisitor>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/LineWidth>
#include <osg/MatrixTransform>
#include <osgGA/StandardManipulator>
#include <osgViewer/Viewer>

#include <algorithm>
#include <cmath>

namespace {

// Metres: every item is this wide and stands this far above the ground.
constexpr double kItemWidth = 4.0;
constexpr double kItemLift = 0.3;
// The items stand on an arc around a point in front of them, this far away, this far apart.
constexpr double kArcRadius = 20.0;
constexpr double kItemSpacing = kItemWidth + 0.6;
// The ground grid: its half size and the distance between its lines.
constexpr int kGridHalfSize = 20;
constexpr double kGridStep = 1.0;
// The projector hangs above the ground in front of the items and looks down at a point nearer them.
const osg::Vec3d kProjectorEye(0.0, -9.0, 6.0);
const osg::Vec3d kProjectorTarget(0.0, -4.0, 0.0);
constexpr double kProjectorFieldOfViewDegrees = 28.0;
constexpr double kProjectorAspect = 16.0 / 9.0;
// Where the camera starts, and the point it orbits.
const osg::Vec3d kHomeEye(0.0, -26.0, 9.0);
const osg::Vec3d kHomeCentre(0.0, -2.0, 1.5);
// The cast picture lies this little above the ground, so that the grid does not show through it.
constexpr double kProjectionLift = 0.05;
// What the projector's picture is multiplied with, and the patch's colour while it has none.
const osg::Vec4 kProjectionColour(0.9f, 0.9f, 0.9f, 1.0f);

osg::Geometry* lines(osg::Vec3Array* vertices, const osg::Vec4& colour)
{
    auto* geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    auto* colours = new osg::Vec4Array(1, &colour);
    geometry->setColorArray(colours, osg::Array::BIND_OVERALL);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, int(vertices->size())));
    return geometry;
}

/// Where the ray from the projector through a corner of its picture meets the ground.
osg::Vec3d groundPoint(const osg::Matrixd& inverseViewProjection, double x, double y)
{
    const osg::Vec3d near = osg::Vec3d(x, y, -1.0) * inverseViewProjection;
    const osg::Vec3d far = osg::Vec3d(x, y, 1.0) * inverseViewProjection;
    const double along = near.z() / (near.z() - far.z());
    return near + (far - near) * along;
}

/// Keeps an item standing in its place at its width, however large its pictures are: an image's
/// quad takes the picture's size only once it has loaded.
class StandUpright : public osg::NodeCallback {
public:
    explicit StandUpright(double angle) : angle_(angle) {}

    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override
    {
        auto* stand = static_cast<osg::MatrixTransform*>(node);
        osg::ComputeBoundsVisitor bounds;
        for (unsigned int child = 0; child < stand->getNumChildren(); ++child)
            stand->getChild(child)->accept(bounds);
        const osg::BoundingBox& box = bounds.getBoundingBox();
        if (box.valid() && (box._min != fitted_._min || box._max != fitted_._max)) {
            fitted_ = box;
            stand->setMatrix(fit(box));
        }
        traverse(node, visitor);
    }

private:
    osg::Matrixd fit(const osg::BoundingBox& box) const
    {
        const double scale = kItemWidth / std::max(double(box.xMax() - box.xMin()), 1.0);
        const double halfHeight = (box.yMax() - box.yMin()) * scale / 2.0;
        const osg::Vec3d arcCentre(0.0, -kArcRadius, 0.0);
        // Pictures facing +Z in their own plane stand up facing -Y, then turn towards the arc's centre.
        return osg::Matrixd::translate(-osg::Vec3d(box.center())) * osg::Matrixd::scale(scale, scale, scale)
            * osg::Matrixd::rotate(osg::PI_2, osg::X_AXIS) * osg::Matrixd::translate(0.0, 0.0, halfHeight + kItemLift)
            * osg::Matrixd::rotate(-angle_, osg::Z_AXIS)
            * osg::Matrixd::translate(arcCentre + osg::Vec3d(std::sin(angle_), std::cos(angle_), 0.0) * kArcRadius);
    }

    double angle_;
    osg::BoundingBox fitted_;
};

}  // namespace

Stage::Stage()
    : root_(new osg::Group)
    , items_(new osg::Group)
    , projector_(new orvVis::ProjectorTexture)
{
    root_->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    root_->addChild(makeGround_());
    root_->addChild(makeProjection_());
    root_->addChild(items_.get());
}

void Stage::place(osg::Node* node)
{
    // Places from the middle outwards: 0, right, left, further right...
    const int side = (placed_ + 1) / 2 * (placed_ % 2 ? 1 : -1);
    ++placed_;
    osg::ref_ptr<osg::MatrixTransform> stand = new osg::MatrixTransform;
    stand->setUpdateCallback(new StandUpright(side * kItemSpacing / kArcRadius));
    stand->addChild(node);
    items_->addChild(stand.get());
}

void Stage::frame(osgViewer::Viewer& viewer) const
{
    auto* manipulator = dynamic_cast<osgGA::StandardManipulator*>(viewer.getCameraManipulator());
    if (!manipulator)
        return;
    manipulator->setAutoComputeHomePosition(false);
    manipulator->setHomePosition(kHomeEye, kHomeCentre, osg::Vec3d(osg::Z_AXIS));
    viewer.home();
}

osg::Node* Stage::makeGround_() const
{
    osg::ref_ptr<osg::Vec3Array> grid = new osg::Vec3Array;
    const double extent = kGridHalfSize * kGridStep;
    for (int line = -kGridHalfSize; line <= kGridHalfSize; ++line) {
        const double at = line * kGridStep;
        grid->push_back(osg::Vec3(at, -extent, 0.0));
        grid->push_back(osg::Vec3(at, extent, 0.0));
        grid->push_back(osg::Vec3(-extent, at, 0.0));
        grid->push_back(osg::Vec3(extent, at, 0.0));
    }
    auto* geode = new osg::Geode;
    geode->addDrawable(lines(grid.get(), osg::Vec4(0.45f, 0.5f, 0.55f, 1.0f)));
    geode->getOrCreateStateSet()->setAttribute(new osg::LineWidth(1.5f));
    return geode;
}

osg::Node* Stage::makeProjection_() const
{
    // The patch of ground the projector's picture covers, with the texture coordinates its
    // projection gives each corner: (s w, t w, 0, w), which OpenGL divides by w at every pixel.
    const osg::Matrixd view = osg::Matrixd::lookAt(kProjectorEye, kProjectorTarget, osg::Vec3d(osg::Y_AXIS));
    const osg::Matrixd projection =
        osg::Matrixd::perspective(kProjectorFieldOfViewDegrees, kProjectorAspect, 1.0, 100.0);
    const osg::Matrixd viewProjection = view * projection;
    const osg::Matrixd inverse = osg::Matrixd::inverse(viewProjection);
    osg::ref_ptr<osg::Vec3Array> corners = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec4Array> coordinates = new osg::Vec4Array;
    for (const auto& [x, y] : {std::pair{-1.0, -1.0}, {1.0, -1.0}, {1.0, 1.0}, {-1.0, 1.0}}) {
        const osg::Vec3d ground = groundPoint(inverse, x, y);
        const double w = (osg::Vec4d(ground, 1.0) * viewProjection).w();
        // The picture's rows run top to bottom: its top lies towards the items (up in the projector).
        coordinates->push_back(osg::Vec4((x + 1.0) / 2.0 * w, (1.0 - y) / 2.0 * w, 0.0, w));
        corners->push_back(ground + osg::Vec3d(0.0, 0.0, kProjectionLift));
    }
    auto* patch = new osg::Geometry;
    patch->setVertexArray(corners.get());
    patch->setTexCoordArray(0, coordinates.get(), osg::Array::BIND_PER_VERTEX);
    patch->setColorArray(new osg::Vec4Array(1, &kProjectionColour), osg::Array::BIND_OVERALL);
    patch->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
    osg::Texture2D* texture = projector_->texture();
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
    texture->setResizeNonPowerOfTwoHint(false);
    patch->getOrCreateStateSet()->setTextureAttributeAndModes(0, texture);
    auto* geode = new osg::Geode;
    geode->addDrawable(patch);
    return geode;
}
