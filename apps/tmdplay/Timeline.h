#pragma once

#include "playlist/TimeRange.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/ref_ptr>

#include <functional>
#include <vector>

/// A strip along the bottom of the HUD: every item's window on a row of its own, over the span of
/// them all, and a marker at the clock's time, so that jumps and backward play can be seen.
class Timeline {
public:
    using Windows = std::vector<MediaPlayer2::TimeRange>;

    /// windows tells the items' windows as they stand: a video's end is known once it has loaded.
    /// An end not known is drawn to the end of the span.
    Timeline(std::function<Windows()> windows, int width);

    osg::Node* node() const { return geode_.get(); }
    /// Lays the windows out again when they changed and moves the marker; call once per frame
    /// before drawing.
    void show(const orvCore::TimeStamp& time);

private:
    void layOut_(const Windows& windows);
    float xOf_(const orvCore::TimeStamp& time) const;

    std::function<Windows()> windows_;
    Windows laidOut_;
    float width_;
    orvCore::TimeStamp begin_;
    double seconds_ = 0.0;  // the span's length
    osg::ref_ptr<osg::Geode> geode_;
    osg::ref_ptr<osg::Vec3Array> marker_;
};
