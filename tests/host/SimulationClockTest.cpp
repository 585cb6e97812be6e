#include "orvCore/SimulationClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
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

    std::function<void()> onSetTimeAction;                      // run first in onSetTime
    std::function<TimeStamp(const TimeStamp&)> adjustment;      // none leaves the time as proposed

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
    Log take()
    {
        Log taken;
        taken.swap(log);
        return taken;
    }

    SimulationClock clock;
    Log log;
};

}  // namespace

TEST_F(SimulationClockTest, EachChangeNotifiesItsOwnObserverCallOnceAndUnchangedValuesNothing)
{
    EXPECT_EQ(clock.currentTime(), orvCore::MIN_TIME_STAMP);
    EXPECT_EQ(clock.endTime(), orvCore::MAX_TIME_STAMP);
    EXPECT_EQ(clock.timeDirection(), orvCore::STOP);
    addRecorder("a");
    clock.setTime(at(100));
    EXPECT_EQ(take(), (Log{"a: adjust 100.0", "a: time 100.0 jump"}));
    EXPECT_EQ(clock.currentTime(), at(100));
    clock.setTimeScale(2.0);
    clock.setRealTime(false);
    clock.setRealTime(true);
    clock.playForward();
    clock.playReverse();
    clock.stop();
    clock.setBounds(at(50), at(200));
    clock.setCanLoop(true);
    clock.setUserEditable(false);
    clock.setStepSize(Seconds(1.0));
    EXPECT_EQ(take(), (Log{"a: scale 2.000000", "a: mode 0", "a: mode 1", "a: direction 0", "a: direction 1",
                           "a: direction 2", "a: bounds 50.0 200.0", "a: canLoop 1", "a: editable 0"}));

    // Unchanged values notify nothing.
    clock.setBounds(at(0), TimeStamp(2100, Seconds(0, 0)));
    clock.setTime(TimeStamp(2027, Seconds(0, 0)));
    clock.setCanLoop(false);
    clock.setUserEditable(true);
    clock.setTimeScale(1.0);
    take();

    clock.setTime(TimeStamp(2026, Seconds(31536000, 0)));  // the same instant from the year before
    clock.setTimeScale(1.0);
    clock.setRealTime(true);
    clock.stop();
    clock.setBounds(TimeStamp(2100, Seconds(0, 0)), at(0));  // the same bounds, given reversed
    clock.setCanLoop(false);
    clock.setUserEditable(true);
    // Scales that cannot be run are refused, not taken.
    clock.setTimeScale(0.0);
    clock.setTimeScale(-1.0);
    clock.setTimeScale(std::nan(""));
    clock.setTimeScale(INFINITY);
    EXPECT_EQ(clock.timeScale(), 1.0);
    // Only the adjust question of setTime is asked; nothing is reported as changed.
    EXPECT_EQ(take(), (Log{"a: adjust " + describe(TimeStamp(2027, Seconds(0, 0)))}));
}

TEST_F(SimulationClockTest, NotifiesInRegistrationOrderOncePerObserver)
{
    auto first = addRecorder("first");
    addRecorder("second");
    clock.registerModeChangeObserver(first);  // again: still told once
    clock.registerTimeObserver(nullptr);
    clock.registerModeChangeObserver(nullptr);
    clock.playForward();
    clock.setTime(at(10));
    EXPECT_EQ(take(), (Log{"first: direction 0", "second: direction 0", "first: adjust 10.0", "second: adjust 10.0",
                           "first: time 10.0 jump", "second: time 10.0 jump"}));

    clock.removeModeChangeObserver(first);
    clock.stop();
    clock.removeTimeObserver(first);
    clock.setTime(at(20));
    EXPECT_EQ(take(), (Log{"second: direction 2", "second: adjust 20.0", "second: time 20.0 jump"}));
}

TEST_F(SimulationClockTest, SetTimeTakesTheAdjustedTimeWithinTheBounds)
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
    EXPECT_EQ(clock.currentTime(), at(110));

    second->adjustment = [](const TimeStamp&) { return at(5000); };
    clock.setTime(at(200));
    EXPECT_EQ(clock.currentTime(), at(1000));
    second->adjustment = [](const TimeStamp&) { return at(-5); };
    clock.setTime(at(200));
    EXPECT_EQ(clock.currentTime(), at(0));
}

TEST_F(SimulationClockTest, BoundsAreOrderedAndPullTheTimeInside)
{
    clock.setTime(at(500));
    addRecorder("a");
    clock.setBounds(at(900), at(600));
    EXPECT_EQ(clock.beginTime(), at(600));
    EXPECT_EQ(take(), (Log{"a: bounds 600.0 900.0", "a: time 600.0 jump"}));

    clock.setBounds(at(100), at(200));
    EXPECT_EQ(take(), (Log{"a: bounds 100.0 200.0", "a: time 200.0 jump"}));

    clock.setBounds(at(0), at(300));  // the time is inside already
    EXPECT_EQ(take(), (Log{"a: bounds 0.0 300.0"}));
}

TEST_F(SimulationClockTest, ObserversMayRemoveObserversWhileBeingNotified)
{
    auto first = addRecorder("first");
    auto second = addRecorder("second");
    auto third = addRecorder("third");
    // first removes itself and second (not yet told); third registers a latecomer.
    first->onSetTimeAction = [&] {
        clock.removeTimeObserver(first);
        clock.removeTimeObserver(second);
    };
    std::shared_ptr<Recorder> latecomer;
    third->onSetTimeAction = [&] {
        if (latecomer)
            return;
        latecomer = std::make_shared<Recorder>("latecomer", log);
        clock.registerTimeObserver(latecomer);
    };
    clock.setTime(at(1));
    EXPECT_EQ(take(), (Log{"first: adjust 1.0", "second: adjust 1.0", "third: adjust 1.0", "first: time 1.0 jump",
                           "third: time 1.0 jump"}));

    // The latecomer hears the next change; the removed ones do not.
    clock.setTime(at(2));
    EXPECT_EQ(take(), (Log{"third: adjust 2.0", "latecomer: adjust 2.0", "third: time 2.0 jump",
                           "latecomer: time 2.0 jump"}));

    // An observer dropped by its owner while the clock is notifying stays alive until told.
    first.reset();
    second.reset();
    third->onSetTimeAction = [&] {
        clock.removeTimeObserver(third);
        clock.removeModeChangeObserver(third);
        third.reset();
    };
    clock.setTime(at(3));
    EXPECT_EQ(take(), (Log{"third: adjust 3.0", "latecomer: adjust 3.0", "third: time 3.0 jump",
                           "latecomer: time 3.0 jump"}));
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
    take();
    clock.update(1001.75);
    EXPECT_EQ(take(), (Log{"a: time 100.500000 step"}));
    EXPECT_EQ(clock.currentTime(), at(100.5));

    clock.update(1001.75);  // no wall time passed
    clock.update(900.0);    // the wall clock went back: no time passes
    EXPECT_EQ(take(), Log{});
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
    clock.update(0.0);
    clock.update(500.0);
    EXPECT_EQ(clock.currentTime(), at(10.3));

    clock.setStepSize(Seconds(2.5));
    clock.setStepSize(Seconds(-1.0));  // refused
    EXPECT_EQ(clock.stepSize(), Seconds(2.5));
    clock.playReverse();
    take();
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: time 7.800000 step"}));
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
    EXPECT_EQ(take(), (Log{"a: time 101.0 step", "a: direction 2"}));
    clock.update(0.0);
    EXPECT_EQ(take(), Log{});

    clock.setTime(at(100.2));
    clock.playReverse();
    take();
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: time 100.0 step", "a: direction 2"}));
    EXPECT_EQ(clock.currentTime(), at(100));

    // With looping the clock wraps to the other bound and keeps running.
    clock.setTime(at(100.9));
    clock.setCanLoop(true);
    clock.playForward();
    take();
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: time 100.0 jump", "a: loop"}));
    EXPECT_EQ(clock.timeDirection(), orvCore::FORWARD);
    clock.update(0.0);
    EXPECT_EQ(take(), (Log{"a: time 100.500000 step"}));

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
