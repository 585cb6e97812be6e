#include "support/DecodedStream.h"
#include "support/TestMedia.h"
#include "ffmpeg/Clock.h"
#include "ffmpeg/FrameSyncFilter.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using FramePtr = std::shared_ptr<FFmpeg::Frame>;

// The frames of a clip with B-frames, decoded for real, and a filter on its decoder that records
// the numbers of the pictures it releases.
class FrameSyncFilterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frames_ = video_.decode();
        ASSERT_EQ(frames_.size(), 75u);
        QObject::connect(&filter_, &FFmpeg::FrameSyncFilter::frameReadyToProcess,
                         [this](FramePtr frame) { released_.push_back(TestMedia::frameNumberOf(*frame)); });
    }

    double timeOf(std::size_t n) const { return video_.secondsOf(*frames_[n]); }
    // Half way between frame n and the next: frame n is due, the next is not.
    double justAfter(std::size_t n) const { return timeOf(n) + 0.5 / TestMedia::kFrameRate; }

    // Queues a copy of frame n that only the filter holds, so the test sees when it lets go.
    std::weak_ptr<FFmpeg::Frame> queueOnlyCopyOf(int n)
    {
        auto frame = std::make_shared<FFmpeg::Frame>(*frames_[n]);
        filter_.queueFrame(frame);
        return frame;
    }

    DecodedStream video_{"h264_aac.mp4", AVMEDIA_TYPE_VIDEO};
    std::vector<FramePtr> frames_;
    FFmpeg::FrameSyncFilter filter_{video_.codec()};
    std::vector<int> released_;
};

TEST_F(FrameSyncFilterTest, ReleasesFramesInPresentationOrderWhateverOrderTheyArriveIn)
{
    FramePtr first;
    QObject::connect(&filter_, &FFmpeg::FrameSyncFilter::frameReadyToProcess, [&](FramePtr frame) {
        if (!first)
            first = frame;
    });
    for (int n : {2, 0, 1, 7, 5, 3, 4, 6})
        filter_.queueFrame(frames_[n]);
    for (int n = 0; n < 8; ++n)
        filter_.advanceTo(justAfter(n));
    EXPECT_EQ(released_, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(first, frames_[0]) << "the very frame objects travel on: no picture is copied";
}

TEST_F(FrameSyncFilterTest, ReleasesOnlyTheNewestDueFrameAndLetsOvertakenOnesGo)
{
    std::vector<std::weak_ptr<FFmpeg::Frame>> queued;
    for (int n = 0; n < 4; ++n)
        queued.push_back(queueOnlyCopyOf(n));

    filter_.advanceTo(timeOf(0) - 0.001);
    EXPECT_TRUE(released_.empty());
    EXPECT_FALSE(queued[0].expired());

    // Due means at or before the media time, without tolerance.
    filter_.advanceTo(timeOf(2));
    filter_.advanceTo(timeOf(2));
    EXPECT_EQ(released_, std::vector<int>{2});
    EXPECT_TRUE(queued[0].expired());
    EXPECT_TRUE(queued[1].expired());
    EXPECT_FALSE(queued[3].expired());

    filter_.advanceTo(justAfter(3));
    EXPECT_EQ(released_, (std::vector<int>{2, 3}));

    // A frame arriving behind the one on screen, or with its time, is dropped unseen.
    const auto late = {queueOnlyCopyOf(1), queueOnlyCopyOf(3)};
    filter_.advanceTo(justAfter(3));
    EXPECT_EQ(released_, (std::vector<int>{2, 3}));
    for (const auto& frame : late)
        EXPECT_TRUE(frame.expired());

    // A second frame with a queued frame's time replaces it: frame 7's picture under frame 5's time.
    auto sameTime = std::make_shared<FFmpeg::Frame>(*frames_[7]);
    sameTime->setOverrideTime(frames_[5]->bestEffortTimeStamp());
    filter_.queueFrame(frames_[6]);
    filter_.queueFrame(frames_[5]);
    filter_.queueFrame(sameTime);
    filter_.advanceTo(timeOf(5));
    filter_.advanceTo(timeOf(6));
    EXPECT_EQ(released_, (std::vector<int>{2, 3, 7, 6}));
}

TEST_F(FrameSyncFilterTest, AtTheEndOfASeekTheNewestQueuedFrameLeavesAndAfterClearAnOlderOneIsDueAgain)
{
    filter_.sendLatestFrame();
    EXPECT_TRUE(released_.empty());

    filter_.queueFrame(frames_[6]);
    filter_.advanceTo(justAfter(6));
    filter_.queueFrame(frames_[3]);
    const auto older = {queueOnlyCopyOf(1), queueOnlyCopyOf(2)};
    // Neither the media time nor the frame on screen matter at the end of a seek.
    filter_.sendLatestFrame();
    EXPECT_EQ(released_, (std::vector<int>{6, 3}));
    for (const auto& frame : older)
        EXPECT_TRUE(frame.expired());
    filter_.sendLatestFrame();
    EXPECT_EQ(released_.size(), 2u);

    // At the start of a seek the frame on screen is forgotten: an older one is due again.
    filter_.queueFrame(frames_[5]);
    filter_.advanceTo(justAfter(5));
    filter_.clear();
    filter_.queueFrame(frames_[1]);
    filter_.queueFrame(frames_[2]);
    filter_.advanceTo(justAfter(1));
    EXPECT_EQ(released_, (std::vector<int>{6, 3, 5, 1}));
}

// The display end of the pipeline on a stepped clock: frames are queued half a second ahead of the
// media clock, as the packet source reads ahead, and every 16 ms display tick advances the filter
// to the clock's time.
TEST_F(FrameSyncFilterTest, OnTheClockEveryTickShowsTheFrameOfTheClockTimeThroughRateChangesPausesAndASeekBack)
{
    double systemTime = 500.0;
    FFmpeg::Clock clock([&systemTime] { return systemTime; });
    std::size_t queued = 0;
    const auto queueUpTo = [&](double mediaTime) {
        while (queued < frames_.size() && timeOf(queued) <= mediaTime)
            filter_.queueFrame(frames_[queued++]);
    };
    // The latest frame presented at or before the time: due has no tolerance.
    const auto dueAt = [&](double mediaTime) {
        int due = -1;
        while (due + 1 < static_cast<int>(frames_.size()) && timeOf(static_cast<std::size_t>(due + 1)) <= mediaTime)
            ++due;
        return due;
    };
    // One display tick later: whether the picture released last is the one due.
    const auto tickShowsDueFrame = [&] {
        systemTime += 0.016;
        queueUpTo(clock.now() + 0.5);
        filter_.advanceTo(clock.now());
        return !released_.empty() && released_.back() == dueAt(clock.now());
    };
    for (double rate : {1.0, 2.5, 0.4, 0.0, 1.0}) {
        clock.setTimeRate(rate);
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(tickShowsDueFrame()) << "rate " << rate << " at " << clock.now();
    }
    // Never a frame twice, never backwards, also while paused.
    for (std::size_t i = 1; i < released_.size(); ++i)
        EXPECT_GT(released_[i], released_[i - 1]);

    // As the pipeline seeks: clear at the start, the decoder's frames up to the target, the newest
    // released at the end; playing goes on from there.
    const double target = 0.5;
    ASSERT_GT(released_.back(), dueAt(target) + 1);
    filter_.clear();
    clock.synchronizeToTime(target);
    queued = 0;
    queueUpTo(target);
    filter_.sendLatestFrame();
    EXPECT_EQ(released_.back(), dueAt(target));
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(tickShowsDueFrame()) << clock.now();
}

} // namespace
