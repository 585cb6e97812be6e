#pragma once

#include "orvCore/SimulationClock.h"

#include <osg/MatrixTransform>
#include <osg/ref_ptr>

namespace MediaPlayer2 {

class PlaylistNode;

/// What the reader returns to a host without a simulation clock (a stock OpenSceneGraph viewer):
/// the playlist node under a real-time clock of its own, which starts at the first item's start,
/// loops over the items and advances at every update traversal. Such a host runs no Qt event loop
/// either, so the update traversal also delivers the Qt events of the thread it runs on (the
/// thread that read the file). The pictures stand upright (Z up) facing -Y, where such viewers
/// look from at first.
class OwnClockNode : public osg::MatrixTransform {
public:
    explicit OwnClockNode(PlaylistNode& playlist);

protected:
    /// Unbinds the playlist node, which may outlive this one, from the clock that goes with it.
    ~OwnClockNode() override;

private:
    orvCore::SimulationClock clock_;
    osg::ref_ptr<PlaylistNode> playlist_;
};

}  // namespace MediaPlayer2
