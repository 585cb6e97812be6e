// A playlist file read into a playlist that follows a simulation clock, checked call by call: every media
// command and every playlist signal of a scripted clock run, in the one order they happened.

#include "loaders/PlaylistFileLoader.h"
#include "orvCore/SimulationClock.h"
#include "playlist/BuildToPlaylist.h"
#include "playlist/Playlist.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/QtClock.h"
#include "support/NotifyCapture.h"
#include "support/RecordingMediaFile.h"
#include "support/TextFiles.h"

#include <QFileInfo>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace MediaPlayer2;
using testsupport::exactText;
using testsupport::RecordingMediaFileFactory;
using testsupport::RecordingProfile;
using Lines = std::vector<std::string>;

namespace {

constexpr int YEAR = 2030;

orvCore::TimeStamp at(double secondsIntoYear)
{
    return orvCore::TimeStamp(YEAR, orvCore::Seconds(secondsIntoYear));
}

std::string baseName(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// What an entry does with its media for one clock state: parked before or after its window, or
// announced, placed and shown inside it (played at the rate only when the clock runs forward in real
// time, else paused).
Lines before(const std::string& name)
{
    return {name + ": seekTo(0, 0)", name + ": pause()"};
}

Lines after(const std::string& name, double duration)
{
    return {name + ": seekTo(" + exactText(duration) + ", 0)", name + ": pause()"};
}

Lines active(const std::string& name, const std::string& size, double position, double delta, double rate = 0)
{
    const std::string seek = name + ": seekTo(" + exactText(position) + ", " + exactText(delta) + ")";
    Lines lines = {"mediaActivated(" + name + ", " + size + ")", "entryActivated(" + name + ")", seek};
    if (rate > 0)
        lines.insert(lines.end(), {seek, name + ": setPlaybackRate(" + exactText(rate) + ")", name + ": play()"});
    else
        lines.insert(lines.end(), {name + ": seekTo(" + exactText(position) + ", 0)", name + ": pause()"});
    lines.insert(lines.end(), {name + ": show()", "mediaPlaying(null)"});
    return lines;
}

Lines join(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const char* const PLAYLIST = "# scripted show\n"
                             "ReferenceYear 2030\n"
                             "HideWhenNoMediaPlaying 0\n"
                             "video intro.mp4 startTime=100 x=0 width=640\n"
                             "audio narration.wav startTime=110 stopTime=115\n"
                             "video broken.mp4 startTime=soon\n"
                             "image map.png startTime=130 stopTime=140 alwaysOnTop=1\n"
                             "image logo.png speed=2\n"
                             "video cam.tmd startTime=125   // the camera's first frame is at 120\n"
                             "audio missing.tmd\n"
                             "video intro-copy.mp4 startTime=100\n"
                             "bookmark show.bmk\n";

const char* const CAMERA_TMD = "ReferenceYear 2030\n"
                               "MediaFileName cam.mp4\n"
                               "MediaStartTime 120\n"
                               "HandleRealtimeForwardCase false\n"
                               "AllowableDelta 0.5\n";

class PlaylistEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        files.write("show/cam.tmd", CAMERA_TMD);
        const auto profile = [](std::optional<double> duration, bool late = false, QSize size = {640, 480}) {
            RecordingProfile made;
            made.duration = duration;
            made.loading = late ? RecordingProfile::Loading::Later : RecordingProfile::Loading::AtOnce;
            made.nativeSize = size;
            return made;
        };
        maker.setProfile(mediaPath("intro.mp4"), profile(20.0));
        maker.setProfile(mediaPath("narration.wav"), profile(30.0, true));
        maker.setProfile(mediaPath("map.png"), profile(std::nullopt, false, QSize(800, 600)));
        maker.setProfile(mediaPath("cam.mp4"), profile(10.0));

        QObject::connect(&playlist, &Playlist::mediaActivated, [this](const MediaParameters& item, const QSize& size) {
            note("mediaActivated(" + baseName(item.filename()) + ", " + std::to_string(size.width()) + "x" +
                 std::to_string(size.height()) + ")");
        });
        QObject::connect(&playlist, &Playlist::entryActivated, [this](const PlaylistEntry* entry) {
            note("entryActivated(" + (entry ? baseName(entry->mediaParameters().filename()) : "null") + ")");
        });
        QObject::connect(&playlist, &Playlist::mediaPlaying, [this](QWidget* widget) {
            note(widget ? "mediaPlaying(widget)" : "mediaPlaying(null)");
        });
        QObject::connect(&playlist, &Playlist::mediaActiveChanged, [this](bool active) {
            note(active ? "mediaActiveChanged(true)" : "mediaActiveChanged(false)");
        });
    }

    QString mediaPath(const std::string& name) const { return QString::fromStdString(files.path("show/" + name)); }

    void note(const std::string& line) { maker.journal()->push_back(line); }

    /// Media commands and playlist signals since the last call, with media named by file name only.
    Lines takeJournal()
    {
        const std::string folder = files.path("show") + "/";
        Lines lines;
        for (std::string line : *maker.journal()) {
            if (line.compare(0, folder.size(), folder) == 0)
                line.erase(0, folder.size());
            lines.push_back(line);
        }
        maker.journal()->clear();
        return lines;
    }

    testsupport::TextFiles files;
    RecordingMediaFileFactory maker;
    Playlist playlist;
};

}  // namespace

TEST_F(PlaylistEndToEndTest, PlaylistFileDrivesItsMediaThroughAScriptedClockRun)
{
    BuildToPlaylist builder(maker);

    // Reading: three bad lines are reported and skipped, the rest become entries that load at once.
    {
        testsupport::NotifyCapture errors(2);
        PlaylistFileLoader loader(builder);
        EXPECT_EQ(loader.loadFile(files.write("show/show.lst", PLAYLIST)), 3);
        const std::string missing = mediaPath("missing.tmd").toStdString();
        EXPECT_EQ(errors.text(), "Invalid startTime argument: soon\n"
                                 "Unrecognized tag: speed\n"
                                 "Unable to open file: " + missing + "\n" +
                                 "Unable to load TMD file: " + missing + "\n");
    }
    const std::pair<std::string, std::string> loaded[] = {
        {"intro.mp4", "VIDEO"}, {"narration.wav", "AUDIO"}, {"map.png", "IMAGE"}, {"cam.mp4", "VIDEO"}, {"intro-copy.mp4", "VIDEO"}};
    Lines requests;
    Lines transferred;
    for (const auto& [name, type] : loaded) {
        requests.push_back("loadMedia(" + files.path("show/" + name) + ", " + type + ")");
        transferred.push_back(name + ": setMedia(" + files.path("show/" + name) + ")");
    }
    EXPECT_EQ(maker.requests(), requests);
    EXPECT_EQ(builder.bookmarks(), Lines{files.path("show/show.bmk")});

    // Transfer in reading order: the copy of the intro shares its start time and is left out; the
    // others get the playlist's volume and mute setting.
    builder.transfer(&playlist);
    EXPECT_FALSE(playlist.hideWhenNotPlaying());
    for (const char* name : {"intro.mp4", "narration.wav", "map.png", "cam.mp4"})
        transferred.insert(transferred.end(), {name + std::string(": setVolume(100)"), name + std::string(": setMuted(false)")});
    EXPECT_EQ(takeJournal(), transferred);

    // The narration finishes loading only now; its window still counts.
    maker.file(mediaPath("narration.wav"))->completeLoading();
    EXPECT_EQ(playlist.timeRange().begin(), at(100));
    EXPECT_EQ(playlist.timeRange().end(), at(140));

    orvCore::SimulationClock clock;
    QtClock qtClock(clock);
    QObject::connect(&qtClock, &QtClock::tick, &playlist, &Playlist::setClockState);
    const std::string video = "640x480";
    const std::string picture = "800x600";

    // Stopped inside the intro: paused at its position.
    clock.setTime(at(105));
    EXPECT_EQ(takeJournal(), join({active("intro.mp4", video, 5, 1), before("narration.wav"), before("cam.mp4"),
                                   before("map.png"), {"mediaActiveChanged(true)"}}));

    // Forward in real time: the intro plays at the clock's rate.
    const Lines laterOnesWaiting = join({before("narration.wav"), before("cam.mp4"), before("map.png")});
    clock.playForward();
    EXPECT_EQ(takeJournal(), join({active("intro.mp4", video, 5, 1, 1), laterOnesWaiting}));
    clock.setTimeScale(2.0);
    EXPECT_EQ(takeJournal(), join({active("intro.mp4", video, 5, 1, 2), laterOnesWaiting}));

    // 3.75 s of wall time at twice real time: 112.5, inside the intro and the narration.
    clock.update(1000.0);
    EXPECT_TRUE(takeJournal().empty()) << "the first update only takes the wall time";
    clock.update(1003.75);
    EXPECT_EQ(takeJournal(), join({active("intro.mp4", video, 12.5, 1, 2), active("narration.wav", video, 2.5, 1, 2),
                                   before("cam.mp4"), before("map.png")}));

    // Stopped, then reverse: both paused at the clock's position.
    const Lines pausedAt112 = join({active("intro.mp4", video, 12.5, 1), active("narration.wav", video, 2.5, 1),
                                    before("cam.mp4"), before("map.png")});
    clock.stop();
    EXPECT_EQ(takeJournal(), pausedAt112);
    clock.playReverse();
    EXPECT_EQ(takeJournal(), pausedAt112);
    clock.update(1005.0);  // back 2.5 s to 110, the narration's first instant
    EXPECT_EQ(takeJournal(), join({active("intro.mp4", video, 10, 1), active("narration.wav", video, 0, 1),
                                   before("cam.mp4"), before("map.png")}));

    // A jump into the gap between the intro and the camera: everything parked, nothing active.
    const Lines allParkedAt122 = join({after("intro.mp4", 20), after("narration.wav", 30), before("cam.mp4"),
                                       before("map.png")});
    clock.setTime(at(122));
    EXPECT_EQ(takeJournal(), join({allParkedAt122, {"mediaActiveChanged(false)", "entryActivated(null)"}}));

    // Not in real time, forward: paused at every state, also on the windows' shared edge at 130.
    clock.setRealTime(false);
    EXPECT_EQ(takeJournal(), join({allParkedAt122, {"entryActivated(null)"}}));
    clock.playForward();
    EXPECT_EQ(takeJournal(), join({allParkedAt122, {"entryActivated(null)"}}));
    clock.setTime(at(130));
    EXPECT_EQ(takeJournal(), join({after("intro.mp4", 20), after("narration.wav", 30),
                                   active("cam.mp4", video, 10, 0.5), active("map.png", picture, 0, 1),
                                   {"mediaActiveChanged(true)"}}));
    clock.update(2000.0);  // one step of 0.1 s: the camera's window has closed
    EXPECT_EQ(takeJournal(), join({after("intro.mp4", 20), after("narration.wav", 30), after("cam.mp4", 10),
                                   active("map.png", picture, 0.1, 1)}));

    // Real time again: the map plays; the camera, whose TMD file turns real-time playing off, stays paused.
    clock.setRealTime(true);
    EXPECT_EQ(takeJournal(), join({after("intro.mp4", 20), after("narration.wav", 30), after("cam.mp4", 10),
                                   active("map.png", picture, 0.1, 1, 2)}));
    clock.setTime(at(127));
    EXPECT_EQ(takeJournal(), join({after("intro.mp4", 20), after("narration.wav", 30),
                                   active("cam.mp4", video, 7, 0.5), before("map.png")}));
}
