#include "support/DecodedStream.h"
#include "support/TestMedia.h"
#include "ffmpeg/Clock.h"
#include "ffmpeg/ConvertPixelFormatFilter.h"
#include "ffmpeg/FrameSyncFilter.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using FramePtr = std::shared_ptr<FFmpeg::Frame>;

// The display end of the pipeline on a stepped clock: decoded frames are queued a little ahead
// of the media clock, every 16 ms display tick advances the frame sync to the clock's time, and
// what it releases is converted to BGRA. Each converted picture tells which frame it shows.
class FrameTimingTest : public ::testing::Test
{
protected:
    // The pipeline's display tick.
    static constexpr double kTickSeconds = 0.016;
    // How far ahead of the clock frames are queued, as the packet source reads ahead.
    static constexpr double kQueueAhead = 0.5;

    void SetUp() override
    {
        ASSERT_TRUE(video_.isOpen());
        frames_ = video_.decode();
        ASSERT_EQ(frames_.size(), 75u);
        QObject::connect(&sync_, &FFmpeg::FrameSyncFilter::frameReadyToProcess, &converter_,
                         qOverload<std::shared_ptr<FFmpeg::Frame>>(&FFmpeg::ConvertPixelFormatFilter::convert));
        QObject::connect(&converter_, &FFmpeg::ConvertPixelFormatFilter::convertedFrameReady,
                         [this](FramePtr frame) { shown_.push_back(TestMedia::frameNumberOf(*frame)); });
    }

    void queueUpTo(double mediaTime)
    {
        while (nextToQueue_ < frames_.size() && video_.secondsOf(*frames_[nextToQueue_]) <= mediaTime)
            sync_.queueFrame(frames_[nextToQueue_++]);
    }

    // The number of the latest frame presented at or before the media time: due has no tolerance.
    int frameDueAt(double mediaTime) const
    {
        int due = -1;
        for (std::size_t n = 0; n < frames_.size() && video_.secondsOf(*frames_[n]) <= mediaTime; ++n)
            due = TestMedia::frameNumberOf(*frames_[n]);
        return due;
    }

    // One display tick later: the picture on screen afterwards.
    int tick()
    {
        systemTime_ += kTickSeconds;
        queueUpTo(clock_.now() + kQueueAhead);
        sync_.advanceTo(clock_.now());
        return shown_.empty() ? -1 : shown_.back();
    }

    DecodedStream video_{"h264_aac.mp4", AVMEDIA_TYPE_VIDEO};
    std::vector<FramePtr> frames_;
    std::size_t nextToQueue_ = 0;
    double systemTime_ = 500.0;
    FFmpeg::Clock clock_{[this] { return systemTime_; }};
    FFmpeg::FrameSyncFilter sync_{video_.codec()};
    FFmpeg::ConvertPixelFormatFilter converter_{video_.codec(), AV_PIX_FMT_BGRA};
    std::vector<int> shown_;
};

TEST_F(FrameTimingTest, ShowsAtEveryTickTheFrameThatBelongsToTheClockTime)
{
    for (double rate : {1.0, 2.5, 0.4}) {
        SCOPED_TRACE(rate);
        clock_.setTimeRate(rate);
        for (int i = 0; i < 20; ++i) {
            const int onScreen = tick();
            ASSERT_EQ(onScreen, frameDueAt(clock_.now())) << "at " << clock_.now();
        }
    }
    // Never a frame twice, never backwards.
    for (std::size_t i = 1; i < shown_.size(); ++i)
        EXPECT_GT(shown_[i], shown_[i - 1]);
}

TEST_F(FrameTimingTest, PausingHoldsThePictureAndASeekBackShowsTheTargetAtOnce)
{
    for (int i = 0; i < 10; ++i)
        tick();
    clock_.setTimeRate(0.0);
    const int paused = tick();
    const std::size_t shownWhenPaused = shown_.size();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(tick(), paused);
    EXPECT_EQ(shown_.size(), shownWhenPaused);

    clock_.setTimeRate(1.0);
    for (int i = 0; i < 30; ++i)
        tick();
    EXPECT_EQ(shown_.back(), frameDueAt(clock_.now()));
    EXPECT_GT(shown_.back(), paused);

    // A seek back shows the target frame at once and plays on from there. As the pipeline seeks:
    // clear at the start, the decoder's frames up to the target, the newest released at the end.
    const double target = 0.5;
    ASSERT_GT(shown_.back(), frameDueAt(target) + 1);
    sync_.clear();
    clock_.synchronizeToTime(target);
    nextToQueue_ = 0;
    queueUpTo(target);
    sync_.sendLatestFrame();
    EXPECT_EQ(shown_.back(), frameDueAt(target));

    for (int i = 0; i < 10; ++i) {
        const int onScreen = tick();  // before the clock is read
        EXPECT_EQ(onScreen, frameDueAt(clock_.now()));
    }
}

} // namespace
