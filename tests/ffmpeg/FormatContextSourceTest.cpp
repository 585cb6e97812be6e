#include "ffmpeg/CodecContext.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/FormatContextSource.h"
#include "ffmpeg/MetaTypes.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using FFmpeg::FormatContext;
using FFmpeg::FormatContextSource;
using TestMedia::PacketInfo;

namespace {

struct Event
{
    enum Kind { Packet, AboutToSeek, SeekCompleted, EndOfFile };
    Kind kind;
    double time;
    PacketInfo packet;
};

std::vector<PacketInfo> ofStream(const std::vector<PacketInfo>& packets, int streamId)
{
    std::vector<PacketInfo> result;
    std::copy_if(packets.begin(), packets.end(), std::back_inserter(result),
                 [streamId](const PacketInfo& p) { return p.streamId == streamId; });
    return result;
}

// Whether `run` is an unbroken stretch of `whole` that starts at `from`, or anywhere when negative.
bool isRunOf(const std::vector<PacketInfo>& whole, const std::vector<PacketInfo>& run, long from = -1)
{
    const auto start = std::search(whole.begin(), whole.end(), run.begin(), run.end());
    return !run.empty() && start != whole.end() && (from < 0 || start - whole.begin() == from);
}

// A source on one file and everything it emits, in order, recorded in its own thread.
class FormatContextSourceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { FFmpeg::registerMetaTypes(); }

    void open(const char* name)
    {
        source_.reset();
        events_.clear();
        ASSERT_EQ(context_.open(TestMedia::path(name)), 0) << name;
        source_ = std::make_unique<FormatContextSource>(context_);
        const auto onPacket = [this](int, std::shared_ptr<FFmpeg::Packet> packet) {
            events_.push_back({Event::Packet, 0.0, TestMedia::infoOf(*packet)});
        };
        const auto on = [this](Event::Kind kind) {
            return [this, kind](double time = 0.0) { events_.push_back({kind, time, {}}); };
        };
        QObject::connect(source_.get(), &FormatContextSource::videoPacketReady, onPacket);
        QObject::connect(source_.get(), &FormatContextSource::audioPacketReady, onPacket);
        QObject::connect(source_.get(), &FormatContextSource::aboutToSeek, on(Event::AboutToSeek));
        QObject::connect(source_.get(), &FormatContextSource::seekCompleted, on(Event::SeekCompleted));
        QObject::connect(source_.get(), &FormatContextSource::endOfFileReached, on(Event::EndOfFile));
    }

    int count(Event::Kind kind) const
    {
        return static_cast<int>(std::count_if(events_.begin(), events_.end(), [kind](const Event& e) { return e.kind == kind; }));
    }

    std::vector<PacketInfo> packets() const
    {
        std::vector<PacketInfo> result;
        for (const Event& event : events_)
            if (event.kind == Event::Packet)
                result.push_back(event.packet);
        return result;
    }

    // Packets without a usable time end a burst, so keep asking, as the pipeline's read tick does.
    void readUntil(double mediaTime, const std::function<bool()>& condition)
    {
        ASSERT_TRUE(TestMedia::waitUntil([&] {
            source_->readForward(mediaTime);
            return condition();
        }));
    }

    void readToEnd()
    {
        const int endsBefore = count(Event::EndOfFile);
        readUntil(1e9, [&] { return count(Event::EndOfFile) > endsBefore; });
    }

    // Lets a zero-interval read timer that should have stopped run on; returns what was read.
    std::vector<PacketInfo> settle()
    {
        for (int i = 0; i < 50; ++i)
            QCoreApplication::processEvents();
        return packets();
    }

    std::vector<PacketInfo> readTo(double mediaTime)
    {
        readUntil(mediaTime, [&] { return !packets().empty() && seconds(packets().back(), true) >= mediaTime; });
        return settle();
    }

    double seconds(const PacketInfo& packet, bool decodingTime) const
    {
        const int64_t stamp = decodingTime && packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
        return context_.codecContext(static_cast<unsigned>(packet.streamId))->ptsToSeconds(stamp);
    }

    FormatContext context_;
    std::unique_ptr<FormatContextSource> source_;
    std::vector<Event> events_;
};

} // namespace

TEST_F(FormatContextSourceTest, RoutesEveryPacketOfOnlyTheBestVideoAndAudioStreamsOnceInOrder)
{
    // Stream 0 subtitles, 1 audio, 2 video.
    open("subtitles.mkv");
    int video = 0;
    int audio = 0;
    QObject::connect(source_.get(), &FormatContextSource::videoPacketReady, [&](int id) { video += id == 2; });
    QObject::connect(source_.get(), &FormatContextSource::audioPacketReady, [&](int id) { audio += id == 1; });
    readToEnd();
    std::vector<PacketInfo> routed = TestMedia::readAllPackets("subtitles.mkv");
    const auto subtitles = std::remove_if(routed.begin(), routed.end(), [](const PacketInfo& p) { return p.streamId == 0; });
    ASSERT_NE(subtitles, routed.end());
    routed.erase(subtitles, routed.end());
    EXPECT_EQ(packets(), routed);
    EXPECT_EQ(video + audio, static_cast<int>(routed.size()));
    EXPECT_GT(video, 0);

    open("tone_stereo_44100.mp3");
    readToEnd();
    EXPECT_EQ(packets(), TestMedia::readAllPackets("tone_stereo_44100.mp3"));
}

TEST_F(FormatContextSourceTest, ReadsAheadUpToTheRequestedTimeAndReportsTheEndOnceUntilASeekLeavesIt)
{
    open("h264_aac.mp4");
    const std::vector<PacketInfo> all = TestMedia::readAllPackets("h264_aac.mp4");
    std::vector<PacketInfo> read;
    for (double time : {1.0, 2.0}) {
        read = readTo(time);
        ASSERT_GE(read.size(), 2u);
        EXPECT_TRUE(isRunOf(all, read, 0));
        EXPECT_LT(seconds(read[read.size() - 2], true), time) << "reading stops at the first packet at or after it";
        // Asking for less than was read does nothing.
        source_->readForward(time - 0.5);
        EXPECT_EQ(settle().size(), read.size());
    }
    EXPECT_EQ(count(Event::EndOfFile), 0);

    readToEnd();
    source_->readForward(1e9);
    EXPECT_EQ(settle().size(), all.size());
    EXPECT_EQ(count(Event::EndOfFile), 1);

    // In its own thread a seek runs at once.
    source_->seek(1.0);
    ASSERT_EQ(count(Event::SeekCompleted), 1);
    EXPECT_EQ(count(Event::EndOfFile), 1);
    readToEnd();
    EXPECT_EQ(count(Event::EndOfFile), 2);

    // A seek past the end reports the end of the file, then completion, and reads nothing more.
    open("h264_aac.mp4");
    source_->seek(10.0);
    ASSERT_GE(events_.size(), 2u);
    EXPECT_EQ(events_[events_.size() - 2].kind, Event::EndOfFile);
    EXPECT_EQ(events_.back().kind, Event::SeekCompleted);
    EXPECT_EQ(events_.back().time, 10.0);
    EXPECT_EQ(count(Event::EndOfFile), 1);
    const size_t events = events_.size();
    source_->readForward(1e9);
    settle();
    EXPECT_EQ(events_.size(), events);
}

TEST_F(FormatContextSourceTest, SeekForwardsTheWholeRunFromTheKeyFrameOnce)
{
    const std::vector<PacketInfo> all = TestMedia::readAllPackets("h264_aac.mp4");
    for (double target : {0.0, 0.5, 1.0, 1.37, 2.2}) {
        SCOPED_TRACE(target);
        open("h264_aac.mp4");
        source_->seek(target);
        ASSERT_GE(events_.size(), 3u);
        EXPECT_EQ(events_.front().kind, Event::AboutToSeek);
        EXPECT_DOUBLE_EQ(events_.front().time, target);
        EXPECT_EQ(events_.back().kind, Event::SeekCompleted);
        EXPECT_DOUBLE_EQ(events_.back().time, target);
        EXPECT_EQ(count(Event::AboutToSeek), 1);

        // The run ends with the first packet presented after the target.
        const std::vector<PacketInfo> run = packets();
        for (size_t i = 0; i + 1 < run.size(); ++i)
            EXPECT_LE(seconds(run[i], false), target);
        EXPECT_GT(seconds(run.back(), false), target);

        // Reading on continues the run: per stream one unbroken stretch of the file, starting for
        // the pictures at the last key frame presented at or before the target.
        readTo(target + 0.5);
        for (const int stream : {context_.findBestStream(AVMEDIA_TYPE_VIDEO), context_.findBestStream(AVMEDIA_TYPE_AUDIO)})
            EXPECT_TRUE(isRunOf(ofStream(all, stream), ofStream(packets(), stream))) << stream;
        const std::vector<PacketInfo> pictures = ofStream(packets(), context_.findBestStream(AVMEDIA_TYPE_VIDEO));
        ASSERT_FALSE(pictures.empty());
        EXPECT_TRUE(pictures.front().isKey);
        EXPECT_LE(seconds(pictures.front(), false), target);
        EXPECT_GT(seconds(pictures.front(), false), target - 1.0) << "key frames are one second apart";
    }
}

TEST_F(FormatContextSourceTest, ANewTargetDuringCatchUpRestartsTheSeek)
{
    open("h264_aac.mp4");
    bool retargeted = false;
    QObject::connect(source_.get(), &FormatContextSource::videoPacketReady, source_.get(), [&] {
        if (!retargeted) {
            retargeted = true;
            source_->seek(2.2);
        }
    });
    source_->seek(0.5);

    std::vector<std::pair<Event::Kind, double>> seekEvents;
    for (const Event& event : events_)
        if (event.kind == Event::AboutToSeek || event.kind == Event::SeekCompleted)
            seekEvents.emplace_back(event.kind, event.time);
    const std::vector<std::pair<Event::Kind, double>> expected{
        {Event::AboutToSeek, 0.5}, {Event::AboutToSeek, 2.2}, {Event::SeekCompleted, 2.2}};
    EXPECT_EQ(seekEvents, expected);
    EXPECT_GT(seconds(packets().back(), false), 2.2);
}

TEST_F(FormatContextSourceTest, RequestsMadeBeforeTheSeekRunsBecomeOneSeek)
{
    ASSERT_EQ(context_.open(TestMedia::path("h264_aac.mp4")), 0);
    QThread thread;
    auto* source = new FormatContextSource(context_);
    source->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, source, &QObject::deleteLater);
    // Queued into this thread, as the pipeline's own receivers get them.
    QObject receiver;
    std::vector<double> aboutToSeek;
    std::vector<double> completed;
    QObject::connect(source, &FormatContextSource::aboutToSeek, &receiver, [&](double time) { aboutToSeek.push_back(time); });
    QObject::connect(source, &FormatContextSource::seekCompleted, &receiver, [&](double time) { completed.push_back(time); });

    // The thread is not running yet, so the first request stays queued while the second arrives.
    source->seek(1.0);
    source->seek(1.0);
    thread.start();
    EXPECT_TRUE(TestMedia::waitUntil([&] { return !completed.empty(); }));
    thread.quit();
    thread.wait();
    QCoreApplication::processEvents();
    EXPECT_EQ(aboutToSeek, std::vector<double>{1.0});
    EXPECT_EQ(completed, std::vector<double>{1.0});
}
