#pragma once

#include <osg/Camera>
#include <osg/ref_ptr>
#include <osgText/Text>

#include "Timeline.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvCore {
class SimulationClock;
}

/// One line of text over the scene: clock time, state and scale; in the 3-D scene also a time line.
class Hud {
public:
    explicit Hud(int width, int height);

    /// The camera to add to the scene root.
    osg::Camera* camera() const { return camera_.get(); }
    /// Adds a time line of the windows along the bottom.
    void addTimeline(std::function<Timeline::Windows()> windows);
    /// Updates the line (and the time line's marker) from the clock; call once per frame before drawing.
    void show(const orvCore::SimulationClock& clock, const std::string& extra);

    static std::string describe(const orvCore::SimulationClock& clock);

private:
    osg::ref_ptr<osg::Camera> camera_;
    osg::ref_ptr<osgText::Text> text_;
    int width_;
    std::unique_ptr<Timeline> timeline_;
    std::string shown_;  ///< the text on screen, so an unchanged line is not laid out again
};
