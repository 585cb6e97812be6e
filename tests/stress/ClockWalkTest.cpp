// A seeded random walk of the host clock (jumps, to windows' edges too, nudges, reverse play, scale
// changes, real time on and off, stops and steps) over a playlist of clips and a still image whose
// windows overlap and leave gaps, and over clips read from TMD files through the plugin. After every
// step each node has the child of its latest-starting active item on (or keeps it between windows),
// projects the latest active video (a blank between windows) and shows the picture for the clock's
// time: while the clock stands or is placed, the seek rules' picture; while it runs forward in real
// time, pictures in order and near the clock.
#include "TestMedia.h"
#include "support/ReaderRig.h"
#include "support/StressRun.h"

#include "common/FrameStamp.h"
#include "ffmpeg/FormatContext.h"
#include "orvVis/ClockOptions.h"
#include "orvVis/ProjectorTexture.h"
#include "plugin/PlaylistNode.h"
#include "media/VideoQuad.h"

#include <osgDB/ReadFile>

#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace readerrig;
using orvCore::TimeStamp;

namespace {

// The walk's span, seconds into the test year; the items lie inside it.
constexpr double kWalkFrom = 98.0;
constexpr double kWalkTo = 116.0;
// The host's frame loop: how often it updates the clock while the clock runs.
constexpr int kClockUpdateMs = 10;
// Far longer than a paused seek takes to show; reached only when a picture never comes.
constexpr int kSettleGuardMs = 20000;
// A running item may drift by its allowable delta before it is re-sought; its picture may also
// trail by the time a re-seek takes to show and lead by the time since the last clock update.
// Both slacks per unit of clock scale.
constexpr double kBehindSlack = 0.5;
constexpr double kAheadSlack = 0.1;
// A running item's picture must have caught up with the clock within this much clock time.
constexpr double kCatchUpSeconds = 1.5;

struct Item {
    std::string clip;  // a generated clip; empty for the still image
    TimeStamp start;
    TimeStamp stop;
    TimeStamp timeZero;
    double duration = 0.0;  // of the clip
    bool followsRunningClock = true;
    double allowableDelta = 1.0;

    bool isVideo() const { return !clip.empty(); }
    bool isInside(const TimeStamp& t) const { return !(t < start) && !(t > stop); }
    // Where the item's media is placed for the clock time: its start before its window, its end
    // after it, else the clock's position kept to the media.
    double placedAt(const TimeStamp& t) const
    {
        return t < start ? 0.0 : t > stop ? duration : std::clamp((t - timeZero).toDouble(), 0.0, duration);
    }
};

Item videoItem(const std::string& clip, double start, std::optional<double> stop = std::nullopt,
               std::optional<double> timeZero = std::nullopt)
{
    FFmpeg::FormatContext context;
    Item item;
    item.clip = clip;
    item.duration = context.open(mediaPath(clip)) == 0 ? context.duration() : 0.0;
    item.start = at(start);
    item.timeZero = at(timeZero.value_or(start));
    item.stop = stop ? at(*stop) : item.timeZero + orvCore::Seconds(item.duration);
    return item;
}

// The pictures a paused seek may leave on show: the seek rules' one (by FFmpeg alone) or, when the
// seek interrupted a read-ahead burst that the packet source carries on from the new position, a
// later one up to the frame due at the target. None when the seek shows no picture of its own.
struct HeldPicture {
    int rules = -1;
    int due = -1;

    bool isKnown() const { return rules >= 0; }
    bool admits(int frame) const { return frame >= rules && frame <= std::max(rules, due); }
};

HeldPicture heldPictureOf(const std::string& clip, double target)
{
    static std::map<std::pair<std::string, double>, HeldPicture> known;
    const auto [found, isNew] = known.try_emplace({clip, target});
    if (isNew)
        found->second = {TestMedia::pictureAfterSeekRun(clip, target), TestMedia::frameNumberAt(target)};
    return found->second;
}

// A node under watch: its items in child order, the projector texture it feeds, and the child and
// projected picture the clock's history leaves.
struct Watched {
    std::string name;
    osg::ref_ptr<osg::Switch> node;
    std::vector<Item> items{};
    osg::ref_ptr<orvVis::ProjectorTexture> texture = new orvVis::ProjectorTexture;
    std::optional<unsigned> expectedOn{};  // none: every child, as before the first activation
    std::optional<unsigned> projected{};   // the item whose picture the texture shows; none: blank

    // The latest-starting active item's child goes on and the latest active video is projected (a
    // still image leaves the texture as it was); with none active the switch keeps what it had and
    // the texture goes blank.
    void follow(const TimeStamp& t)
    {
        bool anyActive = false;
        for (unsigned i = 0; i < items.size(); ++i)
            if (items[i].isInside(t)) {
                anyActive = true;
                expectedOn = i;
                if (items[i].isVideo())
                    projected = i;
            }
        if (!anyActive)
            projected.reset();
    }
    bool projectsAsExpected() const
    {
        const auto* quad =
            projected ? dynamic_cast<const MediaPlayer2::VideoQuad*>(node->getChild(*projected)) : nullptr;
        return quad ? texture->image() == quad->image() : isBlank(*texture);
    }
    std::set<unsigned> expectedChildren() const
    {
        std::set<unsigned> all;
        for (unsigned i = 0; i < items.size(); ++i)
            all.insert(i);
        return expectedOn ? std::set<unsigned>{*expectedOn} : all;
    }
    int frameOf(unsigned child) const
    {
        const auto* quad = dynamic_cast<const MediaPlayer2::VideoQuad*>(node->getChild(child));
        return quad ? FrameStamp::read(*quad->image()) : -1;
    }
};

std::string describe(const orvCore::SimulationClock& clock)
{
    const char* directions[] = {"forward", "reverse", "stopped"};
    return std::to_string((clock.currentTime() - at(0)).toDouble()) + " s, " + directions[clock.timeDirection()]
        + (clock.isRealTime() ? ", real time x" : ", stepping, scale ") + std::to_string(clock.timeScale());
}

struct Figures {
    int steps = 0;
    int checks = 0;
    int heldPictures = 0;
    int runningSamples = 0;
    int notByRules = 0;    // held pictures the seek rules leave open (a seek that shows none)
    int pastTheRules = 0;  // held pictures a carried-on read-ahead moved past the rules' picture
};

// One picture of a running item, as the host's frame loop saw it.
struct Sample {
    TimeStamp time;
    double scale;
    std::optional<unsigned> child;  // the one child on
    int frame;
};

class ClockWalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        ASSERT_TRUE(picture.save(folder_.filePath("still.png")));
        writeFile(folder_, "placed.tmd",
                  "ReferenceYear 2026\nMediaFileName \"" + mediaPath("vp9_opus.webm")
                      + "\"\nMediaStartTime 105.5\nHandleRealtimeForwardCase false\n");
        writeFile(folder_, "tight.tmd",
                  "ReferenceYear 2026\nMediaFileName \"" + mediaPath("h264_aac.mkv")
                      + "\"\nMediaStartTime 111\nAllowableDelta 0.5\n");
        // Two clips overlapping, a gap, a still image overlapping a clip placed from a TMD file
        // whose first frame lies before its window, a clip cut short by its stop time, a gap, a
        // clip with a tighter allowable delta.
        const std::string list = writeFile(folder_, "walk.lst",
                                           "ReferenceYear 2026\n"
                                           "video \"" + mediaPath("mjpeg.mov") + "\" startTime=100\n"
                                           "video \"" + mediaPath("h264_aac.mp4") + "\" startTime=101\n"
                                           "image still.png startTime=105 stopTime=106.5\n"
                                           "video placed.tmd startTime=106\n"
                                           "video \"" + mediaPath("theora_vorbis.ogg") + "\" startTime=108 stopTime=109.5\n"
                                           "video tight.tmd startTime=111\n");
        const osg::ref_ptr<MediaPlayer2::PlaylistNode> node = MediaPlayer2::PlaylistNode::loadLstFile(list, nullptr);
        node->bindToClock(clock_);
        Watched playlist{"playlist", node};
        node->setProjectorTexture(playlist.texture.get());
        Item still;
        still.start = at(105);
        still.stop = at(106.5);
        Item placed = videoItem("vp9_opus.webm", 106, std::nullopt, 105.5);
        placed.followsRunningClock = false;
        Item tight = videoItem("h264_aac.mkv", 111);
        tight.allowableDelta = 0.5;
        playlist.items = {videoItem("mjpeg.mov", 100), videoItem("h264_aac.mp4", 101), still, placed,
                          videoItem("theora_vorbis.ogg", 108, 109.5), tight};
        ASSERT_EQ(node->getNumChildren(), playlist.items.size());
        watched_.push_back(playlist);

        // Single clips as a host reads them: through the registry and the plugin.
        for (const auto& [clip, start] : {std::pair{"mjpeg.mov", 102.5}, std::pair{"mpeg4_mp3.avi", 109.0}}) {
            Watched single{clip, nullptr, {videoItem(clip, start)}};
            const osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock_);
            options->setPluginData("ProjectorTextureProvider", single.texture.get());
            const std::string tmd = writeTmd(folder_, std::string(clip) + ".tmd", mediaPath(clip), start);
            osg::ref_ptr<osg::Node> node = osgDB::readRefNodeFile(tmd, options.get());
            ASSERT_TRUE(node.valid() && node->asSwitch()) << "osgdb_tmd not found on OSG_LIBRARY_PATH";
            single.node = node->asSwitch();
            watched_.push_back(single);
        }
        for (const Watched& one : watched_)
            for (const Item& item : one.items)
                ASSERT_TRUE(!item.isVideo() || item.duration > 0) << item.clip;

        QObject::connect(&frameLoop_, &QTimer::timeout, [this] { updateClock(); });
    }

    // The host's wall time flows while the clock runs forward in real time and while the frame
    // loop runs; it stands while a held clock is checked, so that the clock set running again
    // starts from where it was, not from the time checks took.
    double hostWallTime() const { return (wallBefore_ + (wallFlowing_ ? wall_.elapsed() : 0)) / 1000.0; }
    void setWallFlowing(bool flowing)
    {
        if (flowing == wallFlowing_)
            return;
        if (flowing)
            wall_.start();
        else
            wallBefore_ += wall_.elapsed();
        wallFlowing_ = flowing;
    }
    bool runsByItself() const { return clock_.timeDirection() == orvCore::FORWARD && clock_.isRealTime(); }

    void updateClock()
    {
        clock_.update(hostWallTime());
        followClock();
        if (runsByItself())
            for (std::size_t i = 0; i < watched_.size(); ++i) {
                const std::set<unsigned> on = childrenOn(*watched_[i].node);
                const std::optional<unsigned> child =
                    on.size() == 1 ? std::optional<unsigned>(*on.begin()) : std::nullopt;
                samples_[i].push_back({clock_.currentTime(), clock_.timeScale(), child,
                                       child ? watched_[i].frameOf(*child) : -1});
            }
    }

    // After anything that may have ticked: every node's child and projected picture go by the
    // clock's time, at once.
    void followClock()
    {
        for (Watched& one : watched_) {
            one.follow(clock_.currentTime());
            if (childrenOn(*one.node) != one.expectedChildren())
                fail(one.name + ": children " + ::testing::PrintToString(childrenOn(*one.node)) + " on, not "
                     + ::testing::PrintToString(one.expectedChildren()));
            else if (!one.projectsAsExpected())
                fail(one.name + ": the projector texture does not show "
                     + (one.projected ? "the picture of child " + std::to_string(*one.projected) : "a blank"));
            else
                ++figures_.checks;
        }
    }

    void runFrameLoop(int milliseconds)
    {
        setWallFlowing(true);
        frameLoop_.start(kClockUpdateMs);
        QTest::qWait(milliseconds);
        frameLoop_.stop();
        setWallFlowing(runsByItself());
    }

    // A clock that stands or is placed: each video child on shows exactly the seek rules' picture.
    void checkHeldPictures()
    {
        for (Watched& one : watched_) {
            std::vector<std::pair<unsigned, HeldPicture>> expected;
            for (unsigned child : one.expectedChildren()) {
                const Item& item = one.items[child];
                if (!item.isVideo())
                    continue;
                const HeldPicture picture = heldPictureOf(item.clip, item.placedAt(clock_.currentTime()));
                if (picture.isKnown())
                    expected.emplace_back(child, picture);
                else
                    ++figures_.notByRules;
            }
            const bool shown = QTest::qWaitFor(
                [&] {
                    return std::all_of(expected.begin(), expected.end(), [&](const auto& picture) {
                        return picture.second.admits(one.frameOf(picture.first));
                    });
                },
                kSettleGuardMs);
            for (const auto& [child, picture] : expected) {
                const int frame = one.frameOf(child);
                if (shown) {
                    ++figures_.checks;
                    ++figures_.heldPictures;
                    figures_.pastTheRules += frame != picture.rules;
                } else if (!picture.admits(frame)) {
                    fail(one.name + ": child " + std::to_string(child) + " shows frame " + std::to_string(frame)
                         + ", not " + std::to_string(picture.rules) + " (or up to " + std::to_string(picture.due)
                         + ") of " + one.items[child].clip + " placed at "
                         + std::to_string(one.items[child].placedAt(clock_.currentTime())) + " s");
                }
            }
        }
    }

    // The clock ran forward in real time: while an item plays by itself, once a new picture of it
    // has caught up with the clock (the picture it had may be left from long before), its pictures
    // go on in order and stay near the clock.
    void checkRunningPictures()
    {
        for (std::size_t i = 0; i < watched_.size(); ++i) {
            const Watched& one = watched_[i];
            int stretchChild = -1;  // the child whose playing picture is followed, -1 for none
            TimeStamp stretchFrom;
            int stretchFromFrame = -1;
            int last = -1;
            bool caughtUp = false;
            for (const Sample& sample : samples_[i]) {
                const Item* item = sample.child ? &one.items[*sample.child] : nullptr;
                if (!item || !item->isVideo() || !item->followsRunningClock || !item->isInside(sample.time)) {
                    stretchChild = -1;
                    continue;
                }
                if (stretchChild != static_cast<int>(*sample.child)) {
                    stretchChild = static_cast<int>(*sample.child);
                    stretchFrom = sample.time;
                    stretchFromFrame = sample.frame;
                    caughtUp = false;
                }
                const double position = (sample.time - item->timeZero).toDouble();
                const double frameTime = sample.frame / readerrig::kFrameRate;
                const double scale = std::max(1.0, sample.scale);
                const bool near = sample.frame >= 0 && frameTime <= position + item->allowableDelta + kAheadSlack * scale
                    && frameTime >= position - item->allowableDelta - kBehindSlack * scale;
                const std::string where = one.name + ": child " + std::to_string(*sample.child) + " at "
                    + std::to_string(position) + " s of " + item->clip + " shows frame " + std::to_string(sample.frame);
                if (!caughtUp) {
                    caughtUp = near && sample.frame != stretchFromFrame;
                    if (!caughtUp && (sample.time - stretchFrom).toDouble() > kCatchUpSeconds * scale)
                        return fail(where + ", which never caught up with the running clock");
                } else if (sample.frame < last) {
                    return fail(where + " after frame " + std::to_string(last));
                } else if (!near) {
                    return fail(where + ", away from the running clock");
                }
                if (caughtUp) {
                    last = sample.frame;
                    ++figures_.checks;
                    ++figures_.runningSamples;
                }
            }
        }
    }

    void fail(const std::string& what)
    {
        if (failure_.empty())
            failure_ = "step " + std::to_string(figures_.steps) + ", clock at " + describe(clock_) + ": " + what;
    }

    QTemporaryDir folder_;
    orvCore::SimulationClock clock_;
    std::vector<Watched> watched_;
    std::vector<std::vector<Sample>> samples_;
    QTimer frameLoop_;
    QElapsedTimer wall_;
    qint64 wallBefore_ = 0;
    bool wallFlowing_ = false;
    Figures figures_;
    std::string failure_;
};

TEST_F(ClockWalkTest, NodesFollowARandomWalkOfTheClock)
{
    const unsigned seed = stress::seed();
    std::mt19937 random(seed);
    auto uniform = [&](double from, double to) { return std::uniform_real_distribution<double>(from, to)(random); };
    auto pick = [&](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    // Window edges, where off-by-one faults live: every start and stop, and a frame or an instant
    // to either side.
    std::vector<TimeStamp> edges;
    for (const Watched& one : watched_)
        for (const Item& item : one.items)
            for (const TimeStamp& edge : {item.start, item.stop})
                for (double offset : {0.0, 1e-6, -1e-6, 0.04, -0.04})
                    edges.push_back(edge + orvCore::Seconds(offset));
    const double scales[] = {0.25, 0.5, 1.0, 1.0, 2.0, 3.0};
    const double steps[] = {0.04, 0.1, 0.25};

    clock_.setTime(at(kWalkFrom));
    followClock();
    QElapsedTimer walked;
    walked.start();
    while (walked.elapsed() < stress::walkSeconds() * 1000 && failure_.empty()) {
        ++figures_.steps;
        samples_.assign(watched_.size(), {});
        if (wallFlowing_)  // as a host's frame loop would have, up to now
            updateClock();
        const double now = (clock_.currentTime() - at(0)).toDouble();
        const int move = now < kWalkFrom || now > kWalkTo ? 0 : pick(10);
        switch (move) {
        case 0: clock_.setTime(at(uniform(kWalkFrom, kWalkTo))); break;
        case 1: clock_.setTime(edges[pick(static_cast<int>(edges.size()))]); break;
        case 2: clock_.setTime(clock_.currentTime() + orvCore::Seconds(uniform(-0.3, 0.3))); break;
        case 3: clock_.stop(); break;
        case 4: clock_.playForward(); break;
        case 5: clock_.playReverse(); break;
        case 6: clock_.setTimeScale(scales[pick(6)]); break;
        case 7: clock_.setRealTime(!clock_.isRealTime()); break;
        case 8: clock_.setStepSize(orvCore::Seconds(steps[pick(3)])); break;
        default: break;  // only the frame loop below moves the clock
        }
        followClock();
        setWallFlowing(runsByItself());
        if (runsByItself()) {
            runFrameLoop(static_cast<int>(uniform(300, 2500)));
            checkRunningPictures();
        } else {
            if (move == 9)
                runFrameLoop(static_cast<int>(uniform(20, 600)));
            checkHeldPictures();
        }
    }
    std::printf("stress clock walk: seed %u, %.1f minutes, %d clock steps, %d checks passed (%d held pictures, "
                "%d running samples), %d held pictures the seek rules leave open, %d moved past the rules' "
                "picture by a read-ahead\n",
                seed, walked.elapsed() / 60000.0, figures_.steps, figures_.checks, figures_.heldPictures,
                figures_.runningSamples, figures_.notByRules, figures_.pastTheRules);
    std::fflush(stdout);
    EXPECT_TRUE(failure_.empty()) << "seed " << seed << ", " << failure_;
}

}  // namespace
