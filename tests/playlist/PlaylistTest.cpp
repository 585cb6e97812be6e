// Edge cases of the playlist; a run of a real clock through a QtClock over a playlist read from a file
// (start order, overlapping windows, gaps, parking) is the end-to-end test of the building suite.

#include "playlist/Playlist.h"

#include "playlist/PlaylistEntry.h"
#include "support/PlaylistSignalRecorder.h"
#include "support/RecordingMediaFile.h"
#include "support/TestTime.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using MediaPlayer2::MediaParameters;
using MediaPlayer2::Playlist;
using MediaPlayer2::PlaylistEntry;
using testsupport::at;
using testsupport::clockState;
using testsupport::RecordingProfile;
using ::testing::ElementsAre;
using Lines = std::vector<std::string>;

namespace {

/// The journal of an active entry in any clock state but forward real time, with media position 0
/// at its start time.
Lines pausedAt(const std::string& name, const std::string& position)
{
    return {"playlist: mediaActivated(" + name + ", 640x480)", "playlist: entryActivated(" + name + ")",
            name + ": seekTo(" + position + ", 1)", name + ": seekTo(" + position + ", 0)", name + ": pause()",
            name + ": show()", "playlist: mediaPlaying(null)", "playlist: mediaActiveChanged(true)"};
}

/// A playlist with entries on recording media whose commands share one journal with the playlist's signals.
class PlaylistTest : public ::testing::Test {
protected:
    std::shared_ptr<PlaylistEntry> makeEntry(const std::string& name, double start, double stop, bool late = false)
    {
        MediaParameters params;
        params.setFilename(name);
        params.setFileType(MediaParameters::VIDEO);
        params.setTimeZero(at(start));
        params.setStartTime(at(start));
        params.setStopTime(stop < 0 ? orvCore::TimeStamp() : at(stop));
        RecordingProfile profile;
        profile.loading = late ? RecordingProfile::Loading::Later : RecordingProfile::Loading::AtOnce;
        factory_.setProfile(QString::fromStdString(name), profile);
        auto entry = std::make_shared<PlaylistEntry>();
        entry->loadMedia(params, factory_);
        return entry;
    }

    std::shared_ptr<PlaylistEntry> add(const std::string& name, double start, double stop, bool late = false)
    {
        auto entry = makeEntry(name, start, stop, late);
        EXPECT_EQ(playlist_.addEntry(entry), 0);
        return entry;
    }

    /// The journal of whatever happens during one action.
    Lines during(const std::function<void()>& action)
    {
        journal().clear();
        action();
        return journal();
    }

    Lines& journal() { return *factory_.journal(); }

    void SetUp() override { testsupport::recordSignals(factory_.journal(), playlist_); }

    Playlist playlist_;
    testsupport::RecordingMediaFileFactory factory_;
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

    EXPECT_THAT(during([&] { second->setClockState(clockState(at(25), orvCore::STOP)); }),
                ::testing::Contains("playlist: entryActivated(b.mp4)"));
    EXPECT_EQ(during([&] { EXPECT_EQ(playlist_.setClockState(clockState(at(12), orvCore::STOP)), 1); }),
              pausedAt("a.mp4", "2"));
}

TEST_F(PlaylistTest, AudioSettingsReachEveryMediaFileInStartOrderAtOnceAndOnlyWhenTheyChange)
{
    add("c.mp4", 30, 40);
    EXPECT_THAT(journal(), ElementsAre("c.mp4: setMedia(c.mp4)", "c.mp4: setVolume(100)", "c.mp4: setMuted(false)"));
    add("a.mp4", 10, 20);
    factory_.refuse("none.mp4");
    add("none.mp4", 50, 60);
    EXPECT_TRUE(during([this] { playlist_.setMuted(false); }).empty());
    EXPECT_TRUE(during([this] { playlist_.setVolume(100); }).empty());
    EXPECT_THAT(during([this] { playlist_.setMuted(true); }), ElementsAre("a.mp4: setMuted(true)", "c.mp4: setMuted(true)"));
    EXPECT_TRUE(during([this] { playlist_.setMuted(true); }).empty());
    EXPECT_THAT(during([this] { playlist_.setVolume(30); }), ElementsAre("a.mp4: setVolume(30)", "c.mp4: setVolume(30)"));
    EXPECT_THAT(during([this] { add("b.mp4", 20, 30); }),
                ElementsAre("b.mp4: setMedia(b.mp4)", "b.mp4: setVolume(30)", "b.mp4: setMuted(true)"));
}

TEST_F(PlaylistTest, EntriesStillLoadingAreSkippedButCountInTheTimeRange)
{
    EXPECT_THAT(during([this] { EXPECT_EQ(playlist_.setClockState(clockState(at(1))), 0); }),
                ElementsAre("playlist: entryActivated(null)"));
    EXPECT_FALSE(playlist_.timeRange().isValid());
    add("a.mp4", 10, 20, true);
    add("c.mp4", 5, 50, true);
    EXPECT_THAT(during([this] { playlist_.setClockState(clockState(at(12), orvCore::STOP)); }),
                ElementsAre("playlist: entryActivated(null)"));
    EXPECT_EQ(playlist_.timeRange().begin(), at(5));
    EXPECT_EQ(playlist_.timeRange().end(), at(50));
    factory_.file("a.mp4")->completeLoading();
    EXPECT_EQ(during([this] { playlist_.setClockState(clockState(at(12), orvCore::STOP)); }), pausedAt("a.mp4", "2"));

    add("open.mp4", 60, -1);
    EXPECT_FALSE(playlist_.timeRange().isValid());
}
