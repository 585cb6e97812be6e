#include "support/DecodedStream.h"
#include "support/TestMedia.h"
#include "ffmpeg/FrameSyncFilter.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using FramePtr = std::shared_ptr<FFmpeg::Frame>;

// The first frames of a clip with B-frames, decoded for real, and a filter on its decoder that
// records what it releases.
class FrameSyncFilterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(video_.isOpen());
        frames_ = video_.decode(8);
        ASSERT_EQ(frames_.size(), 8u);
        for (int n = 0; n < 8; ++n)
            ASSERT_EQ(TestMedia::frameNumberOf(*frames_[n]), n);
        filter_ = std::make_unique<FFmpeg::FrameSyncFilter>(video_.codec());
        QObject::connect(filter_.get(), &FFmpeg::FrameSyncFilter::frameReadyToProcess,
                         [this](FramePtr frame) { released_.push_back(frame); });
    }

    double timeOf(int n) const { return video_.secondsOf(*frames_[n]); }
    // Half way between frame n and the next: frame n is due, the next is not.
    double justAfter(int n) const { return timeOf(n) + 0.5 / TestMedia::kFrameRate; }

    // A copy of frame n that only the filter holds, so the test sees when it lets go.
    FramePtr onlyCopyOf(int n, std::vector<std::weak_ptr<FFmpeg::Frame>>& watched) const
    {
        auto frame = std::make_shared<FFmpeg::Frame>(*frames_[n]);
        watched.push_back(frame);
        return frame;
    }

    std::vector<int> releasedNumbers() const
    {
        std::vector<int> numbers;
        for (const auto& frame : released_)
            numbers.push_back(TestMedia::frameNumberOf(*frame));
        return numbers;
    }

    DecodedStream video_{"h264_aac.mp4", AVMEDIA_TYPE_VIDEO};
    std::vector<FramePtr> frames_;
    std::unique_ptr<FFmpeg::FrameSyncFilter> filter_;
    std::vector<FramePtr> released_;
};

TEST_F(FrameSyncFilterTest, ReleasesFramesInPresentationOrderWhateverOrderTheyArriveIn)
{
    for (int n : {2, 0, 1, 7, 5, 3, 4, 6})
        filter_->queueFrame(frames_[n]);
    for (int n = 0; n < 8; ++n)
        filter_->advanceTo(justAfter(n));
    EXPECT_EQ(releasedNumbers(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    // The very frame objects travel on: no picture was copied.
    EXPECT_EQ(released_.front(), frames_[0]);
}

TEST_F(FrameSyncFilterTest, ReleasesOnlyTheNewestDueFrameAndLetsOvertakenOnesGo)
{
    std::vector<std::weak_ptr<FFmpeg::Frame>> queued;
    for (int n = 0; n < 4; ++n)
        filter_->queueFrame(onlyCopyOf(n, queued));

    filter_->advanceTo(timeOf(0) - 0.001);
    EXPECT_TRUE(released_.empty());
    EXPECT_FALSE(queued[0].expired());

    // Due means at or before the media time, without tolerance.
    filter_->advanceTo(timeOf(2));
    filter_->advanceTo(timeOf(2));
    EXPECT_EQ(releasedNumbers(), std::vector<int>{2});
    EXPECT_TRUE(queued[0].expired());
    EXPECT_TRUE(queued[1].expired());
    EXPECT_FALSE(queued[3].expired());

    filter_->advanceTo(justAfter(3));
    EXPECT_EQ(releasedNumbers(), (std::vector<int>{2, 3}));

    // A frame arriving behind the one on screen is dropped unseen.
    filter_->queueFrame(onlyCopyOf(1, queued));
    filter_->advanceTo(justAfter(3));
    EXPECT_EQ(releasedNumbers(), (std::vector<int>{2, 3}));
    EXPECT_TRUE(queued.back().expired());
}

TEST_F(FrameSyncFilterTest, ASecondFrameWithTheSameTimeReplacesTheFirst)
{
    // Frame 5's picture stamped with frame 3's time, queued after frame 3 itself.
    auto sameTime = std::make_shared<FFmpeg::Frame>(*frames_[5]);
    sameTime->setOverrideTime(frames_[3]->bestEffortTimeStamp());
    filter_->queueFrame(frames_[4]);
    filter_->queueFrame(frames_[3]);
    filter_->queueFrame(sameTime);

    filter_->advanceTo(timeOf(3));
    filter_->advanceTo(timeOf(4));
    EXPECT_EQ(releasedNumbers(), (std::vector<int>{5, 4}));
}

TEST_F(FrameSyncFilterTest, AfterClearTheNextDueFrameIsReleasedEvenIfOlderThanTheLast)
{
    filter_->queueFrame(frames_[5]);
    filter_->advanceTo(justAfter(5));
    filter_->clear();
    filter_->queueFrame(frames_[1]);
    filter_->queueFrame(frames_[2]);
    filter_->advanceTo(justAfter(1));
    EXPECT_EQ(releasedNumbers(), (std::vector<int>{5, 1}));
}

TEST_F(FrameSyncFilterTest, SendLatestFrameReleasesTheNewestQueuedFrameAtAnyTimeAndEmptiesTheQueue)
{
    filter_->sendLatestFrame();
    EXPECT_TRUE(released_.empty());

    filter_->queueFrame(frames_[6]);
    filter_->advanceTo(justAfter(6));
    std::vector<std::weak_ptr<FFmpeg::Frame>> older;
    filter_->queueFrame(frames_[3]);
    filter_->queueFrame(onlyCopyOf(1, older));
    filter_->queueFrame(onlyCopyOf(2, older));
    // Neither the media time nor the frame on screen matter at the end of a seek.
    filter_->sendLatestFrame();
    EXPECT_EQ(releasedNumbers(), (std::vector<int>{6, 3}));
    EXPECT_TRUE(older[0].expired() && older[1].expired());

    filter_->sendLatestFrame();
    EXPECT_EQ(released_.size(), 2u);
}

} // namespace
