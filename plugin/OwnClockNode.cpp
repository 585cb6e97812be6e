#include "plugin/OwnClockNode.h"

#include "playlist/TimeRange.h"
#include "plugin/PlaylistNode.h"

#include <QCoreApplication>

#include <osg/NodeVisitor>

namespace MediaPlayer2 {

namespace {

class AdvanceClock : public osg::NodeCallback {
public:
    explicit AdvanceClock(orvCore::SimulationClock& clock) : clock_(clock) {}

    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override
    {
        // Pictures decoded since the last frame, and the pipelines' timers.
        QCoreApplication::processEvents();
        clock_.update();
        traverse(node, visitor);
    }

private:
    orvCore::SimulationClock& clock_;
};

}  // namespace

OwnClockNode::OwnClockNode(PlaylistNode& playlist)
    : osg::MatrixTransform(osg::Matrix::rotate(osg::PI_2, osg::X_AXIS))
    , playlist_(&playlist)
{
    addChild(&playlist);
    playlist.bindToClock(clock_);
    const TimeRange items = playlist.timeRange();
    if (items.isValid()) {
        if (items.duration() > orvCore::Seconds()) {
            clock_.setBounds(items.begin(), items.end());
            clock_.setCanLoop(true);
        }
        clock_.setTime(items.begin());
    }
    clock_.playForward();
    setUpdateCallback(new AdvanceClock(clock_));
}

OwnClockNode::~OwnClockNode()
{
    playlist_->unbindFromClock();
}

}  // namespace MediaPlayer2
