#include "orvVis/ProjectorTexture.h"

namespace orvVis {

ProjectorTexture::ProjectorTexture()
    : texture_(new osg::Texture2D)
{
    // The image changes every video frame: keep it at its own size instead of rescaling each frame
    // to a power of two, and let the draw traversal see the change.
    texture_->setResizeNonPowerOfTwoHint(false);
    texture_->setDataVariance(osg::Object::DYNAMIC);
    texture_->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR);
    texture_->setFilter(osg::Texture::MAG_FILTER, osg::Texture::LINEAR);
    // A projection must not repeat the picture outside its frustum.
    texture_->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_BORDER);
    texture_->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_BORDER);
    texture_->setBorderColor(osg::Vec4(0.0f, 0.0f, 0.0f, 0.0f));
}

ProjectorTexture::~ProjectorTexture() = default;

void ProjectorTexture::setImage(osg::Image* image)
{
    texture_->setImage(image);
}

osg::Image* ProjectorTexture::image() const
{
    return texture_->getImage();
}

}  // namespace orvVis
