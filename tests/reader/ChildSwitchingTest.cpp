// Which child of the node is on, and what the host's projector texture shows, as the clock moves
// through the items' windows.
#include "support/ReaderRig.h"
#include "support/RecordingMediaFile.h"

#include "media/MediaParameters.h"
#include "playlist/Playlist.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/QtClock.h"
#include "plugin/ActivateChild.h"
#include "plugin/PlaylistNode.h"
#include "media/VideoQuad.h"

#include <osg/Group>

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace readerrig;
using MediaPlayer2::PlaylistNode;
using Children = std::set<unsigned int>;

namespace {

osg::Image* quadImage(const osg::Switch& node, unsigned int child)
{
    const auto* quad = dynamic_cast<const MediaPlayer2::VideoQuad*>(node.getChild(child));
    return quad ? quad->image() : nullptr;
}

class ChildSwitchingTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    const std::string clip_ = mediaPath("mjpeg.mov");
    QTemporaryDir folder_;
    orvCore::SimulationClock clock_;
};

TEST_F(ChildSwitchingTest, LatestStartingActiveItemIsOnAndFeedsTheProjectorWithItsVideo)
{
    // Two overlapping two-second clips, then after a gap a still image: children 0, 1 and 2. A
    // rejected line and an item starting at the same time as another (the playlist keeps the
    // first) get no child.
    const std::string still = folder_.filePath("still.png").toStdString();
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QString::fromStdString(still)));
    const std::string clip = "video \"" + clip_ + "\" ";
    const osg::ref_ptr<PlaylistNode> node = PlaylistNode::loadLstFile(
        writeFile(folder_, "items.lst",
                  "ReferenceYear 2026\n" + clip + "startTime=100\n" + clip + "speed=2\n" + clip + "startTime=100\n" + clip
                      + "startTime=101\nimage \"" + still + "\" startTime=110 stopTime=112\n"),
        nullptr);
    ASSERT_EQ(node->getNumChildren(), 3u);
    EXPECT_EQ(childrenOn(*node), (Children{0, 1, 2})) << "all on until the first activation";
    const osg::ref_ptr<orvVis::ProjectorTexture> texture = new orvVis::ProjectorTexture;
    node->setProjectorTexture(texture.get());
    node->bindToClock(clock_);

    osg::Image* const video0 = quadImage(*node, 0);
    osg::Image* const video1 = quadImage(*node, 1);
    struct Step {
        double seconds;
        Children on;
        osg::Image* projected;  // null: blank
    };
    const Step steps[] = {
        {100.5, {0}, video0},
        {101.5, {1}, video1},  // both windows: the later start wins
        {100.2, {0}, video0},
        {102.0, {1}, video1},  // the first clip's stop time
        {105.0, {1}, nullptr},  // gap: the last child stays, the texture goes blank
        {99.0, {1}, nullptr},
    };
    for (const Step& step : steps) {
        clock_.setTime(at(step.seconds));
        EXPECT_EQ(childrenOn(*node), step.on) << "at " << step.seconds;
        if (step.projected)
            EXPECT_EQ(texture->image(), step.projected) << "at " << step.seconds;
        else
            EXPECT_TRUE(isBlank(*texture)) << "at " << step.seconds;
    }
    // A still image switches its child on but never reaches the texture.
    osg::Image* const blank = texture->image();
    clock_.setTime(at(111));
    EXPECT_EQ(childrenOn(*node), Children{2});
    EXPECT_EQ(texture->image(), blank);
}

TEST_F(ChildSwitchingTest, AMissingPlaylistFileGivesANodeWithoutChildren)
{
    const std::string missing = folder_.filePath("missing.lst").toStdString();
    EXPECT_EQ(osg::ref_ptr<PlaylistNode>(PlaylistNode::loadLstFile(missing, nullptr))->getNumChildren(), 0u);
}

TEST_F(ChildSwitchingTest, ActiveItemWithoutAChildHidesAllChildrenOnlyWithTheHideFlag)
{
    // Media files that show themselves in windows give their entries no child: here the second
    // item of three, whose window overlaps the first's.
    testsupport::RecordingMediaFileFactory factory;
    auto entryFor = [&](const char* name, double start, double stop) {
        testsupport::RecordingProfile profile;
        profile.duration = stop - start;
        factory.setProfile(name, profile);
        MediaPlayer2::MediaParameters params;
        params.setFilename(name);
        params.setTimeZero(at(start));
        params.setStartTime(at(start));
        params.setStopTime(at(stop));
        auto entry = std::make_shared<MediaPlayer2::PlaylistEntry>();
        entry->loadMedia(params, factory);
        return entry;
    };
    struct Step {
        double seconds;
        Children withHide;
        Children withoutHide;
    };
    const Step steps[] = {
        {12, {0}, {0}},
        {17, {}, {0}},  // both active, the child-less one last
        {25, {}, {0}},
        {35, {}, {0}},  // gap: as it was
        {45, {1}, {1}},
        {25, {}, {1}},
    };
    for (const bool hide : {true, false}) {
        const osg::ref_ptr<osg::Switch> node = new osg::Switch;
        node->addChild(new osg::Group);
        node->addChild(new osg::Group);
        MediaPlayer2::Playlist playlist;
        MediaPlayer2::ActivateChild activateChild(node.get());
        activateChild.setHideWhenNotPlaying(hide);
        QObject::connect(&playlist, &MediaPlayer2::Playlist::entryActivated, &activateChild,
                         &MediaPlayer2::ActivateChild::activate);
        const auto first = entryFor("first", 10, 20);
        const auto last = entryFor("last", 40, 50);
        for (const auto& entry : {first, entryFor("windowed", 15, 30), last})
            playlist.addEntry(entry);
        activateChild.map(first.get(), 0);
        activateChild.map(last.get(), 1);
        MediaPlayer2::QtClock clock(clock_);
        QObject::connect(&clock, &MediaPlayer2::QtClock::tick, &playlist, &MediaPlayer2::Playlist::setClockState);

        for (const Step& step : steps) {
            clock_.setTime(at(step.seconds));
            EXPECT_EQ(childrenOn(*node), hide ? step.withHide : step.withoutHide)
                << "at " << step.seconds << (hide ? " hiding" : " not hiding");
        }
    }
}

TEST_F(ChildSwitchingTest, OnlyTheLatestClockAndProjectorTextureAreServedAndANewTextureStartsBlank)
{
    const osg::ref_ptr<PlaylistNode> node = PlaylistNode::loadMediaFile(clip_, at(100));
    auto first = std::make_unique<orvCore::SimulationClock>();
    node->bindToClock(*first);
    node->bindToClock(clock_);
    osg::ref_ptr<orvVis::ProjectorTexture> texture = new orvVis::ProjectorTexture;
    node->setProjectorTexture(texture.get());
    ASSERT_TRUE(isBlank(*texture));
    osg::Image* const blank = texture->image();
    first->setTime(at(100.5));
    EXPECT_EQ(texture->image(), blank) << "the first clock still drives the node";
    first.reset();  // no binding refers to it any more

    clock_.setTime(at(100.5));
    osg::Image* const video = quadImage(*node, 0);
    ASSERT_EQ(texture->image(), video);
    node->setProjectorTexture(texture.get());
    EXPECT_EQ(texture->image(), video) << "the same texture again is not blanked";

    const osg::ref_ptr<orvVis::ProjectorTexture> second = new orvVis::ProjectorTexture;
    node->setProjectorTexture(second.get());
    EXPECT_TRUE(isBlank(*second));
    texture = nullptr;  // the first is gone; the node writes only to the second
    clock_.setTime(at(101));
    EXPECT_EQ(second->image(), video);
    clock_.setTime(at(90));
    EXPECT_TRUE(isBlank(*second));
    clock_.setTime(at(100.5));
    ASSERT_EQ(second->image(), video);
    node->setProjectorTexture(nullptr);
    clock_.setTime(at(90));
    EXPECT_EQ(second->image(), video) << "a texture let go of is not written to";
}

}  // namespace
