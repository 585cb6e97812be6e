#pragma once

#include "orvVis/ProjectorTexture.h"

#include <osg/Node>
#include <osg/Switch>
#include <osg/observer_ptr>

#include <QObject>

#include <map>

namespace MediaPlayer2 {

class PlaylistEntry;

/// Switches on the scene child of the playlist entry announced active, and gives the host's
/// projector texture the active video's picture.
///
/// With overlapping windows every active entry is announced in ascending start time, so the child
/// of the latest-starting one is left on. While no entry is active the last child stays on and the
/// texture is blank. Lives on the thread that owns the playlist and traverses the switch.
class ActivateChild : public QObject {
    Q_OBJECT

public:
    /// node is observed, not held: it owns this object.
    explicit ActivateChild(osg::Switch* node);

    /// The entry's child is at index of the switch; replaces an earlier index.
    void map(const PlaylistEntry* entry, int index);
    /// Whether an active entry without a child switches every child off.
    void setHideWhenNotPlaying(bool hide);
    bool hideWhenNotPlaying() const { return hideWhenNotPlaying_; }
    /// Holds the texture as an observer; a different one than before starts blank.
    void setProjectorTexture(orvVis::ProjectorTexture* texture);

public slots:
    /// entry null: no entry is active.
    void activate(const PlaylistEntry* entry);

private:
    void setVideoImageToTexture_(osg::Node* node);
    void setEmptyImageToTexture_();

    // All on the thread that owns the playlist and traverses the switch.
    osg::observer_ptr<osg::Switch> switch_;
    std::map<const PlaylistEntry*, int> childIndex_;
    bool hideWhenNotPlaying_ = true;
    osg::observer_ptr<orvVis::ProjectorTexture> projectorTexture_;  ///< the host's, never owned
};

}  // namespace MediaPlayer2
