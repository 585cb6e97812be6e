#include "playlist/PlaylistEntry.h"

#include "media/MediaFile.h"
#include "support/PlaylistSignalRecorder.h"
#include "support/RecordingMediaFile.h"
#include "support/TestTime.h"

#include <QWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

using MediaPlayer2::ClockState;
using MediaPlayer2::MediaParameters;
using MediaPlayer2::PlaylistEntry;
using orvCore::FORWARD;
using orvCore::INFINITE_TIME_STAMP;
using orvCore::REAL_TIME_ON;
using orvCore::STOP;
using orvCore::TimeStamp;
using testsupport::at;
using testsupport::clockState;
using testsupport::ONE_MICROSECOND;
using testsupport::RecordingMediaFile;
using testsupport::RecordingProfile;
using ::testing::ElementsAre;
using Lines = std::vector<std::string>;

namespace {

MediaParameters record(const TimeStamp& timeZero, const TimeStamp& start, const TimeStamp& stop)
{
    MediaParameters params;
    params.setFileType(MediaParameters::VIDEO);
    params.setFilename("clip.mp4");
    params.setTimeZero(timeZero);
    params.setStartTime(start);
    params.setStopTime(stop);
    params.setAllowableDelta(0.25);
    return params;
}

RecordingProfile lasting(std::optional<double> seconds, bool late = false)
{
    RecordingProfile profile;
    profile.duration = seconds;
    profile.loading = late ? RecordingProfile::Loading::Later : RecordingProfile::Loading::AtOnce;
    return profile;
}

/// An entry on a recording factory whose file and own signals share one journal.
class PlaylistEntryTest : public ::testing::Test {
protected:
    void load(const MediaParameters& params, const RecordingProfile& profile = lasting(30.0))
    {
        factory_.setProfile(QString::fromStdString(params.filename()), profile);
        entry_.loadMedia(params, factory_);
    }

    RecordingMediaFile& media() { return *factory_.file("clip.mp4"); }

    /// What the media file and the entry did for one clock state, and the entry's answer.
    Lines drive(const ClockState& state, bool expectActive)
    {
        journal().clear();
        EXPECT_EQ(entry_.setClockState(state), expectActive);
        return journal();
    }

    Lines& journal() { return *factory_.journal(); }

    void SetUp() override { testsupport::recordSignals(factory_.journal(), entry_, "entry"); }

    testsupport::RecordingMediaFileFactory factory_;
    PlaylistEntry entry_;
};

/// What an active entry does: announce itself, seek (coarsely, then exactly when paused), play or
/// pause, and show the media.
Lines activation(const std::string& position, bool playing, const std::string& rate = "1")
{
    Lines lines = {"entry: mediaActivated(clip.mp4, 640x480)", "entry: entryActivated(clip.mp4)",
                   "clip.mp4: seekTo(" + position + ", 0.25)"};
    if (playing)
        lines.insert(lines.end(), {"clip.mp4: seekTo(" + position + ", 0.25)", "clip.mp4: setPlaybackRate(" + rate + ")",
                                   "clip.mp4: play()"});
    else
        lines.insert(lines.end(), {"clip.mp4: seekTo(" + position + ", 0)", "clip.mp4: pause()"});
    lines.insert(lines.end(), {"clip.mp4: show()", "entry: mediaPlaying(null)"});
    return lines;
}

}  // namespace

TEST_F(PlaylistEntryTest, LoadingCompletesOnlyAMissingStopTimeFromTheDuration)
{
    load(record(at(5), at(10), TimeStamp()), lasting(12.5));
    EXPECT_THAT(factory_.requests(), ElementsAre("loadMedia(clip.mp4, VIDEO)"));
    EXPECT_THAT(journal(), ElementsAre("clip.mp4: setMedia(clip.mp4)", "entry: loadingComplete()"));
    EXPECT_EQ(entry_.timeRange().end(), at(17.5));

    // A stop time before the start counts as missing; a given one stays, also one equal to the start.
    const std::tuple<TimeStamp, std::optional<double>, TimeStamp> cases[] = {
        {at(9), 12.5, at(17.5)}, {at(9), std::nullopt, INFINITE_TIME_STAMP}, {at(20), 100.0, at(20)}, {at(10), 1.0, at(10)}};
    for (const auto& [stop, duration, expected] : cases) {
        load(record(at(5), at(10), stop), lasting(duration));
        EXPECT_EQ(entry_.mediaParameters().stopTime(), expected);
    }
}

TEST_F(PlaylistEntryTest, AnEntryStillLoadingOrWithoutMediaIgnoresClockStates)
{
    load(record(at(0), at(10), TimeStamp()), lasting(8.0, true));
    EXPECT_FALSE(entry_.timeRange().isValid());
    EXPECT_THAT(drive(clockState(at(12)), false), ElementsAre());

    media().completeLoading();
    EXPECT_THAT(journal(), ElementsAre("entry: loadingComplete()"));
    EXPECT_THAT(drive(clockState(at(12)), false), ElementsAre("clip.mp4: seekTo(8, 0)", "clip.mp4: pause()"));

    factory_.refuse("clip.mp4");
    entry_.loadMedia(record(at(0), at(10), at(20)), factory_);
    EXPECT_EQ(entry_.mediaFile(), nullptr);
    EXPECT_THAT(drive(clockState(at(15)), false), ElementsAre());
}

TEST_F(PlaylistEntryTest, TheWindowIncludesBothEdgesAndParksTheMediaOutside)
{
    load(record(at(5), at(10), at(20)), lasting(30.0));
    EXPECT_THAT(drive(clockState(at(10) - ONE_MICROSECOND, STOP), false),
                ElementsAre("clip.mp4: seekTo(0, 0)", "clip.mp4: pause()"));
    EXPECT_EQ(drive(clockState(at(10), STOP), true), activation("5", false));
    EXPECT_EQ(drive(clockState(at(20), STOP), true), activation("15", false));
    // Parked at the media's own end, not at the window's.
    EXPECT_THAT(drive(clockState(at(20) + ONE_MICROSECOND, STOP), false),
                ElementsAre("clip.mp4: seekTo(30, 0)", "clip.mp4: pause()"));

    // An open window is active at every time, even before time zero.
    load(record(at(10), at(20), TimeStamp()), lasting(std::nullopt));
    EXPECT_EQ(drive(clockState(at(8), STOP), true), activation("-2", false));
    EXPECT_TRUE(entry_.setClockState(clockState(at(1e9), STOP)));
}

TEST_F(PlaylistEntryTest, ForwardRealTimePlaysAtTheClockScaleButAScaleOfZeroPausesExactly)
{
    // Stopped, reverse and not real-time states, and items that turn real-time playing off, are
    // paused in the end-to-end test of the building suite.
    load(record(at(5), at(10), at(20)));
    EXPECT_EQ(drive(clockState(at(12.5), FORWARD, REAL_TIME_ON, 2.0), true), activation("7.5", true, "2"));
    EXPECT_EQ(drive(clockState(at(12.5), FORWARD, REAL_TIME_ON, 0.0), true), activation("7.5", false));
}

TEST_F(PlaylistEntryTest, SignalsCarryTheCompletedRecordTheNativeSizeAskedLastAndTheMediaWindow)
{
    QWidget window;
    window.setObjectName("window");
    RecordingProfile profile = lasting(4.0);
    profile.nativeSize = QSize(1920, 1080);
    profile.outputWidget = &window;
    load(record(at(0), at(0), TimeStamp()), profile);
    TimeStamp announcedStop;
    std::string lastCallWhenAnnounced;
    QObject::connect(&entry_, &PlaylistEntry::mediaActivated, [&](const MediaParameters& p, const QSize&) {
        announcedStop = p.stopTime();
        lastCallWhenAnnounced = media().calls().back();
    });
    const Lines lines = drive(clockState(at(1)), true);
    EXPECT_EQ(announcedStop, at(4));
    EXPECT_EQ(lastCallWhenAnnounced, "nativeSize()");
    EXPECT_EQ(lines.front(), "entry: mediaActivated(clip.mp4, 1920x1080)");
    EXPECT_EQ(lines.back(), "entry: mediaPlaying(window)");
}
