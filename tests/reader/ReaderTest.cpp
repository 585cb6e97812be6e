#include "common/FrameStamp.h"
#include "media/VideoQuad.h"
#include "orvCore/SimulationClock.h"
#include "orvVis/ClockOptions.h"
#include "orvVis/ProjectorTexture.h"
#include "plugin/ActivateChild.h"
#include "plugin/PlaylistNode.h"
#include "playlist/PlaylistEntry.h"
#include "support/NotifyCapture.h"
#include "support/TestMedia.h"
#include "support/TextFiles.h"

#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <osgDB/ReadFile>
#include <osgDB/Registry>
#include <osgUtil/Optimizer>
#include <osgUtil/UpdateVisitor>

#include <algorithm>
#include <functional>
#include <set>

using MediaPlayer2::PlaylistNode;
using ReadResult = osgDB::ReaderWriter::ReadResult;
using TestMedia::at;
using Children = std::set<unsigned int>;

namespace {

Children childrenOn(const osg::Switch& node)
{
    Children on;
    for (unsigned int i = 0; i < node.getNumChildren(); ++i)
        if (node.getValue(i))
            on.insert(i);
    return on;
}

osg::Image* quadImage(const osg::Switch& node, unsigned int child)
{
    const auto* quad = dynamic_cast<const MediaPlayer2::VideoQuad*>(node.getChild(child));
    return quad ? quad->image() : nullptr;
}

bool isBlank(const orvVis::ProjectorTexture& texture)
{
    return texture.image() && !texture.image()->data();
}

class Reader : public ::testing::Test {
protected:
    /// The node read for a clip starting at 100 s, with the number of the picture on its quad.
    struct ClipNode {
        osg::ref_ptr<osg::Node> node;
        osg::Image* image = nullptr;
        int shown() const { return image ? FrameStamp::read(*image) : -1; }
    };
    ClipNode readClip(const std::string& media)
    {
        const osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock);
        ClipNode clip{osgDB::readRefNodeFile(tmd("clip.tmd", TestMedia::path(media), 100), options.get())};
        clip.image = clip.node ? quadImage(*clip.node->asSwitch(), 0) : nullptr;
        return clip;
    }
    std::string tmd(const std::string& name, const std::string& media, double start, const std::string& extra = "")
    {
        return files.write(name, "ReferenceYear 2026\nMediaFileName \"" + media + "\"\nMediaStartTime " +
                                     std::to_string(start) + "\n" + extra);
    }
    static osgDB::ReaderWriter* registeredReader()
    {
        osgDB::Registry* registry = osgDB::Registry::instance();
        registry->loadLibrary(registry->createLibraryNameForExtension("tmd"));
        return registry->getReaderWriterForExtension("tmd");
    }

    testsupport::TextFiles files;
    orvCore::SimulationClock clock;
};

}  // namespace

TEST_F(Reader, TheRegistryFindsTheNodeReaderByNameAndEveryFailureHasItsResult)
{
    osgDB::ReaderWriter* reader = registeredReader();
    ASSERT_NE(reader, nullptr) << "osgdb_tmd not found on OSG_LIBRARY_PATH";
    EXPECT_STREQ(reader->className(), "VESTRA TMD Loader");
    EXPECT_EQ(reader->supportedFeatures(), osgDB::ReaderWriter::FEATURE_READ_NODE);
    EXPECT_TRUE(reader->acceptsExtension("TMD") && !reader->acceptsExtension("bak"));
    const std::string bad = tmd("bad.tmd", TestMedia::path("mjpeg.mov"), 100, "PlaybackSpeed 2\n");
    const std::string missing = files.path("missing.tmd");
    const osg::ref_ptr<orvVis::ClockOptions> withClock = new orvVis::ClockOptions(&clock);
    const osg::ref_ptr<orvVis::ClockOptions> withoutClock = new orvVis::ClockOptions(nullptr);
    const osg::ref_ptr<osgDB::Options> plain = new osgDB::Options;
    const std::string noOptions = "Unable to process file, required orvVis::ClockOptions not found.";
    const std::vector<std::tuple<std::string, const osgDB::Options*, std::string, std::string>> failures = {
        {bad, nullptr, noOptions, ""},
        {bad, plain.get(), noOptions, ""},  // the options are checked before the file is read
        {bad, withoutClock.get(), "Unable to process file, required orvCore::Clock not found.", ""},
        {missing, withClock.get(), "Unsupported file type", "Unable to open file: " + missing + "\n"},
        {bad, withClock.get(), "Unsupported file type", "Unrecognized token or invalid number of parameters: PlaybackSpeed\n"},
    };
    for (const auto& [file, options, message, notified] : failures) {
        testsupport::NotifyCapture notify(2);
        ReadResult result = osgDB::Registry::instance()->readNode(file, options);
        EXPECT_EQ(result.status(), ReadResult::ERROR_IN_READING_FILE) << message;
        EXPECT_EQ(result.message(), message);
        EXPECT_FALSE(result.validNode());
        EXPECT_EQ(notify.text(), notified) << message;
    }
    EXPECT_EQ(reader->readNode(bad + ".bak", withClock.get()).status(), ReadResult::FILE_NOT_HANDLED);

    // A node is read from any case of the extension, also for media that cannot be opened, and a
    // projector texture handed over starts blank.
    const osg::ref_ptr<orvVis::ProjectorTexture> texture = new orvVis::ProjectorTexture;
    withClock->setPluginData("ProjectorTextureProvider", texture.get());
    for (const std::string& file : {tmd("upper.TMD", TestMedia::path("mjpeg.mov"), 100), tmd("gone.tmd", files.path("gone.mov"), 100)}) {
        const osg::ref_ptr<osg::Node> node = osgDB::readRefNodeFile(file, withClock.get());
        ASSERT_NE(dynamic_cast<PlaylistNode*>(node.get()), nullptr) << file;
        EXPECT_EQ(node->asSwitch()->getNumChildren(), 1u);
    }
    EXPECT_TRUE(isBlank(*texture));
}

TEST_F(Reader, TheLatestStartingActiveItemIsOnAndFeedsTheProjectorWithItsVideo)
{
    // Two overlapping two-second clips, then after a gap a still image: children 0, 1 and 2. A
    // rejected line and an item starting at the same time as another get no child.
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    const std::string still = files.path("still.png");
    ASSERT_TRUE(picture.save(QString::fromStdString(still)));
    const std::string clip = "video \"" + TestMedia::path("mjpeg.mov") + "\" ";
    orvCore::SimulationClock other;  // a host's clocks outlive the nodes bound to them
    const osg::ref_ptr<PlaylistNode> node = PlaylistNode::loadLstFile(
        files.write("items.lst", "ReferenceYear 2026\n" + clip + "startTime=100\n" + clip + "speed=2\n" + clip +
                                     "startTime=100\n" + clip + "startTime=101\nimage \"" + still +
                                     "\" startTime=110 stopTime=112\n"),
        nullptr);
    ASSERT_EQ(node->getNumChildren(), 3u);
    const osg::ref_ptr<orvVis::ProjectorTexture> texture = new orvVis::ProjectorTexture;
    node->setProjectorTexture(texture.get());
    node->bindToClock(clock);
    const std::vector<std::tuple<double, Children, osg::Image*>> walk = {
        {100.5, {0}, quadImage(*node, 0)}, {101.5, {1}, quadImage(*node, 1)},  // the later start wins
        {100.2, {0}, quadImage(*node, 0)}, {102.0, {1}, quadImage(*node, 1)},  // the first clip's stop time
        {105.0, {1}, nullptr},  // a gap: the last child stays, the texture goes blank
        {111.0, {2}, nullptr},  // a still image never reaches the texture
    };
    for (const auto& [seconds, on, projected] : walk) {
        clock.setTime(at(seconds));
        EXPECT_EQ(childrenOn(*node), on) << seconds;
        EXPECT_TRUE(projected ? texture->image() == projected : isBlank(*texture)) << seconds;
    }
    // Only the latest clock drives the node; a new texture starts blank.
    node->bindToClock(other);
    other.setTime(at(100.5));
    clock.setTime(at(111.0));
    EXPECT_EQ(childrenOn(*node), Children{0});
    const osg::ref_ptr<orvVis::ProjectorTexture> second = new orvVis::ProjectorTexture;
    node->setProjectorTexture(second.get());
    EXPECT_TRUE(isBlank(*second));
    EXPECT_EQ(osg::ref_ptr<PlaylistNode>(PlaylistNode::loadLstFile(files.path("missing.lst"), nullptr))->getNumChildren(), 0u);
}

TEST_F(Reader, AnActiveItemWithoutAChildHidesTheOthersOnlyWhenAskedTo)
{
    for (const bool hide : {true, false}) {
        const osg::ref_ptr<osg::Switch> node = new osg::Switch;
        node->addChild(new osg::Group);
        MediaPlayer2::ActivateChild activateChild(node.get());
        activateChild.setHideWhenNotPlaying(hide);
        const MediaPlayer2::PlaylistEntry shown, windowed;  // the second shows in a window of its own
        activateChild.map(&shown, 0);
        activateChild.activate(&shown);
        activateChild.activate(&windowed);
        EXPECT_EQ(childrenOn(*node), hide ? Children{} : Children{0}) << hide;
    }
}

TEST_F(Reader, AStoppedClockShowsTheFrameForItsTimeInEveryFormat)
{
    // How each codes its times: pictures reordered (MP4, MKV), open groups of pictures whose leading
    // pictures need the group before, no reordering, every picture a key frame, a clock that starts
    // at 1.4 s (MPEG-TS), frames left out.
    struct Format {
        const char* name;
        double seconds;
        bool leavesOutFrames = false;
    };
    const Format formats[] = {{"h264_aac.mp4", 3}, {"h264_aac.mkv", 3}, {"hevc_aac.mp4", 2}, {"vp9_opus.webm", 2},
                              {"mpeg4_mp3.avi", 2}, {"mjpeg.mov", 2}, {"theora_vorbis.ogg", 2}, {"h264.ts", 4},
                              {"vfr.mp4", 2, true}};
    for (const Format& format : formats) {
        const double first = TestMedia::firstPictureTime(format.name);
        const auto exact = [&](double t) {
            const int frame = TestMedia::frameAt(t - first, int(format.seconds * TestMedia::kFrameRate) - 1);
            return format.leavesOutFrames && frame % 5 == 2 ? frame - 1 : frame;
        };
        clock.setTime(at(100));
        const ClipNode clip = readClip(format.name);
        // Loaded at its start; then frame times and a microsecond before them, key frames, the end,
        // jumps back into earlier groups of pictures and to the start.
        for (double t : {0.0, 0.04, 0.999999, 1.0, 1.52, 0.36, 0.92, 1.9, format.seconds - 1e-6, 1.08, 0.0, 0.12}) {
            clock.setTime(at(100 + t));
            EXPECT_TRUE(TestMedia::waitUntil([&] { return clip.shown() == exact(t); }, 5000))
                << format.name << " at " << t << " shows " << clip.shown() << ", not " << exact(t);
            TestMedia::runEventsFor(30);
            EXPECT_EQ(clip.shown(), exact(t)) << format.name << " at " << t << ": a late picture replaced it";
        }
    }
}

TEST_F(Reader, TheNodeFollowsTheClockForwardsStepByStepAndBackwardsAndLetsGoOfItWhenItGoes)
{
    ClipNode clip = readClip("h264_aac.mp4");  // pictures reordered, a key frame every second
    ASSERT_NE(clip.image, nullptr);
    clock.setTime(at(100.2));
    EXPECT_TRUE(TestMedia::waitUntil([&] { return clip.shown() == TestMedia::frameAt(0.2); }));
    std::vector<std::pair<double, int>> samples;
    QTimer frameLoop;  // the clock advanced as a host's frame loop would
    QObject::connect(&frameLoop, &QTimer::timeout, [&] {
        clock.update();
        samples.emplace_back((clock.currentTime() - at(100)).toDouble(), clip.shown());
    });
    const auto playUntil = [&](const std::function<bool()>& reached) {
        samples.clear();
        frameLoop.start(10);
        EXPECT_TRUE(TestMedia::waitUntil(reached, 10000));
        frameLoop.stop();
        clock.stop();
    };
    clock.playForward();
    playUntil([&] { return clock.currentTime() >= at(101.6); });
    for (std::size_t i = 1; i < samples.size(); ++i) {
        EXPECT_GE(samples[i].second, samples[i - 1].second) << samples[i].first;
        EXPECT_LE(samples[i].second, TestMedia::frameAt(samples[i].first) + 1) << samples[i].first;
        EXPECT_GE(samples[i].second, TestMedia::frameAt(samples[i].first - 1.1)) << "within the allowable delta";
    }
    EXPECT_GE(samples.back().second - samples.front().second, 25);

    // Steps of a frame over a key frame and back, each showing its own picture.
    clock.setTime(at(101.88));
    clock.setStepSize(orvCore::Seconds(0.04));
    clock.setRealTime(false);
    for (int step = 0; step < 12; ++step) {
        step < 6 ? clock.playForward() : clock.playReverse();
        clock.update();
        const double t = (clock.currentTime() - at(100)).toDouble();
        EXPECT_TRUE(TestMedia::waitUntil([&] { return clip.shown() == TestMedia::frameAt(t); })) << "step to " << t;
    }
    clock.stop();
    clock.setRealTime(true);

    // Backwards over a key frame: each picture earlier than the last, none before the clock's.
    clock.playReverse();
    playUntil([&] { return clock.currentTime() <= at(100.4); });
    for (std::size_t i = 1; i < samples.size(); ++i) {
        EXPECT_LE(samples[i].second, samples[i - 1].second) << samples[i].first;
        EXPECT_GE(samples[i].second, TestMedia::frameAt(samples[i].first)) << samples[i].first;
    }
    const double stoppedAt = (clock.currentTime() - at(100)).toDouble();
    EXPECT_TRUE(TestMedia::waitUntil([&] { return clip.shown() == TestMedia::frameAt(stoppedAt); })) << stoppedAt << " shows " << clip.shown();
    clip.node = nullptr;
    clock.update();  // nobody left to hear it
}

TEST_F(Reader, WithTheOwnClockWordTheNodePlaysByItsUpdateTraversalAlone)
{
    // As a stock viewer reads it: no clock, no event loop of the host's; only update traversals.
    const osg::ref_ptr<osgDB::Options> options = new osgDB::Options("noTriStripPolygons ownClock");
    const osg::ref_ptr<osg::Node> node =
        osgDB::readRefNodeFile(tmd("own.tmd", TestMedia::path("h264_aac.mp4"), 100), options.get());
    ASSERT_TRUE(node && node->asGroup() && node->asGroup()->getNumChildren() == 1);
    const auto* playlist = dynamic_cast<const PlaylistNode*>(node->asGroup()->getChild(0));
    ASSERT_NE(playlist, nullptr);
    osg::Image* image = quadImage(*playlist, 0);
    ASSERT_NE(image, nullptr);
    // osgviewer optimises what it loads, after which a texture lets go of a static image once it
    // is uploaded: the quad would show its first picture for ever.
    osgUtil::Optimizer().optimize(node.get());
    EXPECT_EQ(image->getDataVariance(), osg::Object::DYNAMIC);
    osgUtil::UpdateVisitor update;
    std::vector<int> shown;
    QElapsedTimer playing;
    playing.start();
    while (playing.elapsed() < 1500) {
        node->accept(update);
        shown.push_back(FrameStamp::read(*image));
        QThread::msleep(16);
    }
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GE(shown.back(), TestMedia::frameAt(1.2)) << "the clip plays from its first frame in real time";
    EXPECT_LE(shown.back(), TestMedia::frameAt(1.6));

    // The word does not stand in for a host's clock options, nor does another word.
    const osg::ref_ptr<osgDB::Options> otherWord = new osgDB::Options("ownClocks");
    EXPECT_EQ(osgDB::readRefNodeFile(tmd("other.tmd", TestMedia::path("h264_aac.mp4"), 100), otherWord.get()),
              nullptr);
    const osg::ref_ptr<osgDB::Options> hostClock = new orvVis::ClockOptions(&clock);
    hostClock->setOptionString("ownClock");
    EXPECT_NE(dynamic_cast<PlaylistNode*>(osgDB::readRefNodeFile(tmd("host.tmd", TestMedia::path("mjpeg.mov"), 100),
                                                                 hostClock.get()).get()),
              nullptr);
}
