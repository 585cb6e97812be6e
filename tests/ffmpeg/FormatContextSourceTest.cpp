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

// Event-loop passes after which a zero-interval read timer that should have stopped would have
// read more packets.
constexpr int kIdlePasses = 50;

struct Event
{
    enum Kind { Video, Audio, AboutToSeek, SeekCompleted, EndOfFile };
    Kind kind;
    double time;
    PacketInfo packet;
};

// Records everything a source emits, in order, in the source's own thread.
class SourceLog
{
public:
    explicit SourceLog(FormatContextSource& source)
    {
        QObject::connect(&source, &FormatContextSource::videoPacketReady, &receiver_,
                         [this](int, std::shared_ptr<FFmpeg::Packet> packet) {
                             events.push_back({Event::Video, 0.0, TestMedia::infoOf(*packet)});
                         });
        QObject::connect(&source, &FormatContextSource::audioPacketReady, &receiver_,
                         [this](int, std::shared_ptr<FFmpeg::Packet> packet) {
                             events.push_back({Event::Audio, 0.0, TestMedia::infoOf(*packet)});
                         });
        QObject::connect(&source, &FormatContextSource::aboutToSeek, &receiver_,
                         [this](double time) { events.push_back({Event::AboutToSeek, time, {}}); });
        QObject::connect(&source, &FormatContextSource::seekCompleted, &receiver_,
                         [this](double time) { events.push_back({Event::SeekCompleted, time, {}}); });
        QObject::connect(&source, &FormatContextSource::endOfFileReached, &receiver_,
                         [this] { events.push_back({Event::EndOfFile, 0.0, {}}); });
    }

    int count(Event::Kind kind) const
    {
        return static_cast<int>(std::count_if(events.begin(), events.end(), [kind](const Event& e) { return e.kind == kind; }));
    }

    std::vector<PacketInfo> packets(size_t from = 0) const
    {
        std::vector<PacketInfo> result;
        for (size_t i = from; i < events.size(); ++i)
            if (events[i].kind == Event::Video || events[i].kind == Event::Audio)
                result.push_back(events[i].packet);
        return result;
    }

    std::vector<Event> events;

private:
    QObject receiver_;
};

std::vector<PacketInfo> ofStream(const std::vector<PacketInfo>& packets, int streamId)
{
    std::vector<PacketInfo> result;
    std::copy_if(packets.begin(), packets.end(), std::back_inserter(result),
                 [streamId](const PacketInfo& p) { return p.streamId == streamId; });
    return result;
}

// Where `run` starts inside `whole`, when it is an unbroken stretch of it; -1 otherwise.
long positionOfRun(const std::vector<PacketInfo>& whole, const std::vector<PacketInfo>& run)
{
    if (run.empty())
        return -1;
    const auto start = std::search(whole.begin(), whole.end(), run.begin(), run.end());
    return start == whole.end() ? -1 : start - whole.begin();
}

void runIdlePasses()
{
    for (int i = 0; i < kIdlePasses; ++i)
        QCoreApplication::processEvents();
}

class FormatContextSourceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { FFmpeg::registerMetaTypes(); }

    void open(const char* name)
    {
        log_.reset();
        source_.reset();
        ASSERT_EQ(context_.open(TestMedia::path(name)), 0) << name;
        source_ = std::make_unique<FormatContextSource>(context_);
        log_ = std::make_unique<SourceLog>(*source_);
    }

    void readToEnd()
    {
        const int endsBefore = log_->count(Event::EndOfFile);
        readUntil(1e9, [&] { return log_->count(Event::EndOfFile) > endsBefore; });
    }

    // Packets without a usable time (or with a negative one) end a burst, so keep asking, as the
    // pipeline's read tick does.
    void readUntil(double mediaTime, const std::function<bool()>& condition)
    {
        ASSERT_TRUE(TestMedia::waitUntil([&] {
            source_->readForward(mediaTime);
            return condition();
        }));
    }

    double lastReadTime() const
    {
        const std::vector<PacketInfo> read = log_->packets();
        return read.empty() ? -1.0 : seconds(read.back(), true);
    }

    double seconds(const PacketInfo& packet, bool decodingTime) const
    {
        const int64_t stamp = decodingTime && packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
        return context_.codecContext(static_cast<unsigned>(packet.streamId))->ptsToSeconds(stamp);
    }

    FormatContext context_;
    std::unique_ptr<FormatContextSource> source_;
    std::unique_ptr<SourceLog> log_;
};

} // namespace

TEST_F(FormatContextSourceTest, RoutesEveryPacketOfOnlyTheBestVideoAndAudioStreamsOnce)
{
    // Stream 0 subtitles, 1 audio, 2 video.
    open("subtitles.mkv");
    readToEnd();
    const std::vector<PacketInfo> all = TestMedia::readAllPackets("subtitles.mkv");
    ASSERT_FALSE(ofStream(all, 0).empty());
    for (const Event& event : log_->events) {
        if (event.kind == Event::Video) {
            EXPECT_EQ(event.packet.streamId, 2);
        } else if (event.kind == Event::Audio) {
            EXPECT_EQ(event.packet.streamId, 1);
        }
    }
    // Every packet of the two streams, once, in container order.
    std::vector<PacketInfo> routed;
    std::copy_if(all.begin(), all.end(), std::back_inserter(routed), [](const PacketInfo& p) { return p.streamId != 0; });
    EXPECT_EQ(log_->packets(), routed);
    EXPECT_EQ(log_->count(Event::EndOfFile), 1);

    open("tone_stereo_44100.mp3");
    readToEnd();
    EXPECT_EQ(log_->count(Event::Video), 0);
    EXPECT_EQ(log_->packets(), TestMedia::readAllPackets("tone_stereo_44100.mp3"));
}

TEST_F(FormatContextSourceTest, ReadsAheadUpToTheFirstPacketAtOrBeyondTheRequestedTime)
{
    open("h264_aac.mp4");
    const std::vector<PacketInfo> all = TestMedia::readAllPackets("h264_aac.mp4");

    readUntil(1.0, [&] { return lastReadTime() >= 1.0; });
    runIdlePasses();
    std::vector<PacketInfo> read = log_->packets();
    ASSERT_GE(read.size(), 2u);
    for (size_t i = 0; i + 1 < read.size(); ++i)
        EXPECT_LT(seconds(read[i], true), 1.0);
    EXPECT_EQ(positionOfRun(all, read), 0);

    // Asking for less than was read does nothing.
    source_->readForward(0.5);
    runIdlePasses();
    EXPECT_EQ(log_->packets().size(), read.size());

    // Asking for more goes on where reading stopped.
    readUntil(2.0, [&] { return lastReadTime() >= 2.0; });
    runIdlePasses();
    read = log_->packets();
    EXPECT_EQ(positionOfRun(all, read), 0);
    EXPECT_LT(seconds(read[read.size() - 2], true), 2.0);
    EXPECT_EQ(log_->count(Event::EndOfFile), 0);
}

TEST_F(FormatContextSourceTest, EndOfFileIsReportedOnceAndASeekLeavesOrReachesIt)
{
    open("h264_aac.mp4");
    readToEnd();
    const size_t packetsRead = log_->packets().size();
    source_->readForward(1e9);
    runIdlePasses();
    EXPECT_EQ(log_->count(Event::EndOfFile), 1);
    EXPECT_EQ(log_->packets().size(), packetsRead);

    // In its own thread a seek runs at once.
    source_->seek(1.0);
    ASSERT_EQ(log_->count(Event::SeekCompleted), 1);
    EXPECT_EQ(log_->count(Event::EndOfFile), 1);
    readToEnd();
    EXPECT_EQ(log_->count(Event::EndOfFile), 2);

    // A seek past the end reports the end of the file, then completion, and reads nothing more.
    open("h264_aac.mp4");
    source_->seek(10.0);
    ASSERT_GE(log_->events.size(), 2u);
    EXPECT_EQ(log_->events[log_->events.size() - 2].kind, Event::EndOfFile);
    EXPECT_EQ(log_->events.back().kind, Event::SeekCompleted);
    EXPECT_EQ(log_->events.back().time, 10.0);
    EXPECT_EQ(log_->count(Event::EndOfFile), 1);
    const size_t events = log_->events.size();
    source_->readForward(1e9);
    runIdlePasses();
    EXPECT_EQ(log_->events.size(), events);
}

TEST_F(FormatContextSourceTest, SeekForwardsTheWholeRunFromTheKeyFrameOnce)
{
    const std::vector<PacketInfo> all = TestMedia::readAllPackets("h264_aac.mp4");
    for (double target : {0.0, 0.5, 1.0, 1.37, 2.2}) {
        SCOPED_TRACE(target);
        open("h264_aac.mp4");
        const int video = context_.findBestStream(AVMEDIA_TYPE_VIDEO);
        const int audio = context_.findBestStream(AVMEDIA_TYPE_AUDIO);
        source_->seek(target);

        ASSERT_GE(log_->events.size(), 3u);
        EXPECT_EQ(log_->events.front().kind, Event::AboutToSeek);
        EXPECT_DOUBLE_EQ(log_->events.front().time, target);
        EXPECT_EQ(log_->events.back().kind, Event::SeekCompleted);
        EXPECT_DOUBLE_EQ(log_->events.back().time, target);
        EXPECT_EQ(log_->count(Event::AboutToSeek), 1);

        // The run ends with the first packet presented after the target.
        const std::vector<PacketInfo> run = log_->packets();
        for (size_t i = 0; i + 1 < run.size(); ++i)
            EXPECT_LE(seconds(run[i], false), target);
        EXPECT_GT(seconds(run.back(), false), target);

        // Reading on continues the run: per stream one unbroken stretch of the file, starting for
        // the pictures at a key frame presented at or before the target.
        readUntil(target + 0.5, [&] { return lastReadTime() >= target + 0.5; });
        const std::vector<PacketInfo> pictures = ofStream(log_->packets(), video);
        ASSERT_FALSE(pictures.empty());
        EXPECT_TRUE(pictures.front().isKey);
        EXPECT_LE(seconds(pictures.front(), false), target);
        EXPECT_GE(positionOfRun(ofStream(all, video), pictures), 0);
        EXPECT_GE(positionOfRun(ofStream(all, audio), ofStream(log_->packets(), audio)), 0);
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
    for (const Event& event : log_->events)
        if (event.kind == Event::AboutToSeek || event.kind == Event::SeekCompleted)
            seekEvents.emplace_back(event.kind, event.time);
    const std::vector<std::pair<Event::Kind, double>> expected{
        {Event::AboutToSeek, 0.5}, {Event::AboutToSeek, 2.2}, {Event::SeekCompleted, 2.2}};
    EXPECT_EQ(seekEvents, expected);
    EXPECT_GT(seconds(log_->packets().back(), false), 2.2);
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

TEST_F(FormatContextSourceTest, TruncatedAndRawFilesEndWithoutHanging)
{
    for (const char* name : {"truncated.mp4", "raw.h264"}) {
        SCOPED_TRACE(name);
        open(name);
        readToEnd();
        EXPECT_EQ(log_->count(Event::EndOfFile), 1);
        EXPECT_GT(log_->count(Event::Video), 0);
        source_->seek(0.5);
        EXPECT_EQ(log_->count(Event::SeekCompleted), 1);
    }
}
