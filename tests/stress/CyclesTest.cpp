// Load, play, seek and close, over and over: playback pipelines on good, audio-only and broken
// files in both threading modes, closed, destroyed or reloaded; and nodes read through the plugin
// or from a playlist file, played and dropped while their clock runs. After each close the process
// holds no more threads or open files than before and the scene objects are gone.
#include "TestMedia.h"
#include "support/ReaderRig.h"
#include "support/StressRun.h"

#include "common/FrameStamp.h"
#include "ffmpeg/Frame.h"
#include "ffmpeg/PlaybackPipeline.h"
#include "orvVis/ClockOptions.h"
#include "plugin/PlaylistNode.h"
#include "media/VideoQuad.h"

#include <osg/observer_ptr>
#include <osgDB/ReadFile>

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

using FFmpeg::PlaybackPipeline;
using namespace readerrig;

namespace {

// The host's frame loop while a node's clock runs.
constexpr int kClockUpdateMs = 10;
// How long a cycle may play before it is cut short, at most; drawn at random below it.
constexpr int kPlayAtMostMs = 250;

struct Clip {
    const char* name;
    PlaybackPipeline::LoadError videoOnly;  // the load result with sound left out
    PlaybackPipeline::LoadError withSound;
};

constexpr auto kLoaded = PlaybackPipeline::LoadSucceeded;
constexpr auto kNotOpened = PlaybackPipeline::OpenFailed;
// Good files of every container, sound only, no known length, and broken ones.
const Clip kClips[] = {
    {"h264_aac.mp4", kLoaded, kLoaded},      {"vp9_opus.webm", kLoaded, kLoaded},
    {"mjpeg.mov", kLoaded, kLoaded},         {"mpeg4_mp3.avi", kLoaded, kLoaded},
    {"tone_stereo_44100.mp3", PlaybackPipeline::NoSupportedCodec, kLoaded}, {"theora_vorbis.ogg", kLoaded, kLoaded},
    {"raw.h264", kLoaded, kLoaded},          {"truncated.mp4", kLoaded, kLoaded},
    {"subtitles.mkv", kLoaded, kLoaded},     {"empty.mp4", kNotOpened, kNotOpened},
    {"text.avi", kNotOpened, kNotOpened},    {"missing.mp4", kNotOpened, kNotOpened},
};

class Cycles : public ::testing::Test {
protected:
    void SetUp() override { random_.seed(stress::seed()); }

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    double uniform(double from, double to) { return std::uniform_real_distribution<double>(from, to)(random_); }
    void check(bool passed, const std::string& what)
    {
        if (passed)
            ++checks_;
        else
            ADD_FAILURE() << "cycle " << cycle_ << ": " << what;
    }

    std::mt19937 random_;
    int cycle_ = 0;
    int checks_ = 0;
};

TEST_F(Cycles, PipelinesLoadPlaySeekAndCloseLeavingNothingBehind)
{
    enum Ending { Close, Destroy, Reload };
    int endings[3] = {};
    std::unique_ptr<PlaybackPipeline> pipeline;
    int lastShown = -1;
    stress::Census baseline;
    // Cycle 0 plays sound with a decoder thread and is closed: what it leaves is the sound
    // server's connection, which the process keeps, so it sets the baseline.
    for (cycle_ = 0; cycle_ <= stress::cycles() && !HasFailure(); ++cycle_) {
        const bool warmUp = cycle_ == 0;
        const Clip& clip = warmUp ? kClips[0] : kClips[pick(static_cast<int>(std::size(kClips)))];
        const bool threaded = warmUp || pick(4) != 0;
        const bool videoOnly = !warmUp && pick(2) == 0;
        if (!pipeline || pick(3) == 0) {
            pipeline = std::make_unique<PlaybackPipeline>();
            QObject::connect(pipeline.get(), &PlaybackPipeline::videoFrameReady, pipeline.get(),
                             [&](std::shared_ptr<FFmpeg::Frame> frame) { lastShown = TestMedia::frameNumberOf(*frame); });
        }
        pipeline->setThreadingEnabled(threaded);
        lastShown = -1;
        SCOPED_TRACE(std::string(clip.name) + (threaded ? ", decoder thread" : ", one thread")
                     + (videoOnly ? ", video only" : ", with sound"));

        const PlaybackPipeline::LoadError loaded =
            pipeline->loadFile(QString::fromStdString(TestMedia::path(clip.name)), videoOnly);
        check(loaded == (videoOnly ? clip.videoOnly : clip.withSound), "load result " + std::to_string(loaded));
        if (pipeline->mediaStatus() == PlaybackPipeline::LoadedMedia && pipeline->duration() > 0) {
            // A paused seek shows the picture the seek rules give.
            const double target = uniform(0.0, pipeline->duration());
            pipeline->seek(target);
            const int expected = pipeline->hasValidVideo() ? TestMedia::pictureAfterSeekRun(clip.name, target) : -1;
            if (expected >= 0)
                check(TestMedia::waitUntil([&] { return lastShown == expected; }),
                      "after a seek to " + std::to_string(target) + " s frame " + std::to_string(lastShown)
                          + " shows, not " + std::to_string(expected));
            // Then it plays, forwards or backwards, is sought again while playing, and is cut short.
            const double rates[] = {1.0, 1.0, 2.0, 0.5, -1.0};
            pipeline->setPlaybackRate(rates[pick(static_cast<int>(std::size(rates)))]);
            pipeline->play();
            QTest::qWait(pick(kPlayAtMostMs));
            pipeline->seek(uniform(0.0, pipeline->duration()));
            QTest::qWait(pick(kPlayAtMostMs));
        }

        const Ending ending = warmUp ? Close : static_cast<Ending>(pick(3));
        ++endings[ending];
        if (ending == Close) {
            check(pipeline->close() == 0 && pipeline->mediaStatus() == PlaybackPipeline::NoMedia, "close");
        } else if (ending == Destroy) {
            pipeline.reset();
        } else {
            continue;  // the next load closes it
        }
        if (warmUp)
            baseline = stress::quietCensus();
        const std::string left = stress::leftOver(baseline);
        check(left.empty(), left);
    }
    pipeline.reset();
    const std::string left = stress::leftOver(baseline);
    check(left.empty(), "the last pipeline " + left);
    std::printf("stress cycles: %d pipeline load-play-seek-close cycles (%d closed, %d destroyed, %d reloaded), "
                "%d checks passed\n",
                cycle_ - 1, endings[Close], endings[Destroy], endings[Reload], checks_);
    std::fflush(stdout);
}

TEST_F(Cycles, NodesReadPlayedAndDroppedLeavingNothingBehind)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const char* clips[] = {"mjpeg.mov", "h264_aac.mp4", "vp9_opus.webm", "missing.mp4"};
    constexpr double kStart = 100.0;
    const std::string list = writeFile(folder, "items.lst",
                                       "ReferenceYear 2026\n"
                                       "video \"" + mediaPath("mjpeg.mov") + "\" startTime=100\n"
                                       "video \"" + mediaPath("h264_aac.mp4") + "\" startTime=101\n"
                                       "video \"" + mediaPath("theora_vorbis.ogg") + "\" startTime=103\n");
    orvCore::SimulationClock clock;
    const osg::ref_ptr<orvVis::ProjectorTexture> texture = new orvVis::ProjectorTexture;
    QTimer frameLoop;
    QObject::connect(&frameLoop, &QTimer::timeout, [&] { clock.update(); });
    stress::Census baseline;
    for (cycle_ = 1; cycle_ <= stress::cycles() && !HasFailure(); ++cycle_) {
        const bool fromList = pick(3) == 0;
        const char* clip = clips[pick(static_cast<int>(std::size(clips)))];
        SCOPED_TRACE(fromList ? std::string("playlist file") : std::string(clip));
        osg::ref_ptr<osg::Switch> node;
        if (fromList) {
            osg::ref_ptr<MediaPlayer2::PlaylistNode> playlist = MediaPlayer2::PlaylistNode::loadLstFile(list, nullptr);
            playlist->bindToClock(clock);
            node = playlist;
        } else {
            const osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock);
            if (pick(2) == 0)
                options->setPluginData("ProjectorTextureProvider", texture.get());
            const std::string tmd = writeTmd(folder, "clip.tmd", mediaPath(clip), kStart);
            osg::ref_ptr<osg::Node> read = osgDB::readRefNodeFile(tmd, options.get());
            ASSERT_TRUE(read.valid() && read->asSwitch()) << "osgdb_tmd not found on OSG_LIBRARY_PATH";
            node = read->asSwitch();
        }
        const osg::observer_ptr<osg::Switch> watchedNode = node.get();
        std::vector<osg::observer_ptr<osg::Node>> children;
        for (unsigned i = 0; i < node->getNumChildren(); ++i)
            children.emplace_back(node->getChild(i));

        // Placed by a stopped clock, the first child shows the picture the seek rules give.
        clock.stop();
        const double position = uniform(0.0, 1.9);
        clock.setTime(at(kStart + position));
        const auto* quad = dynamic_cast<const MediaPlayer2::VideoQuad*>(node->getChild(0));
        const int expected = fromList || std::string(clip) != "missing.mp4"
            ? TestMedia::pictureAfterSeekRun(fromList ? "mjpeg.mov" : clip, position)
            : -1;
        if (quad && expected >= 0)
            check(QTest::qWaitFor([&] { return FrameStamp::read(*quad->image()) == expected; }),
                  "at " + std::to_string(position) + " s frame " + std::to_string(FrameStamp::read(*quad->image()))
                      + " shows, not " + std::to_string(expected));
        // Then the clock runs, jumps, and the node is dropped while it runs.
        clock.update();
        clock.playForward();
        frameLoop.start(kClockUpdateMs);
        QTest::qWait(pick(kPlayAtMostMs));
        clock.setTime(at(kStart + uniform(-1.0, 4.0)));
        QTest::qWait(pick(kPlayAtMostMs));
        node = nullptr;
        check(!watchedNode.valid(), "the node outlived its last reference");
        for (const auto& child : children)
            check(!child.valid(), "a child outlived its node");
        QTest::qWait(pick(kPlayAtMostMs));  // the clock goes on without the node
        frameLoop.stop();
        if (cycle_ == 1)  // sets the baseline, as the pipelines' first cycle does
            baseline = stress::quietCensus();
        const std::string left = stress::leftOver(baseline);
        check(left.empty(), left);
    }
    std::printf("stress cycles: %d node read-play-drop cycles, %d checks passed\n", cycle_ - 1, checks_);
    std::fflush(stdout);
}

}  // namespace
