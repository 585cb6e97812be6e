#include "orvCore/SimulationClock.h"
#include "playlist/Playlist.h"
#include "playlist/QtClock.h"
#include "support/RecordingMediaFile.h"
#include "support/TestMedia.h"

#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

#include <optional>

using namespace MediaPlayer2;
using orvCore::Seconds;
using orvCore::TimeStamp;
using testsupport::RecordingProfile;
using TestMedia::at;
using Lines = std::vector<std::string>;

namespace {

const Seconds kMicrosecond(0, 1);

ClockState state(const TimeStamp& time, orvCore::TimeDirection direction = orvCore::STOP,
                 orvCore::RealTimeMode mode = orvCore::REAL_TIME_ON, double scale = 1.0)
{
    ClockState clockState;
    clockState.setTimeStamp(time);
    clockState.setDirection(direction);
    clockState.setRealTimeMode(mode);
    clockState.setScaleOfRealTime(scale);
    return clockState;
}

MediaParameters item(const std::string& file, double timeZero, double start, std::optional<double> stop = {})
{
    MediaParameters params;
    params.setFileType(MediaParameters::VIDEO);
    params.setFilename(file);
    params.setTimeZero(at(timeZero));
    params.setStartTime(at(start));
    params.setStopTime(stop ? at(*stop) : TimeStamp());
    params.setAllowableDelta(0.25);
    return params;
}

RecordingProfile lasting(std::optional<double> seconds, bool late = false)
{
    return RecordingProfile{late, seconds};
}

/// What an active entry does with its media: announce, seek coarsely and then exactly unless it
/// plays by itself, play or pause, show.
Lines activation(const std::string& file, const std::string& position, const std::string& rate = "")
{
    Lines lines = {"activated " + file, file + ": seekTo(" + position + ", 0.25)"};
    if (rate.empty())
        lines.insert(lines.end(), {file + ": seekTo(" + position + ", 0)", file + ": pause()"});
    else
        lines.insert(lines.end(), {file + ": seekTo(" + position + ", 0.25)", file + ": setPlaybackRate(" + rate + ")",
                                   file + ": play()"});
    lines.push_back(file + ": show()");
    return lines;
}

class PlaylistModel : public ::testing::Test {
protected:
    std::shared_ptr<PlaylistEntry> load(const MediaParameters& params, const RecordingProfile& profile = lasting(30.0))
    {
        auto entry = std::make_shared<PlaylistEntry>();
        factory.profiles.insert(QString::fromStdString(params.filename()), profile);
        QObject::connect(entry.get(), &PlaylistEntry::entryActivated,
                         [this](const PlaylistEntry* e) { journal().push_back("activated " + e->mediaParameters().filename()); });
        entry->loadMedia(params, factory);
        return entry;
    }
    Lines drive(PlaylistEntry& entry, const ClockState& clockState, bool active)
    {
        journal().clear();
        EXPECT_EQ(entry.setClockState(clockState), active);
        return journal();
    }
    Lines& journal() { return *factory.journal; }

    testsupport::RecordingMediaFileFactory factory;
};

}  // namespace

TEST(ClockStateAndTimeRange, SixteenBigEndianBytesRoundTripAndMalformedOnesAreRefused)
{
    const ClockState original = state(TimeStamp(2026, Seconds(0x01020304, 0x050607)), orvCore::REVERSE,
                                      orvCore::REAL_TIME_OFF, 0.5);
    std::vector<unsigned char> bytes;
    original.serialize(bytes);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x07, 0xEA, 1, 2, 3, 4, 0, 5, 6, 7, 1, 0, 0x3F, 0, 0, 0}));
    ClockState read;
    ASSERT_EQ(read.deserialize(bytes), 0);
    EXPECT_EQ(read, original);
    // year 1969, day past the infinite stamp, direction 3, mode 2, scale 0, -2 and NaN; then sizes
    const std::vector<std::pair<std::size_t, std::vector<unsigned char>>> damage = {
        {0, {0x07, 0xB1}}, {0, {0x40, 0x00}}, {10, {3}}, {11, {2}}, {12, {0, 0, 0, 0}}, {12, {0xC0, 0, 0, 0}},
        {12, {0x7F, 0xC0, 0, 0}}};
    for (const auto& [offset, values] : damage) {
        std::vector<unsigned char> bad = bytes;
        std::copy(values.begin(), values.end(), bad.begin() + long(offset));
        EXPECT_EQ(read.deserialize(bad), 1) << offset;
    }
    EXPECT_EQ(read.deserialize(std::vector<unsigned char>(15)), 1);
    EXPECT_EQ(read, original);

    // A window's edges are walked with an entry below; an open window is never before or after.
    EXPECT_FALSE(TimeRange(at(10), orvCore::INFINITE_TIME_STAMP) < at(1e9));
}

TEST_F(PlaylistModel, AnEntryActsOnItsMediaByWindowAndClockState)
{
    auto entry = load(item("clip", 5, 10, 20));
    using orvCore::FORWARD;
    using orvCore::REVERSE;
    const std::vector<std::tuple<ClockState, bool, Lines>> walk = {
        {state(at(10) - kMicrosecond), false, {"clip: seekTo(0, 0)", "clip: pause()"}},
        {state(at(10)), true, activation("clip", "5")},
        {state(at(20)), true, activation("clip", "15")},
        {state(at(20) + kMicrosecond), false, {"clip: seekTo(30, 0)", "clip: pause()"}},  // the media's own end
        {state(at(12), REVERSE), true, activation("clip", "7")},
        {state(at(12), FORWARD, orvCore::REAL_TIME_OFF), true, activation("clip", "7")},
        {state(at(12.5), FORWARD, orvCore::REAL_TIME_ON, 2.0), true, activation("clip", "7.5", "2")},
        {state(at(12.5), FORWARD, orvCore::REAL_TIME_ON, 0.0), true, activation("clip", "7.5")},
    };
    for (const auto& [clockState, active, expected] : walk)
        EXPECT_EQ(drive(*entry, clockState, active), expected) << (clockState.timeStamp() - at(0)).toDouble();

    MediaParameters manual = item("manual", 0, 0, 10);
    manual.setRealtimeForwardCase(false);
    EXPECT_EQ(drive(*load(manual), state(at(1), FORWARD), true), activation("manual", "1"));
}

TEST_F(PlaylistModel, LoadingCompletesAMissingStopTimeFromTheDurationCountedFromTimeZero)
{
    const std::vector<std::tuple<std::optional<double>, std::optional<double>, TimeStamp>> cases = {
        {{}, 12.5, at(17.5)}, {9, 12.5, at(17.5)}, {9, {}, orvCore::INFINITE_TIME_STAMP}, {20, 100.0, at(20)}, {10, 1.0, at(10)}};
    for (const auto& [stop, duration, expected] : cases)
        EXPECT_EQ(load(item("clip", 5, 10, stop), lasting(duration))->timeRange().end(), expected);

    auto late = load(item("late", 10, 10), lasting(8.0, true));
    QSignalSpy completed(late.get(), &PlaylistEntry::loadingComplete);
    EXPECT_FALSE(late->timeRange().isValid());
    EXPECT_EQ(drive(*late, state(at(12)), false), Lines{});
    factory.file("late")->completeLoading();
    EXPECT_EQ(completed.count(), 1);
    EXPECT_EQ(drive(*late, state(at(12)), true), activation("late", "2"));

    factory.refused.append("none");
    EXPECT_EQ(load(item("none", 0, 0, 10))->mediaFile(), nullptr);

    // The announcements carry the completed record, the media's size and its window.
    QWidget window;
    auto shown = load(item("shown", 0, 0), RecordingProfile{false, 4.0, QSize(1920, 1080), &window});
    std::vector<std::string> announced;
    QObject::connect(shown.get(), &PlaylistEntry::mediaActivated, [&](const MediaParameters& params, const QSize& size) {
        announced.push_back(std::to_string((params.stopTime() - at(0)).toDouble()) + " " + std::to_string(size.width()));
    });
    QObject::connect(shown.get(), &PlaylistEntry::mediaPlaying, [&](QWidget* widget) { announced.push_back(widget == &window ? "window" : "?"); });
    shown->setClockState(state(at(1)));
    EXPECT_EQ(announced, (Lines{"4.000000 1920", "window"}));
}

TEST_F(PlaylistModel, APlaylistDrivesEntriesInStartOrderAndFansOutSoundSettings)
{
    Playlist playlist;
    std::vector<const PlaylistEntry*> relayed;
    QObject::connect(&playlist, &Playlist::entryActivated, [&](const PlaylistEntry* e) { relayed.push_back(e); });
    QSignalSpy activeChanges(&playlist, &Playlist::mediaActiveChanged);
    playlist.setVolume(40);
    playlist.setMuted(true);
    auto late = load(item("late", 10, 10, 20));
    auto early = load(item("early", 0, 0, 15));
    auto twin = load(item("twin", 10, 10, 12));
    EXPECT_EQ(playlist.addEntry(late) + playlist.addEntry(early), 0);
    EXPECT_EQ(playlist.addEntry(twin), 1);
    EXPECT_EQ(playlist.addEntry(late), 1);
    EXPECT_EQ(playlist.addEntry(nullptr), 1);
    EXPECT_EQ(journal(), (Lines{"late: setMedia(late)", "early: setMedia(early)", "twin: setMedia(twin)",
                                "late: setVolume(40)", "late: setMuted(true)", "early: setVolume(40)",
                                "early: setMuted(true)"}));
    journal().clear();
    playlist.setMuted(true);
    playlist.setVolume(70);
    EXPECT_EQ(journal(), (Lines{"early: setVolume(70)", "late: setVolume(70)"}));

    EXPECT_EQ(playlist.setClockState(state(at(12))), 2);
    EXPECT_EQ(relayed, (std::vector<const PlaylistEntry*>{early.get(), late.get()}));  // once each
    EXPECT_EQ(playlist.setClockState(state(at(25))), 0);
    EXPECT_EQ(relayed.back(), nullptr);
    EXPECT_EQ(activeChanges.count(), 2);
    EXPECT_EQ(playlist.timeRange().end(), at(20));
}

TEST(QtClockBinding, ClockChangesTickWithASnapshotAndStatesArePushedBackDirectionLast)
{
    orvCore::SimulationClock clock;
    auto binding = std::make_unique<QtClock>(clock);
    std::vector<ClockState> ticks;
    QObject::connect(binding.get(), &QtClock::tick, [&](const ClockState& s) { ticks.push_back(s); });
    QSignalSpy editable(binding.get(), &QtClock::userEditableChanged);
    clock.setTime(at(10));
    clock.setBounds(at(0), at(10));
    clock.setRealTime(false);
    clock.playForward();
    clock.setTimeScale(4.0);
    clock.setCanLoop(true);
    clock.setUserEditable(false);
    clock.update();  // wraps: a tick for the new time, none for the loop
    EXPECT_EQ(ticks, (std::vector<ClockState>{
                         state(at(10)), state(at(10)), state(at(10), orvCore::STOP, orvCore::REAL_TIME_OFF),
                         state(at(10), orvCore::FORWARD, orvCore::REAL_TIME_OFF),
                         state(at(10), orvCore::FORWARD, orvCore::REAL_TIME_OFF, 4.0),
                         state(at(0), orvCore::FORWARD, orvCore::REAL_TIME_OFF, 4.0)}));
    EXPECT_EQ(editable.count(), 1);

    ticks.clear();
    binding->setClockState(state(at(5), orvCore::REVERSE, orvCore::REAL_TIME_ON, 2.0));
    EXPECT_EQ(ticks.back(), state(at(5), orvCore::REVERSE, orvCore::REAL_TIME_ON, 2.0));
    EXPECT_EQ(ticks.end()[-2].direction(), orvCore::FORWARD);
    binding.reset();
    clock.setTime(at(1));  // nobody left to hear it
}

TEST(MediaParametersRecord, TypesAreGuessedFromTheName)
{
    MediaParameters params;
    for (const auto& [name, type] : std::vector<std::pair<std::string, MediaParameters::FileType>>{
             {"a.JPG", MediaParameters::IMAGE}, {"song.mp3", MediaParameters::AUDIO}, {"song.MP3", MediaParameters::VIDEO},
             {"a.png.mp4", MediaParameters::VIDEO}}) {
        params.guessFileType(name);
        EXPECT_EQ(params.fileType(), type) << name;
    }
}
