#include "orvVis/ClockOptions.h"

#include "orvCore/SimulationClock.h"

#include <gtest/gtest.h>

#include <osg/ref_ptr>

TEST(ClockOptions, ClonesThroughTheBaseClassKeepTheClockAndTheOtherOptions)
{
    orvCore::SimulationClock clock;
    const osg::ref_ptr<orvVis::ClockOptions> original = new orvVis::ClockOptions(&clock);
    original->setOptionString("noRotation");
    int providerData = 0;
    original->setPluginData("ProjectorTextureProvider", &providerData);

    for (const osg::CopyOp& copyOp : {osg::CopyOp(osg::CopyOp::SHALLOW_COPY), osg::CopyOp(osg::CopyOp::DEEP_COPY_ALL)}) {
        // osgDB clones options through the base class, as a reader does before adjusting them.
        const osg::ref_ptr<osg::Object> copy = static_cast<const osgDB::Options&>(*original).clone(copyOp);
        const auto* clockOptions = dynamic_cast<const orvVis::ClockOptions*>(copy.get());
        ASSERT_NE(clockOptions, nullptr);
        EXPECT_EQ(clockOptions->clock(), &clock);
        EXPECT_EQ(clockOptions->getOptionString(), "noRotation");
        EXPECT_EQ(clockOptions->getPluginData("ProjectorTextureProvider"), &providerData);
    }
}
