#include "media/VideoQuad.h"

#include <osg/Array>
#include <osg/PrimitiveSet>
#include <osg/StateSet>
#include <osg/TextureRectangle>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <cstring>

namespace MediaPlayer2 {

namespace {

// The picture shown for an unreadable image file: a red cross on translucent white, small enough to
// stand out as a stand-in rather than content.
constexpr int kPlaceholderSize = 32;
// The cross's second diagonal runs from this column down to column 0, whatever the image size.
constexpr int kPlaceholderLastIndex = 31;
constexpr unsigned char kPlaceholderBackgroundAlpha = 79;
constexpr int kRgbaBytesPerPixel = 4;

bool isUsable(const osg::Image* image)
{
    return image && image->s() > 0 && image->t() > 0 && image->r() > 0 && image->data()
           && image->getPixelFormat() != 0;
}

osg::ref_ptr<osg::Image> makePlaceholderImage()
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(kPlaceholderSize, kPlaceholderSize, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    for (int y = 0; y < kPlaceholderSize; ++y) {
        for (int x = 0; x < kPlaceholderSize; ++x) {
            const bool onCross = x == y || x == kPlaceholderLastIndex - y;
            unsigned char* pixel = image->data(x, y);
            pixel[0] = 255;
            pixel[1] = onCross ? 0 : 255;
            pixel[2] = onCross ? 0 : 255;
            pixel[3] = onCross ? 255 : kPlaceholderBackgroundAlpha;
        }
    }
    return image;
}

// One scene unit per pixel, centred; odd sizes lose half a unit on each side.
osg::ref_ptr<osg::Vec3Array> makeVertices(int width, int height)
{
    const float h = static_cast<float>(width / 2);
    const float k = static_cast<float>(height / 2);
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array(osg::Array::BIND_PER_VERTEX);
    vertices->push_back(osg::Vec3(-h, -k, 0.0f));
    vertices->push_back(osg::Vec3(h, -k, 0.0f));
    vertices->push_back(osg::Vec3(h, k, 0.0f));
    vertices->push_back(osg::Vec3(-h, k, 0.0f));
    return vertices;
}

// A rectangle texture is addressed in pixels, so the coordinates span the whole image in pixels.
osg::ref_ptr<osg::Vec2Array> makeTexCoords(int width, int height, bool flipVertical)
{
    const float s = static_cast<float>(width);
    const float t = static_cast<float>(height);
    const float bottom = flipVertical ? t : 0.0f;
    const float top = flipVertical ? 0.0f : t;
    osg::ref_ptr<osg::Vec2Array> texCoords = new osg::Vec2Array(osg::Array::BIND_PER_VERTEX);
    texCoords->push_back(osg::Vec2(0.0f, bottom));
    texCoords->push_back(osg::Vec2(s, bottom));
    texCoords->push_back(osg::Vec2(s, top));
    texCoords->push_back(osg::Vec2(0.0f, top));
    return texCoords;
}

}  // namespace

VideoQuad::TextureSizeCallback::TextureSizeCallback(VideoQuad* quad, int width, int height)
    : videoQuad_(quad)
    , width_(width)
    , height_(height)
{
}

VideoQuad::TextureSizeCallback::~TextureSizeCallback() = default;

void VideoQuad::TextureSizeCallback::operator()(osg::Node* node, osg::NodeVisitor* visitor)
{
    const int width = videoQuad_->image()->s();
    const int height = videoQuad_->image()->t();
    if (width != width_ || height != height_) {
        width_ = width;
        height_ = height;
        videoQuad_->recalcSize_();
    }
    traverse(node, visitor);
}

VideoQuad::VideoQuad(int width, int height)
    : image_(new osg::Image)
{
    if (width > 0 && height > 0) {
        image_->allocateImage(width, height, 1, GL_RGBA, GL_UNSIGNED_BYTE, 1);
        std::memset(image_->data(), 0, static_cast<size_t>(width) * height * kRgbaBytesPerPixel);
    }
    init_();
}

VideoQuad::VideoQuad(const std::string& fileName)
    : image_(osgDB::readRefImageFile(fileName, osgDB::Registry::instance()->getOptions()))
{
    if (!isUsable(image_.get()))
        image_ = makePlaceholderImage();
    init_();
}

VideoQuad::~VideoQuad()
{
    geometry_ = nullptr;
    image_ = nullptr;
}

osg::Image* VideoQuad::image() const
{
    return image_.get();
}

void VideoQuad::setFlipVertical(bool flip)
{
    if (flip == flipVertical_)
        return;
    flipVertical_ = flip;
    recalcSize_();
}

osg::Geometry* VideoQuad::makeGeometryForImage(osg::Image* image)
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(makeVertices(image->s(), image->t()));
    geometry->setTexCoordArray(0, makeTexCoords(image->s(), image->t(), false));

    osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array;
    colors->push_back(osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));
    geometry->setColorArray(colors, osg::Array::BIND_OVERALL);

    geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_FAN, 0, 4));

    osg::ref_ptr<osg::TextureRectangle> texture = new osg::TextureRectangle(image);
    // The picture changes every frame: a viewer that optimises what it loads (osgviewer) must not
    // let go of the image after the first upload, nor merge the quad with other geometry.
    image->setDataVariance(osg::Object::DYNAMIC);
    texture->setDataVariance(osg::Object::DYNAMIC);
    geometry->setDataVariance(osg::Object::DYNAMIC);
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR);
    texture->setFilter(osg::Texture::MAG_FILTER, osg::Texture::LINEAR);
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);

    osg::StateSet* stateSet = geometry->getOrCreateStateSet();
    stateSet->setTextureAttributeAndModes(0, texture, osg::StateAttribute::ON);
    stateSet->setMode(GL_BLEND, osg::StateAttribute::ON);
    stateSet->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    return geometry.release();
}

void VideoQuad::init_()
{
    geometry_ = makeGeometryForImage(image_.get());
    addDrawable(geometry_);
    addUpdateCallback(new TextureSizeCallback(this, image_->s(), image_->t()));
}

void VideoQuad::recalcSize_()
{
    if (!image_ || !geometry_)
        return;
    geometry_->setVertexArray(makeVertices(image_->s(), image_->t()));
    geometry_->setTexCoordArray(0, makeTexCoords(image_->s(), image_->t(), flipVertical_));
}

}  // namespace MediaPlayer2
