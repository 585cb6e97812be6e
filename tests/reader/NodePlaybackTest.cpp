// What a host sees of a node read from a TMD file: the picture on its quad for the clock's time,
// when the clock stands still and when it runs, and nothing left behind when the node goes.
#include "support/ReaderRig.h"

#include "common/FrameStamp.h"
#include "orvVis/ClockOptions.h"
#include "media/VideoQuad.h"

#include <osg/observer_ptr>
#include <osgDB/ReadFile>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

using namespace readerrig;

namespace {

// The item's first frame belongs here, in seconds into the test year.
constexpr double kStart = 100.0;
// A playing item may lag the clock by its allowable delta (the default, as a TMD file read by the
// reader cannot change it) before it is re-sought; the slack covers one frame tick and rounding.
constexpr double kAllowableDelta = 1.0;
constexpr double kSlack = 0.1;

int threadCount()
{
    return static_cast<int>(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

class NodePlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        const std::string tmd = writeTmd(folder_, "clip.tmd", mediaPath("mjpeg.mov"), kStart);
        const osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock_);
        node_ = osgDB::readRefNodeFile(tmd, options.get());
        ASSERT_TRUE(node_.valid()) << "osgdb_tmd not found on OSG_LIBRARY_PATH or clip missing";
        ASSERT_EQ(node_->asSwitch()->getNumChildren(), 1u);
        quad_ = dynamic_cast<MediaPlayer2::VideoQuad*>(node_->asSwitch()->getChild(0));
        ASSERT_NE(quad_, nullptr);
    }

    int shownFrame() const { return FrameStamp::read(*quad_->image()); }
    double mediaPosition() const { return (clock_.currentTime() - at(kStart)).toDouble(); }

    const int threadsWithoutNode_ = threadCount();
    QTemporaryDir folder_;
    orvCore::SimulationClock clock_;
    osg::ref_ptr<osg::Node> node_;
    MediaPlayer2::VideoQuad* quad_ = nullptr;
};

TEST_F(NodePlaybackTest, StoppedClockShowsTheFrameOfItsTime)
{
    // Forwards, backwards, within one frame, to the window's ends and outside it on both sides.
    for (const double position : {0.5, 0.05, 1.23, 0.1, 0.0, 1.95, -5.0, 1.99, 0.51, 2.0, 0.79, 7.0, 0.3}) {
        clock_.setTime(at(kStart + position));
        const int expected = clipFrameAfterSeekTo(position);
        ASSERT_TRUE(QTest::qWaitFor([&] { return shownFrame() == expected; }))
            << "at " << position << " s the quad shows " << shownFrame() << ", not " << expected;
    }
}

TEST_F(NodePlaybackTest, RunningClockPlaysTheFramesInOrderAtItsPaceUntilTheNodeGoesWithItsThreads)
{
    constexpr double from = 0.2;
    constexpr double until = 1.6;
    clock_.setTime(at(kStart + from));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownFrame() == clipFrameAfterSeekTo(from); }));

    struct Sample {
        double position;
        int frame;
    };
    std::vector<Sample> samples;
    // The clock advanced as a host's frame loop would.
    QTimer frameLoop;
    QObject::connect(&frameLoop, &QTimer::timeout, [&] {
        clock_.update();
        if (quad_)
            samples.push_back({mediaPosition(), shownFrame()});
    });
    clock_.playForward();
    frameLoop.start(10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mediaPosition() >= until; }, 10000));

    // Destroyed while playing; the clock goes on without the node: no observer of it is left to call.
    const osg::observer_ptr<MediaPlayer2::VideoQuad> quad = quad_;
    const osg::observer_ptr<osg::Node> node = node_.get();
    quad_ = nullptr;
    node_ = nullptr;
    EXPECT_FALSE(node.valid());
    EXPECT_FALSE(quad.valid()) << "the media file still holds its quad";
    clock_.setTime(at(kStart + 1.0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return threadCount() <= threadsWithoutNode_; }))
        << threadCount() << " threads still run after the node went";
    frameLoop.stop();

    int previous = clipFrameAfterSeekTo(from);
    std::vector<int> distinct;
    for (const Sample& sample : samples) {
        ASSERT_GE(sample.frame, previous) << "went back at " << sample.position << " s";
        const double frameTime = sample.frame / kFrameRate;
        EXPECT_LE(frameTime, sample.position + kSlack) << "ahead of the clock";
        EXPECT_GE(frameTime, sample.position - kAllowableDelta - kSlack) << "fell behind the clock";
        if (distinct.empty() || distinct.back() != sample.frame)
            distinct.push_back(sample.frame);
        previous = sample.frame;
    }
    // Played through rather than jumped: most frames of the run were on show.
    EXPECT_GE(distinct.size(), static_cast<std::size_t>((until - from) * kFrameRate / 2));
}

}  // namespace
