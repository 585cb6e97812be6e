#include "playlist/Playlist.h"

#include "orvCore/SimulationClock.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/QtClock.h"
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
using MediaPlayer2::QtClock;
using orvCore::Seconds;
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

/// An active entry while the clock runs forward in real time.
Lines playingAt(const std::string& name, double position, double rate, double delta = 1.0)
{
    const std::string seek = name + ": seekTo(" + exactText(position) + ", " + exactText(delta) + ")";
    return concat({announced(name),
                   {seek, seek, name + ": setPlaybackRate(" + exactText(rate) + ")", name + ": play()",
                    name + ": show()", "playlist: mediaPlaying(null)"}});
}

/// An entry outside its window.
Lines parkedAt(const std::string& name, double position)
{
    return {name + ": seekTo(" + exactText(position) + ", 0)", name + ": pause()"};
}

/// A playlist driven by a simulation clock through a QtClock, with entries on recording media whose
/// commands share one journal with the playlist's signals.
class PlaylistTest : public ::testing::Test {
protected:
    PlaylistTest() { QObject::connect(&qtClock_, &QtClock::tick, &playlist_, &Playlist::setClockState); }

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

    orvCore::SimulationClock clock_;
    QtClock qtClock_{clock_};
    Playlist playlist_;
    RecordingMediaFileFactory factory_;
    testsupport::PlaylistSignalRecorder recorder_{factory_.journal(), playlist_};
};

}  // namespace

TEST_F(PlaylistTest, ASecondEntryWithTheSameStartTimeIsRefusedButStillRelayed)
{
    const auto first = add("a.mp4", 10, 20);
    const auto second = makeEntry("b.mp4", 10, 30);
    journal().clear();

    EXPECT_EQ(playlist_.addEntry(second), 1);
    EXPECT_TRUE(journal().empty()) << "a refused entry's media gets no audio settings";
    QList<std::shared_ptr<PlaylistEntry>> entries;
    playlist_.getPlaylistEntries(entries);
    EXPECT_EQ(entries, QList<std::shared_ptr<PlaylistEntry>>{first});

    second->setClockState(clockState(at(25), orvCore::STOP));
    EXPECT_THAT(journal(), ::testing::IsSupersetOf(announced("b.mp4")));
    EXPECT_EQ(playlist_.addEntry(nullptr), 1);
}

TEST_F(PlaylistTest, AnEntryHandedOverAgainIsRelayedOnce)
{
    const auto entry = add("a.mp4", 10, 20);
    EXPECT_EQ(playlist_.addEntry(entry), 1);
    EXPECT_EQ(drive(clockState(at(12), orvCore::STOP), 1),
              concat({pausedAt("a.mp4", 2), {"playlist: mediaActiveChanged(true)"}}));
}

TEST_F(PlaylistTest, NewEntriesTakeThePlaylistsAudioSettingsAtOnce)
{
    add("a.mp4", 0, 10);
    EXPECT_THAT(journal(), ElementsAre("a.mp4: setMedia(a.mp4)", "a.mp4: setVolume(100)", "a.mp4: setMuted(false)"));

    playlist_.setMuted(true);
    playlist_.setVolume(30);
    journal().clear();
    add("b.mp4", 10, 20);
    EXPECT_THAT(journal(), ElementsAre("b.mp4: setMedia(b.mp4)", "b.mp4: setVolume(30)", "b.mp4: setMuted(true)"));
    EXPECT_TRUE(playlist_.isMuted());
}

TEST_F(PlaylistTest, AudioSettingsReachEveryMediaFileInStartOrderOnlyWhenTheyChange)
{
    add("c.mp4", 30, 40);
    add("a.mp4", 10, 20);
    factory_.refuse("none.mp4");
    add("none.mp4", 50, 60);
    add("b.mp4", 20, 30);

    EXPECT_TRUE(whileClock([this] { playlist_.setMuted(false); }).empty());
    EXPECT_TRUE(whileClock([this] { playlist_.setVolume(100); }).empty());
    EXPECT_THAT(whileClock([this] { playlist_.setMuted(true); }),
                ElementsAre("a.mp4: setMuted(true)", "b.mp4: setMuted(true)", "c.mp4: setMuted(true)"));
    EXPECT_TRUE(whileClock([this] { playlist_.setMuted(true); }).empty());
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

TEST_F(PlaylistTest, AnEmptyPlaylistAnswersEveryStateWithNoEntry)
{
    EXPECT_TRUE(playlist_.isEmpty());
    EXPECT_THAT(drive(clockState(at(1)), 0), ElementsAre("playlist: entryActivated(null)"));
    EXPECT_THAT(drive(clockState(at(2)), 0), ElementsAre("playlist: entryActivated(null)"));
    EXPECT_FALSE(playlist_.isMediaActive());
}

TEST_F(PlaylistTest, EntriesStillLoadingAreSkippedByClockStates)
{
    RecordingProfile later = lasting(60.0);
    later.loading = RecordingProfile::Loading::Later;
    add("a.mp4", 10, 20, later);
    EXPECT_THAT(drive(clockState(at(12), orvCore::STOP), 0), ElementsAre("playlist: entryActivated(null)"));

    factory_.file("a.mp4")->completeLoading();
    EXPECT_EQ(drive(clockState(at(12), orvCore::STOP), 1),
              concat({pausedAt("a.mp4", 2), {"playlist: mediaActiveChanged(true)"}}));
}

TEST_F(PlaylistTest, TheTimeRangeSpansAllRecordsAsTheyStand)
{
    EXPECT_FALSE(playlist_.timeRange().isValid());

    add("a.mp4", 10, 20);
    add("b.mp4", 15, 40);
    EXPECT_EQ(playlist_.timeRange().begin(), at(10));
    EXPECT_EQ(playlist_.timeRange().end(), at(40));

    RecordingProfile later = lasting(60.0);
    later.loading = RecordingProfile::Loading::Later;
    add("c.mp4", 5, 50, later);
    EXPECT_EQ(playlist_.timeRange().begin(), at(5));
    EXPECT_EQ(playlist_.timeRange().end(), at(50));

    add("open.mp4", 60, -1, RecordingProfile{});
    EXPECT_FALSE(playlist_.timeRange().isValid());
}

TEST_F(PlaylistTest, HideWhenNotPlayingSignalsOnlyChanges)
{
    EXPECT_FALSE(playlist_.hideWhenNotPlaying());
    EXPECT_TRUE(whileClock([this] { playlist_.setHideWhenNotPlaying(false); }).empty());
    EXPECT_THAT(whileClock([this] { playlist_.setHideWhenNotPlaying(true); }),
                ElementsAre("playlist: hideWhenNotPlayingChanged(true)"));
    EXPECT_TRUE(whileClock([this] { playlist_.setHideWhenNotPlaying(true); }).empty());
    EXPECT_TRUE(playlist_.hideWhenNotPlaying());

    playlist_.setName("evening");
    EXPECT_EQ(playlist_.name(), "evening");
}

TEST_F(PlaylistTest, AScriptedClockRunGivesExactlyTheMediaCallsAndSignals)
{
    add("a.mp4", 10, 20, lasting(10.0));
    clock_.setStepSize(Seconds(0.5));

    // Stopped, real time: paused at the clock's position.
    EXPECT_EQ(whileClock([this] { clock_.setTime(at(12)); }),
              concat({pausedAt("a.mp4", 2), {"playlist: mediaActiveChanged(true)"}}));
    EXPECT_EQ(whileClock([this] { clock_.setTimeScale(2.0); }), pausedAt("a.mp4", 2));

    // Forward in real time: plays by itself at the clock's scale.
    EXPECT_EQ(whileClock([this] { clock_.playForward(); }), playingAt("a.mp4", 2, 2.0));
    EXPECT_TRUE(whileClock([this] { clock_.update(1000.0); }).empty());
    EXPECT_EQ(whileClock([this] { clock_.update(1000.25); }), playingAt("a.mp4", 2.5, 2.0));

    // Reverse: paused, placed exactly on every change.
    EXPECT_EQ(whileClock([this] { clock_.playReverse(); }), pausedAt("a.mp4", 2.5));
    EXPECT_EQ(whileClock([this] { clock_.update(1000.5); }), pausedAt("a.mp4", 2));

    // A jump past the window parks the media at its end.
    EXPECT_EQ(whileClock([this] { clock_.setTime(at(30)); }),
              concat({parkedAt("a.mp4", 10),
                      {"playlist: mediaActiveChanged(false)", "playlist: entryActivated(null)"}}));

    // Forward but not in real time: paused again once back inside.
    EXPECT_EQ(whileClock([this] { clock_.setRealTime(false); }),
              concat({parkedAt("a.mp4", 10), {"playlist: entryActivated(null)"}}));
    EXPECT_EQ(whileClock([this] { clock_.setTime(at(15)); }),
              concat({pausedAt("a.mp4", 5), {"playlist: mediaActiveChanged(true)"}}));
    EXPECT_EQ(whileClock([this] { clock_.playForward(); }), pausedAt("a.mp4", 5));
    EXPECT_EQ(whileClock([this] { clock_.update(); }), pausedAt("a.mp4", 5.5));

    // Back to real time: playing again.
    EXPECT_EQ(whileClock([this] { clock_.setRealTime(true); }), playingAt("a.mp4", 5.5, 2.0));
}
