#include "orvVis/ClockOptions.h"

#include "orvCore/SimulationClock.h"

#include <gtest/gtest.h>

#include <osg/ref_ptr>

using orvVis::ClockOptions;

TEST(ClockOptions, ClonesThroughTheBaseClassKeepTheClockAndTheOtherOptions)
{
    orvCore::SimulationClock clock;
    const osg::ref_ptr<ClockOptions> original = new ClockOptions(&clock);
    original->setOptionString("noRotation");
    int providerData = 0;
    original->setPluginData("ProjectorTextureProvider", &providerData);

    for (const osg::CopyOp& copyOp : {osg::CopyOp(osg::CopyOp::SHALLOW_COPY), osg::CopyOp(osg::CopyOp::DEEP_COPY_ALL)}) {
        // osgDB clones options through the base class, as a reader does before adjusting them.
        const osg::ref_ptr<osg::Object> copy = static_cast<const osgDB::Options&>(*original).clone(copyOp);
        const auto* clockOptions = dynamic_cast<const ClockOptions*>(copy.get());
        ASSERT_NE(clockOptions, nullptr);
        EXPECT_NE(clockOptions, original.get());
        EXPECT_EQ(clockOptions->clock(), &clock);
        EXPECT_EQ(clockOptions->getOptionString(), "noRotation");
        EXPECT_EQ(clockOptions->getPluginData("ProjectorTextureProvider"), &providerData);
    }

    // A clone of the type alone starts without a clock.
    const osg::ref_ptr<osg::Object> blank = original->cloneType();
    ASSERT_NE(dynamic_cast<ClockOptions*>(blank.get()), nullptr);
    EXPECT_EQ(static_cast<ClockOptions*>(blank.get())->clock(), nullptr);
}
