#pragma once

#include "orvCore/Clock.h"

#include <osgDB/Options>

namespace orvVis {

/// Reader options that hand the host's simulation clock to a reader. The clock is borrowed: the host
/// keeps it alive for as long as the nodes read with these options exist.
class ClockOptions : public osgDB::Options {
public:
    ClockOptions();
    explicit ClockOptions(orvCore::Clock* clock);
    ClockOptions(const ClockOptions& other, const osg::CopyOp& copyOp = osg::CopyOp::SHALLOW_COPY);

    META_Object(orvVis, ClockOptions)

    orvCore::Clock* clock() const { return clock_; }
    void setClock(orvCore::Clock* clock) { clock_ = clock; }

protected:
    ~ClockOptions() override;

private:
    orvCore::Clock* clock_ = nullptr;
};

}  // namespace orvVis
