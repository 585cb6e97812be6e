#pragma once

#include <osg/Image>
#include <osg/Switch>
#include <osg/observer_ptr>

namespace MediaPlayer2 {
class VideoQuad;
}

/// The pictures of a playlist node as the viewer shows them: which child is on, its image, and a
/// version number that changes whenever any picture is written.
class ScenePictures {
public:
    /// node may be null (a windowed playlist has no scene node): then nothing is shown.
    explicit ScenePictures(osg::Switch* node);

    /// The index of the child on screen, -1 when none: the last child that is on, as the node
    /// switches on the latest-starting active item.
    int shownChild() const;
    /// The quad of that child; null for none.
    const MediaPlayer2::VideoQuad* shownQuad() const;
    /// The picture of that child; null for none.
    const osg::Image* shownPicture() const;
    /// Changes whenever a media file writes a new picture into any quad of the node.
    unsigned version() const;

private:
    static MediaPlayer2::VideoQuad* quadOf_(osg::Node* child);

    osg::observer_ptr<osg::Switch> node_;  // owned by the scene
};
