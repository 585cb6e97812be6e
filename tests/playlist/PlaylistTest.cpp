#include "playlist/Playlist.h"

#include "playlist/PlaylistEntry.h"
#include "support/PlaylistSignalRecorder.h"
#include "support/RecordingMediaFile.h"
#include "support/TestTime.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using MediaPlayer2::ClockState;
using MediaPlayer2::MediaParameters;
using MediaPlayer2::Playlist;
using MediaPlayer2::PlaylistEntry;
using orvCore::TimeStamp;
using testsupport::at;
using testsupport::clockState;
using testsupport::exactText;
using testsupport::RecordingMediaFileFactory;
using testsupport::RecordingProfile;
using ::testing::ElementsAre;
using Lines = std::vector<std::string>;

namespace {

Lines concat(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Lines announced(const std::string& name)
{
    return {"playlist: mediaActivated(" + name + ", 640x480)", "playlist: entryActivated(" + name + ")"};
}

/// An active entry in any clock state but forward real time.
Lines pausedAt(const std::string& name, double position, double delta = 1.0)
{
    return concat({announced(name),
                   {name + ": seekTo(" + exactText(position) + ", " + exactText(delta) + ")",
                    name + ": seekTo(" + exactText(position) + ", 0)", name + ": pause()", name + ": show()",
                    "playlist: mediaPlaying(null)"}});
}

/// An entry outside its window.
Lines parkedAt(const std::string& name, double position)
{
    return {name + ": seekTo(" + exactText(position) + ", 0)", name + ": pause()"};
}

/// A playlist with entries on recording media whose commands share one journal with the playlist's
/// signals. (A run of a real clock through a QtClock is the end-to-end test of the building suite.)
class PlaylistTest : public ::testing::Test {
protected:
    /// An entry whose media position 0 is its start time, on media lasting 60 s.
    std::shared_ptr<PlaylistEntry> makeEntry(const std::string& name, double start, double stop,
                                             RecordingProfile profile = lasting(60.0))
    {
        MediaParameters params;
        params.setFilename(name);
        params.setFileType(MediaParameters::VIDEO);
        params.setTimeZero(at(start));
        params.setStartTime(at(start));
        params.setStopTime(stop < 0 ? TimeStamp() : at(stop));
        factory_.setProfile(QString::fromStdString(name), profile);
        auto entry = std::make_shared<PlaylistEntry>();
        entry->loadMedia(params, factory_);
        return entry;
    }

    std::shared_ptr<PlaylistEntry> add(const std::string& name, double start, double stop,
                                       RecordingProfile profile = lasting(60.0))
    {
        auto entry = makeEntry(name, start, stop, profile);
        EXPECT_EQ(playlist_.addEntry(entry), 0);
        return entry;
    }

    static RecordingProfile lasting(double seconds)
    {
        RecordingProfile profile;
        profile.duration = seconds;
        return profile;
    }

    /// The journal of one clock state handed straight to the playlist, and the playlist's answer.
    Lines drive(const ClockState& state, int expectedActive)
    {
        journal().clear();
        EXPECT_EQ(playlist_.setClockState(state), expectedActive);
        return journal();
    }

    /// The journal of whatever the clock does during one action.
    template <typename Action>
    Lines whileClock(Action action)
    {
        journal().clear();
        action();
        return journal();
    }

    Lines& journal() { return *factory_.journal(); }

    Playlist playlist_;
    RecordingMediaFileFactory factory_;
    testsupport::PlaylistSignalRecorder recorder_{factory_.journal(), playlist_};
};

}  // namespace

TEST_F(PlaylistTest, EntriesWithATakenStartTimeOrHandedOverAgainAreRefusedButStillRelayedOnce)
{
    const auto first = add("a.mp4", 10, 20);
    const auto second = makeEntry("b.mp4", 10, 30);
    journal().clear();
    EXPECT_EQ(playlist_.addEntry(second), 1);
    EXPECT_TRUE(journal().empty()) << "a refused entry's media gets no audio settings";
    EXPECT_EQ(playlist_.addEntry(first), 1);
    EXPECT_EQ(playlist_.addEntry(nullptr), 1);
    QList<std::shared_ptr<PlaylistEntry>> entries;
    playlist_.getPlaylistEntries(entries);
    EXPECT_EQ(entries, QList<std::shared_ptr<PlaylistEntry>>{first});

    second->setClockState(clockState(at(25), orvCore::STOP));
    EXPECT_THAT(journal(), ::testing::IsSupersetOf(announced("b.mp4")));
    EXPECT_EQ(drive(clockState(at(12), orvCore::STOP), 1),
              concat({pausedAt("a.mp4", 2), {"playlist: mediaActiveChanged(true)"}}));
}

TEST_F(PlaylistTest, AudioSettingsReachEveryMediaFileInStartOrderAtOnceAndOnlyWhenTheyChange)
{
    add("c.mp4", 30, 40);
    EXPECT_THAT(journal(), ElementsAre("c.mp4: setMedia(c.mp4)", "c.mp4: setVolume(100)", "c.mp4: setMuted(false)"));
    add("a.mp4", 10, 20);
    factory_.refuse("none.mp4");
    add("none.mp4", 50, 60);
    EXPECT_TRUE(whileClock([this] { playlist_.setMuted(false); }).empty());
    EXPECT_TRUE(whileClock([this] { playlist_.setVolume(100); }).empty());
    EXPECT_THAT(whileClock([this] { playlist_.setMuted(true); }),
                ElementsAre("a.mp4: setMuted(true)", "c.mp4: setMuted(true)"));
    EXPECT_TRUE(whileClock([this] { playlist_.setMuted(true); }).empty());
    EXPECT_THAT(whileClock([this] { playlist_.setVolume(30); }),
                ElementsAre("a.mp4: setVolume(30)", "c.mp4: setVolume(30)"));

    EXPECT_THAT(whileClock([this] { add("b.mp4", 20, 30); }),
                ElementsAre("b.mp4: setMedia(b.mp4)", "b.mp4: setVolume(30)", "b.mp4: setMuted(true)"));
    EXPECT_THAT(whileClock([this] { playlist_.setVolume(0); }),
                ElementsAre("a.mp4: setVolume(0)", "b.mp4: setVolume(0)", "c.mp4: setVolume(0)"));
}

TEST_F(PlaylistTest, OverlappingWindowsAreAnnouncedInStartOrderBeforeMediaBecomesActive)
{
    // Added latest first: the order comes from the start times.
    add("c.mp4", 50, 60);
    add("b.mp4", 15, 40);
    add("a.mp4", 10, 20);
    EXPECT_FALSE(playlist_.isMediaActive());
    EXPECT_EQ(drive(clockState(at(16), orvCore::STOP), 2),
              concat({pausedAt("a.mp4", 6), pausedAt("b.mp4", 1), parkedAt("c.mp4", 0),
                      {"playlist: mediaActiveChanged(true)"}}));
    EXPECT_TRUE(playlist_.isMediaActive());
    EXPECT_EQ(drive(clockState(at(17), orvCore::STOP), 2),
              concat({pausedAt("a.mp4", 7), pausedAt("b.mp4", 2), parkedAt("c.mp4", 0)}));
}

TEST_F(PlaylistTest, EveryStateInAGapAnnouncesNoEntryButMediaGoesInactiveOnce)
{
    EXPECT_THAT(drive(clockState(at(1)), 0), ElementsAre("playlist: entryActivated(null)"));  // empty
    add("a.mp4", 10, 20);
    add("b.mp4", 50, 60);
    drive(clockState(at(12), orvCore::STOP), 1);
    EXPECT_EQ(drive(clockState(at(45), orvCore::STOP), 0),
              concat({parkedAt("a.mp4", 60), parkedAt("b.mp4", 0),
                      {"playlist: mediaActiveChanged(false)", "playlist: entryActivated(null)"}}));
    EXPECT_FALSE(playlist_.isMediaActive());
    EXPECT_EQ(drive(clockState(at(46), orvCore::STOP), 0),
              concat({parkedAt("a.mp4", 60), parkedAt("b.mp4", 0), {"playlist: entryActivated(null)"}}));
}

TEST_F(PlaylistTest, EntriesStillLoadingAreSkippedButCountInTheTimeRange)
{
    EXPECT_FALSE(playlist_.timeRange().isValid());
    RecordingProfile later = lasting(60.0);
    later.loading = RecordingProfile::Loading::Later;
    add("a.mp4", 10, 20, later);
    EXPECT_THAT(drive(clockState(at(12), orvCore::STOP), 0), ElementsAre("playlist: entryActivated(null)"));
    factory_.file("a.mp4")->completeLoading();
    EXPECT_EQ(drive(clockState(at(12), orvCore::STOP), 1),
              concat({pausedAt("a.mp4", 2), {"playlist: mediaActiveChanged(true)"}}));

    add("b.mp4", 15, 40);
    add("c.mp4", 5, 50, later);
    EXPECT_EQ(playlist_.timeRange().begin(), at(5));
    EXPECT_EQ(playlist_.timeRange().end(), at(50));
    add("open.mp4", 60, -1, RecordingProfile{});
    EXPECT_FALSE(playlist_.timeRange().isValid());
}

TEST_F(PlaylistTest, HideWhenNotPlayingSignalsOnlyChanges)
{
    EXPECT_TRUE(whileClock([this] { playlist_.setHideWhenNotPlaying(false); }).empty());
    EXPECT_THAT(whileClock([this] { playlist_.setHideWhenNotPlaying(true); }),
                ElementsAre("playlist: hideWhenNotPlayingChanged(true)"));
    EXPECT_TRUE(whileClock([this] { playlist_.setHideWhenNotPlaying(true); }).empty());
}
