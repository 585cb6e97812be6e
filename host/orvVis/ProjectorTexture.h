#pragma once

#include <osg/Image>
#include <osg/Referenced>
#include <osg/Texture2D>
#include <osg/ref_ptr>

namespace orvVis {

/// A texture the host projects into its scene. Whoever has a picture for it calls setImage.
class ProjectorTexture : public osg::Referenced {
public:
    ProjectorTexture();

    osg::Texture2D* texture() const { return texture_.get(); }
    /// Makes the texture project image (null clears it); the image is shared, not copied.
    virtual void setImage(osg::Image* image);
    osg::Image* image() const;

protected:
    ~ProjectorTexture() override;

private:
    osg::ref_ptr<osg::Texture2D> texture_;
};

}  // namespace orvVis
