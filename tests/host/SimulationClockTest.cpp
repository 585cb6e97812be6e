#include "orvCore/SimulationClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using orvCore::Clock;
using orvCore::Seconds;
using orvCore::SimulationClock;
using orvCore::TimeDirection;
using orvCore::TimeStamp;

namespace {

using Log = std::vector<std::string>;

std::string describe(const TimeStamp& time)
{
    const Seconds sinceEpoch = time.secondsSinceEpoch();
    return std::to_string(sinceEpoch.wholeSeconds()) + "." + std::to_string(sinceEpoch.fraction());
}

/// Logs every observer call, tagged with its name, into a log shared by all recorders so that
/// the order across observers shows.
class Recorder : public Clock::TimeObserver, public Clock::ModeChangeObserver {
public:
    Recorder(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

    std::function<void()> onSetTimeAction;                  // run first in onSetTime
    std::function<TimeStamp(const TimeStamp&)> adjustment;  // none leaves the time as proposed

    void onSetTime(const TimeStamp& time, bool isJump) override
    {
        if (onSetTimeAction)
            onSetTimeAction();
        add_("time " + describe(time) + (isJump ? " jump" : " step"));
    }
    void onTimeLoop() override { add_("loop"); }
    void adjustTime(const TimeStamp& proposed, TimeStamp& adjusted) override
    {
        add_("adjust " + describe(proposed));
        if (adjustment)
            adjusted = adjustment(proposed);
    }
    void onModeChange(Clock::Mode mode) override { add_("mode " + std::to_string(mode)); }
    void onDirectionChange(TimeDirection direction) override { add_("direction " + std::to_string(direction)); }
    void onScaleChange(double scale) override { add_("scale " + std::to_string(scale)); }
    void onBoundsChange(const TimeStamp& begin, const TimeStamp& end) override
    {
        add_("bounds " + describe(begin) + " " + describe(end));
    }
    void onCanLoopChange(bool canLoop) override { add_("canLoop " + std::to_string(canLoop)); }
    void onUserEditableChanged(bool isEditable) override { add_("editable " + std::to_string(isEditable)); }

private:
    void add_(const std::string& entry) { log_.push_back(name_ + ": " + entry); }

    std::string name_;
    Log& log_;
};

TimeStamp at(double secondsSinceEpoch)
{
    return TimeStamp(1970, Seconds(secondsSinceEpoch));
}

class SimulationClockTest : public ::testing::Test {
protected:
    std::shared_ptr<Recorder> addRecorder(const std::string& name)
    {
        auto recorder = std::make_shared<Recorder>(name, log);
        clock.registerTimeObserver(recorder);
        clock.registerModeChangeObserver(recorder);
        return recorder;
    }

    /// The log since the previous call.
    Log take() { return std::exchange(log, {}); }

    SimulationClock clock;
    Log log;
};

}  // namespace

TEST_F(SimulationClockTest, EachChangeNotifiesItsOwnObserverCallOnceAndUnchangedValuesNothing)
{
    addRecorder("a");
    clock.setTime(at(100));
    EXPECT_EQ(take(), (Log{"a: adjust 100.0", "a: time 100.0 jump"}));
    clock.setTimeScale(2.0);
    clock.setRealTime(false);
    clock.setRealTime(true);
    clock.playForward();
    clock.playReverse();
    clock.stop();
    clock.setBounds(at(50), at(200));
    clock.setCanLoop(true);
    clock.setUserEditable(false);
    EXPECT_EQ(take(), (Log{"a: scale 2.000000", "a: mode 0", "a: mode 1", "a: direction 0", "a: direction 1",
                           "a: direction 2", "a: bounds 50.0 200.0", "a: canLoop 1", "a: editable 0"}));

    // The same values again, instants named from another year and bounds given reversed, change nothing;
    // scales that cannot be run are refused. Only setTime's adjust question is asked.
    clock.setTime(TimeStamp(1969, Seconds(31536000 + 100, 0)));
    clock.setTimeScale(2.0);
    clock.setRealTime(true);
    clock.stop();
    clock.setBounds(at(200), TimeStamp(1971, Seconds(50 - 31536000, 0)));
    clock.setCanLoop(true);
    clock.setUserEditable(false);
    for (double unusable : {0.0, -1.0, std::nan(""), double(INFINITY)})
        clock.setTimeScale(unusable);
    EXPECT_EQ(clock.timeScale(), 2.0);
    EXPECT_EQ(take(), (Log{"a: adjust 100.0"}));
}

TEST_F(SimulationClockTest, SetTimeTakesTheAdjustedTimeAndBoundsAreOrderedAndPullTheTimeInside)
{
    auto first = addRecorder("first");
    auto second = addRecorder("second");
    first->adjustment = [](const TimeStamp& proposed) { return proposed + Seconds(10, 0); };
    clock.setBounds(at(0), at(1000));
    take();
    clock.setTime(at(100));
    // Each observer is asked about the time as adjusted by those before it.
    EXPECT_EQ(take(), (Log{"first: adjust 100.0", "second: adjust 110.0", "first: time 110.0 jump",
                           "second: time 110.0 jump"}));
    second->adjustment = [](const TimeStamp&) { return at(5000); };
    clock.setTime(at(200));
    EXPECT_EQ(clock.currentTime(), at(1000));
    second->adjustment = [](const TimeStamp&) { return at(-5); };
    clock.setTime(at(200));
    EXPECT_EQ(clock.currentTime(), at(0));

    clock.removeTimeObserver(first);
    clock.removeModeChangeObserver(first);
    second->adjustment = nullptr;
    clock.setTime(at(500));
    take();
    clock.setBounds(at(900), at(600));
    EXPECT_EQ(take(), (Log{"second: bounds 600.0 900.0", "second: time 600.0 jump"}));
    clock.setBounds(at(100), at(200));
    EXPECT_EQ(take(), (Log{"second: bounds 100.0 200.0", "second: time 200.0 jump"}));
    clock.setBounds(at(0), at(300));  // the time is inside already
    EXPECT_EQ(take(), (Log{"second: bounds 0.0 300.0"}));
}

TEST_F(SimulationClockTest, NotifiesInRegistrationOrderOnceEachAndObserversMayChangeTheListMeanwhile)
{
    auto first = addRecorder("first");
    auto second = addRecorder("second");
    auto third = addRecorder("third");
    clock.registerModeChangeObserver(first);  // again: still told once
    clock.registerTimeObserver(nullptr);
    clock.registerModeChangeObserver(nullptr);
    clock.playForward();
    EXPECT_EQ(take(), (Log{"first: direction 0", "second: direction 0", "third: direction 0"}));
    clock.removeModeChangeObserver(second);
    clock.stop();
    EXPECT_EQ(take(), (Log{"first: direction 2", "third: direction 2"}));

    // first removes itself and second (not yet told); third registers a latecomer.
    first->onSetTimeAction = [&] {
        clock.removeTimeObserver(first);
        clock.removeTimeObserver(second);
    };
    std::shared_ptr<Recorder> latecomer;
    third->onSetTimeAction = [&] {
        if (!latecomer)
            clock.registerTimeObserver(latecomer = std::make_shared<Recorder>("latecomer", log));
    };
    clock.setTime(at(1));
    EXPECT_EQ(take(), (Log{"first: adjust 1.0", "second: adjust 1.0", "third: adjust 1.0", "first: time 1.0 jump",
                           "third: time 1.0 jump"}));

    // The latecomer hears the next change. An observer dropped by its owner while the clock is
    // notifying stays alive until told.
    first.reset();
    second.reset();
    third->onSetTimeAction = [&] {
        clock.removeTimeObserver(third);
        clock.removeModeChangeObserver(third);
        third.reset();
    };
    clock.setTime(at(2));
    EXPECT_EQ(take(), (Log{"third: adjust 2.0", "latecomer: adjust 2.0", "third: time 2.0 jump",
                           "latecomer: time 2.0 jump"}));
}

TEST_F(SimulationClockTest, UpdatesAdvanceByScaledWallTimeInRealTimeElseByTheStep)
{
    clock.setTime(at(100));
    addRecorder("a");
    clock.update(1000.0);  // the first update only notes the wall time
    clock.update(1001.0);  // stopped
    EXPECT_EQ(take(), Log{});

    clock.playForward();
    clock.setTimeScale(2.0);
    take();
    clock.update(1001.5);
    EXPECT_EQ(take(), (Log{"a: time 101.0 step"}));
    clock.playReverse();
    clock.update(1001.75);
    clock.update(1001.75);  // no wall time passed
    clock.update(900.0);    // the wall clock went back: no time passes
    EXPECT_EQ(take(), (Log{"a: direction 1", "a: time 100.500000 step"}));
    clock.update(900.25);
    EXPECT_EQ(clock.currentTime(), at(100));

    // Without real time each update steps by the default 0.1 s, whatever the wall time and scale.
    clock.setTime(at(10));
    clock.setRealTime(false);
    clock.setTimeScale(4.0);
    clock.playForward();
    take();
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: time 10.100000 step"}));
    clock.update(500.0);
    EXPECT_EQ(clock.currentTime(), at(10.2));

    clock.setStepSize(Seconds(2.5));
    clock.setStepSize(Seconds(-1.0));  // refused
    clock.playReverse();
    take();
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: time 7.700000 step"}));
}

TEST_F(SimulationClockTest, AtABoundTheClockStopsOrWithLoopingWrapsAndKeepsRunning)
{
    clock.setBounds(at(100), at(101));
    clock.setTime(at(100.9));
    clock.setRealTime(false);
    clock.setStepSize(Seconds(0.5));
    clock.playForward();
    addRecorder("a");
    clock.update(0.0);
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: time 101.0 step", "a: direction 2"}));

    clock.setTime(at(100.2));
    clock.playReverse();
    take();
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: time 100.0 step", "a: direction 2"}));

    // With looping the clock wraps to the other bound and keeps running.
    clock.setTime(at(100.9));
    clock.setCanLoop(true);
    clock.playForward();
    take();
    clock.update(0.0);
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: time 100.0 jump", "a: loop", "a: time 100.500000 step"}));
    clock.playReverse();
    clock.update(0.0);
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: direction 1", "a: time 100.0 step", "a: time 101.0 jump", "a: loop"}));

    // A span of a single instant has nothing to wrap to: the clock stops there.
    clock.setBounds(at(101), at(101));
    take();
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: direction 2"}));
}
