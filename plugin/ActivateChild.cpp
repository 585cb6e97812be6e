#include "plugin/ActivateChild.h"

#include "media/MediaFile.h"
#include "media/VideoQuad.h"
#include "playlist/PlaylistEntry.h"

#include <osg/Image>
#include <osg/ref_ptr>

namespace MediaPlayer2 {

ActivateChild::ActivateChild(osg::Switch* node)
    : switch_(node)
{
}

void ActivateChild::map(const PlaylistEntry* entry, int index)
{
    childIndex_[entry] = index;
}

void ActivateChild::setHideWhenNotPlaying(bool hide)
{
    hideWhenNotPlaying_ = hide;
}

void ActivateChild::setProjectorTexture(orvVis::ProjectorTexture* texture)
{
    if (projectorTexture_ == texture)
        return;
    projectorTexture_ = texture;
    setEmptyImageToTexture_();
}

void ActivateChild::activate(const PlaylistEntry* entry)
{
    if (!entry) {
        // The last child stays on: its entry has parked its media at the edge of its window.
        setEmptyImageToTexture_();
        return;
    }
    osg::ref_ptr<osg::Switch> node;
    const auto child = childIndex_.find(entry);
    if (child != childIndex_.end()) {
        if (switch_.lock(node))
            node->setSingleChildOn(static_cast<unsigned int>(child->second));
        const std::shared_ptr<MediaFile> media = entry->mediaFile();
        setVideoImageToTexture_(media ? media->outputNode() : nullptr);
        return;
    }
    if (hideWhenNotPlaying_) {
        if (switch_.lock(node))
            node->setAllChildrenOff();
        setEmptyImageToTexture_();
    }
}

void ActivateChild::setVideoImageToTexture_(osg::Node* node)
{
    osg::ref_ptr<orvVis::ProjectorTexture> texture;
    const auto* quad = dynamic_cast<const VideoQuad*>(node);
    if (quad && projectorTexture_.lock(texture))
        texture->setImage(quad->image());
}

void ActivateChild::setEmptyImageToTexture_()
{
    osg::ref_ptr<orvVis::ProjectorTexture> texture;
    if (projectorTexture_.lock(texture))
        texture->setImage(new osg::Image);
}

}  // namespace MediaPlayer2
