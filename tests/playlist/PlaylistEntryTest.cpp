#include "playlist/PlaylistEntry.h"

#include "media/MediaFile.h"
#include "support/PlaylistSignalRecorder.h"
#include "support/RecordingMediaFile.h"
#include "support/TestTime.h"

#include <QWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using MediaPlayer2::ClockState;
using MediaPlayer2::MediaParameters;
using MediaPlayer2::PlaylistEntry;
using orvCore::INFINITE_TIME_STAMP;
using orvCore::Seconds;
using orvCore::TimeStamp;
using testsupport::at;
using testsupport::clockState;
using testsupport::ONE_MICROSECOND;
using testsupport::RecordingMediaFile;
using testsupport::RecordingMediaFileFactory;
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

RecordingProfile lasting(double seconds)
{
    RecordingProfile profile;
    profile.duration = seconds;
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

    RecordingMediaFileFactory factory_;
    PlaylistEntry entry_;
    testsupport::PlaylistSignalRecorder recorder_{factory_.journal(), entry_, "entry"};
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
    EXPECT_TRUE(entry_.isLoadingComplete());
    EXPECT_EQ(entry_.timeRange().begin(), at(10));
    EXPECT_EQ(entry_.timeRange().end(), at(17.5));

    load(record(at(5), at(10), at(9)), lasting(12.5));  // a stop time before the start counts as missing
    EXPECT_EQ(entry_.mediaParameters().stopTime(), at(17.5));
    load(record(at(5), at(10), at(9)), RecordingProfile{});
    EXPECT_EQ(entry_.mediaParameters().stopTime(), INFINITE_TIME_STAMP);
    EXPECT_FALSE(entry_.timeRange().isValid());
    // A given stop time stays, whatever the media lasts, also one equal to the start time.
    load(record(at(0), at(10), at(20)), lasting(100.0));
    EXPECT_EQ(entry_.mediaParameters().stopTime(), at(20));
    load(record(at(0), at(10), at(10)), lasting(1.0));
    EXPECT_EQ(entry_.mediaParameters().stopTime(), at(10));
}

TEST_F(PlaylistEntryTest, AnEntryStillLoadingOrWithoutMediaIgnoresClockStates)
{
    RecordingProfile later = lasting(8.0);
    later.loading = RecordingProfile::Loading::Later;
    load(record(at(0), at(10), TimeStamp()), later);
    EXPECT_FALSE(entry_.isLoadingComplete());
    EXPECT_FALSE(entry_.timeRange().isValid());
    EXPECT_THAT(drive(clockState(at(12)), false), ElementsAre());

    media().completeLoading();
    EXPECT_THAT(journal(), ElementsAre("entry: loadingComplete()"));
    EXPECT_EQ(entry_.mediaParameters().stopTime(), at(8));
    EXPECT_THAT(drive(clockState(at(12)), false), ElementsAre("clip.mp4: seekTo(8, 0)", "clip.mp4: pause()"));

    factory_.refuse("clip.mp4");
    entry_.loadMedia(record(at(0), at(10), at(20)), factory_);
    EXPECT_EQ(entry_.mediaFile(), nullptr);
    EXPECT_FALSE(entry_.isLoadingComplete());
    EXPECT_THAT(drive(clockState(at(15)), false), ElementsAre());
}

TEST_F(PlaylistEntryTest, TheWindowIncludesBothEdgesAndParksTheMediaOutside)
{
    load(record(at(5), at(10), at(20)), lasting(30.0));
    EXPECT_THAT(drive(clockState(at(10) - ONE_MICROSECOND, orvCore::STOP), false),
                ElementsAre("clip.mp4: seekTo(0, 0)", "clip.mp4: pause()"));
    EXPECT_EQ(drive(clockState(at(10), orvCore::STOP), true), activation("5", false));
    EXPECT_EQ(drive(clockState(at(20), orvCore::STOP), true), activation("15", false));
    // Parked at the media's own end, not at the window's.
    EXPECT_THAT(drive(clockState(at(20) + ONE_MICROSECOND, orvCore::STOP), false),
                ElementsAre("clip.mp4: seekTo(30, 0)", "clip.mp4: pause()"));

    // An open window is active at every time, even before time zero.
    load(record(at(10), at(20), TimeStamp()), RecordingProfile{});
    EXPECT_EQ(drive(clockState(at(8), orvCore::STOP), true), activation("-2", false));
    EXPECT_TRUE(entry_.setClockState(clockState(at(1e9), orvCore::STOP)));
}

TEST_F(PlaylistEntryTest, OnlyForwardRealTimePlaysAtTheClockScaleOtherStatesPauseExactly)
{
    load(record(at(5), at(10), at(20)));
    EXPECT_EQ(drive(clockState(at(12.5), orvCore::FORWARD, orvCore::REAL_TIME_ON, 2.0), true),
              activation("7.5", true, "2"));
    const Lines paused = activation("7.5", false);
    EXPECT_EQ(drive(clockState(at(12.5), orvCore::STOP, orvCore::REAL_TIME_ON, 2.0), true), paused);
    EXPECT_EQ(drive(clockState(at(12.5), orvCore::REVERSE, orvCore::REAL_TIME_ON, 2.0), true), paused);
    EXPECT_EQ(drive(clockState(at(12.5), orvCore::FORWARD, orvCore::REAL_TIME_OFF, 2.0), true), paused);
    EXPECT_EQ(drive(clockState(at(12.5), orvCore::FORWARD, orvCore::REAL_TIME_ON, 0.0), true), paused);
    EXPECT_EQ(drive(clockState(at(12.5), orvCore::FORWARD, orvCore::REAL_TIME_ON, -1.0), true), paused);

    MediaParameters notRealTime = record(at(5), at(10), at(20));
    notRealTime.setRealtimeForwardCase(false);
    load(notRealTime);
    EXPECT_EQ(drive(clockState(at(12.5), orvCore::FORWARD, orvCore::REAL_TIME_ON, 2.0), true), paused);
}

TEST_F(PlaylistEntryTest, SignalsCarryTheCompletedRecordTheNativeSizeAskedLastAndTheMediaWindow)
{
    QWidget window;
    RecordingProfile profile = lasting(4.0);
    profile.nativeSize = QSize(1920, 1080);
    profile.outputWidget = &window;
    load(record(at(0), at(0), TimeStamp()), profile);

    MediaParameters announced;
    QSize announcedSize;
    std::string lastCallWhenAnnounced;
    const PlaylistEntry* activated = nullptr;
    QWidget* shown = nullptr;
    QObject::connect(&entry_, &PlaylistEntry::mediaActivated, [&](const MediaParameters& p, const QSize& s) {
        announced = p;
        announcedSize = s;
        lastCallWhenAnnounced = media().calls().back();
    });
    QObject::connect(&entry_, &PlaylistEntry::entryActivated, [&](const PlaylistEntry* e) { activated = e; });
    QObject::connect(&entry_, &PlaylistEntry::mediaPlaying, [&](QWidget* w) { shown = w; });
    entry_.setClockState(clockState(at(1)));

    EXPECT_EQ(announced.stopTime(), at(4));
    EXPECT_EQ(announced.allowableDelta(), 0.25);
    EXPECT_EQ(announcedSize, QSize(1920, 1080));
    EXPECT_EQ(lastCallWhenAnnounced, "nativeSize()");
    EXPECT_EQ(activated, &entry_);
    EXPECT_EQ(shown, &window);
}

TEST_F(PlaylistEntryTest, LoadingAgainReplacesTheMediaAndTheRecord)
{
    load(record(at(0), at(0), at(10)));
    const std::shared_ptr<MediaPlayer2::MediaFile> first = entry_.mediaFile();

    MediaParameters second = record(at(100), at(100), TimeStamp());
    second.setFilename("other.mp4");
    second.setFileType(MediaParameters::AUDIO);
    factory_.setProfile("other.mp4", lasting(3.0));
    entry_.loadMedia(second, factory_);
    EXPECT_NE(entry_.mediaFile(), first);
    EXPECT_EQ(entry_.mediaParameters().stopTime(), at(103));
    EXPECT_THAT(factory_.requests(), ElementsAre("loadMedia(clip.mp4, VIDEO)", "loadMedia(other.mp4, AUDIO)"));

    // The first file, still shared here, no longer speaks for the entry.
    journal().clear();
    first->show();
    static_cast<RecordingMediaFile&>(*first).completeLoading();
    EXPECT_THAT(journal(), ElementsAre("clip.mp4: show()"));
    EXPECT_EQ(entry_.mediaParameters().stopTime(), at(103));
}
