#include "ScenePictures.h"

#include "media/VideoQuad.h"

#include <osg/Group>

ScenePictures::ScenePictures(osg::Switch* node)
    : node_(node)
{
}

int ScenePictures::shownChild() const
{
    if (!node_.valid())
        return -1;
    for (int index = static_cast<int>(node_->getNumChildren()) - 1; index >= 0; --index)
        if (node_->getValue(index))
            return index;
    return -1;
}

const MediaPlayer2::VideoQuad* ScenePictures::shownQuad() const
{
    const int index = shownChild();
    return index < 0 ? nullptr : quadOf_(node_->getChild(index));
}

const osg::Image* ScenePictures::shownPicture() const
{
    const MediaPlayer2::VideoQuad* quad = shownQuad();
    return quad ? quad->image() : nullptr;
}

unsigned ScenePictures::version() const
{
    unsigned version = 0;
    if (!node_.valid())
        return version;
    for (unsigned index = 0; index < node_->getNumChildren(); ++index)
        if (const MediaPlayer2::VideoQuad* quad = quadOf_(node_->getChild(index)))
            version += quad->image()->getModifiedCount();
    return version;
}

MediaPlayer2::VideoQuad* ScenePictures::quadOf_(osg::Node* child)
{
    // A video's child is its quad; an image's is a transform that carries one.
    if (auto* quad = dynamic_cast<MediaPlayer2::VideoQuad*>(child))
        return quad;
    osg::Group* group = child ? child->asGroup() : nullptr;
    return group && group->getNumChildren() > 0 ? dynamic_cast<MediaPlayer2::VideoQuad*>(group->getChild(0)) : nullptr;
}
