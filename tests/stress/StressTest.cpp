// Long runs made short for ctest; scripts/soak runs them for minutes under the sanitizers through
// MP2_STRESS_SECONDS (the clock walk's wall seconds), MP2_STRESS_CYCLES (load-to-close cycles) and
// MP2_STRESS_SEED.
#include "common/FrameStamp.h"
#include "ffmpeg/PlaybackPipeline.h"
#include "media/VideoQuad.h"
#include "orvCore/SimulationClock.h"
#include "orvVis/ClockOptions.h"
#include "support/TestMedia.h"
#include "support/TextFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>
#include <osg/Switch>
#include <osgDB/ReadFile>

#include <cstdlib>
#include <random>

using TestMedia::at;

namespace {

double fromEnvironment(const char* name, double fallback)
{
    const char* text = std::getenv(name);
    return text && std::atof(text) > 0 ? std::atof(text) : fallback;
}

/// Threads and open files: what an object left behind would keep.
std::pair<int, int> census()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto count = [](const char* folder) { return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(); };
    return {count("/proc/self/task"), count("/proc/self/fd")};
}

class Stress : public ::testing::Test {
protected:
    /// A node read through the plugin from a TMD file naming the media, its first frame at `start`.
    osg::ref_ptr<osg::Node> read(const std::string& path, double start)
    {
        return osgDB::readRefNodeFile(files.write("clip.tmd", "ReferenceYear 2026\nMediaFileName \"" + path +
                                                                  "\"\nMediaStartTime " + std::to_string(start) + "\n"),
                                      options.get());
    }

    testsupport::TextFiles files;
    orvCore::SimulationClock clock;
    osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock);
    std::mt19937 random{unsigned(fromEnvironment("MP2_STRESS_SEED", 20260314))};
};

}  // namespace

// A seeded random walk of the host clock (jumps, reverse and forward play at several scales,
// non-real-time steps, nudges) over a node of an intra-only clip. After each step the clock stands
// still and the node shows the picture the seek rules give for the clock's time.
TEST_F(Stress, ANodeFollowsARandomWalkOfTheClock)
{
    const osg::ref_ptr<osg::Node> node = read(TestMedia::path("mjpeg.mov"), 100);
    ASSERT_TRUE(node.valid());
    const osg::Image& image = *static_cast<MediaPlayer2::VideoQuad*>(node->asSwitch()->getChild(0))->image();
    const auto uniform = [&](double from, double to) { return std::uniform_real_distribution<double>(from, to)(random); };
    QTimer frameLoop;
    QObject::connect(&frameLoop, &QTimer::timeout, [&] { clock.update(); });
    frameLoop.start(10);
    QElapsedTimer elapsed;
    elapsed.start();
    int steps = 0;
    for (; elapsed.elapsed() < fromEnvironment("MP2_STRESS_SECONDS", 3) * 1000 && !HasFailure(); ++steps) {
        const unsigned action = random() % 4;
        if (action == 0) {
            clock.setTime(at(uniform(98, 104)));
        } else if (action == 1) {
            clock.setTimeScale(random() % 2 ? 1.0 : 2.0);
            random() % 3 ? clock.playForward() : clock.playReverse();
            TestMedia::runEventsFor(int(uniform(50, 400)));
        } else if (action == 2) {
            clock.setRealTime(false);
            clock.playForward();
            clock.update();
            clock.setRealTime(true);
        } else {
            clock.setTime(clock.currentTime() + orvCore::Seconds(uniform(-0.1, 0.1)));
        }
        clock.stop();
        // Before its window the clip waits at its start, after it at its end.
        const double position = std::clamp((clock.currentTime() - at(100)).toDouble(), 0.0, 2.0);
        const int expected = TestMedia::frameAt(position, 49);
        EXPECT_TRUE(TestMedia::waitUntil([&] { return FrameStamp::read(image) == expected; }))
            << "step " << steps << " at " << position << " shows " << FrameStamp::read(image) << ", not " << expected;
    }
    std::printf("stress clock walk: %.1f min, %d steps, %d checks passed\n", elapsed.elapsed() / 60000.0, steps, steps);
}

// Every generated clip, whole, cut short (inside and just past its header, in the middle, a few bytes
// short of the end) or with bytes changed at seeded random places, is loaded, played at some rate,
// sought and closed, through a pipeline and through a node read by the plugin, and leaves no thread
// and no open file behind. A failure names the clip and the damage, which the same seed makes again.
TEST_F(Stress, DamagedAndWholeClipsLoadPlaySeekAndCloseLeavingNothingBehind)
{
    const char* clips[] = {"h264_aac.mp4", "h264_aac.mkv", "vp9_opus.webm", "mpeg4_mp3.avi", "mjpeg.mov",
                           "theora_vorbis.ogg", "odd_101x51.mp4", "tone_mono_22050.wav", "tone_stereo_44100.mp3",
                           "tone_51_48000.flac", "tone_stereo_44100.m4a", "stereo_then_mono.mp3", "subtitles.mkv",
                           "raw.h264", "avs2_mp3.avi", "mjpeg_mpegh.mov", "quadrants.mp4", "segments.wav"};
    std::pair<int, int> baseline;
    const int cycles = int(fromEnvironment("MP2_STRESS_CYCLES", 36));
    for (int cycle = 0; cycle <= cycles && !HasFailure(); ++cycle) {
        const std::string clip = clips[cycle == 0 ? 0 : random() % std::size(clips)];
        QFile original(QString::fromStdString(TestMedia::path(clip)));
        original.open(QIODevice::ReadOnly);
        QByteArray bytes = original.readAll();
        const int damage = cycle == 0 ? 0 : int(random() % 7);  // 0 whole, 1 to 4 cut, 5 and 6 changed
        const int cuts[] = {64, 700, bytes.size() / 2, bytes.size() - 5};
        if (damage >= 1 && damage <= 4)
            bytes.truncate(cuts[damage - 1]);
        for (int i = 0; damage >= 5 && i < bytes.size(); i += 1 + int(random() % (damage == 5 ? 50 : 2000)))
            bytes[i] = char(random());
        const std::string copy = files.write(std::to_string(cycle) + "-" + clip, bytes.toStdString());
        SCOPED_TRACE(clip + ", damage " + std::to_string(damage) + ", seed " + std::to_string(cycle));
        {
            FFmpeg::PlaybackPipeline pipeline;
            pipeline.setThreadingEnabled(random() % 4 != 0 || cycle == 0);
            const auto result = pipeline.loadFile(QString::fromStdString(copy), cycle != 0 && random() % 2);
            EXPECT_EQ(pipeline.hasValidAudio() || pipeline.hasValidVideo(),
                      result != FFmpeg::PlaybackPipeline::OpenFailed && result != FFmpeg::PlaybackPipeline::NoSupportedCodec);
            pipeline.setPlaybackRate(std::vector<double>{1.0, 2.0, 0.5, -1.0}[random() % 4]);
            pipeline.seek(pipeline.duration() / 2);
            pipeline.play();
            TestMedia::runEventsFor(int(random() % 200));
            pipeline.seek(0.5);
            if (random() % 2)
                pipeline.close();
        }
        {
            const osg::ref_ptr<osg::Node> node = read(copy, 0);
            clock.setTime(at(0.5));
            clock.playForward();
            clock.update();
            TestMedia::runEventsFor(int(random() % 100));
            clock.stop();
        }
        if (cycle == 0) {  // the first cycle opens the sound server's connection, which stays
            TestMedia::runEventsFor(300);
            baseline = census();
        }
        EXPECT_TRUE(TestMedia::waitUntil([&] { return census().first <= baseline.first && census().second <= baseline.second; }))
            << "left threads or files behind: " << census().first - baseline.first << " threads, "
            << census().second - baseline.second << " files";
    }
    std::printf("stress cycles: %d\n", 2 * cycles);
}
