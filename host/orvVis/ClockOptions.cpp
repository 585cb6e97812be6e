#include "orvVis/ClockOptions.h"

namespace orvVis {

ClockOptions::ClockOptions() = default;

ClockOptions::ClockOptions(orvCore::Clock* clock)
    : clock_(clock)
{
}

// The clock is borrowed, so every copy, shallow or deep, refers to the same host clock.
ClockOptions::ClockOptions(const ClockOptions& other, const osg::CopyOp& copyOp)
    : osgDB::Options(other, copyOp), clock_(other.clock_)
{
}

ClockOptions::~ClockOptions() = default;

}  // namespace orvVis
