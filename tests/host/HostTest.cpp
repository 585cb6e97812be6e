#include "orvCore/SimulationClock.h"
#include "orvCore/TimeFormatter.h"
#include "orvNotify/Notify.h"
#include "orvVis/ClockOptions.h"
#include "support/NotifyCapture.h"

#include <QString>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using orvCore::Seconds;
using orvCore::TimeStamp;
using Log = std::vector<std::string>;

namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

TimeStamp stamp(int year, int64_t seconds, int32_t micros = 0)
{
    return TimeStamp(year, Seconds(seconds, micros));
}

TimeStamp at(double secondsSinceEpoch)
{
    return TimeStamp(1970, Seconds(secondsSinceEpoch));
}

/// Logs the time notifications and adjustment questions, as "<name>: <event> <seconds since 1970>",
/// into one log. (Mode changes reach the playlist's clock binding, whose test hears them.)
class Observer : public orvCore::Clock::TimeObserver {
public:
    Observer(std::string name, Log& log) : name_(std::move(name)), log_(log) {}
    std::function<void()> onTime;                // runs first in onSetTime
    std::function<TimeStamp(TimeStamp)> adjust;  // none keeps the proposal

    void onSetTime(const TimeStamp& t, bool jump) override
    {
        if (onTime)
            onTime();
        add(jump ? "jump" : "time", t);
    }
    void adjustTime(const TimeStamp& proposed, TimeStamp& adjusted) override
    {
        add("adjust", proposed);
        adjusted = adjust ? adjust(proposed) : adjusted;
    }
    void onTimeLoop() override { log_.push_back(name_ + ": loop"); }

private:
    void add(const std::string& event, const TimeStamp& t)
    {
        log_.push_back(name_ + ": " + event + " " + QString::number((t - at(0)).toDouble()).toStdString());
    }
    std::string name_;
    Log& log_;
};

}  // namespace

TEST(Time, SecondsNormaliseRoundAndSaturateAndStampsCompareByInstantAcrossYears)
{
    const std::vector<std::pair<Seconds, Seconds>> equal = {
        {Seconds(5, -2500001), Seconds(2, 499999)}, {Seconds(-0.25), Seconds(-1, 750000)},
        {Seconds(1.9999996), Seconds(2, 0)},        {Seconds(std::nan("")), Seconds()},
        {-Seconds(1, 250000), Seconds(-2, 750000)}, {Seconds(double(INFINITY)), Seconds(kMax, 0)},
        {Seconds(kMax, 0) + Seconds(1, 0), Seconds(kMax, 0)}, {Seconds(1, 600000) + Seconds(0, 500000), Seconds(2, 100000)}};
    for (const auto& [actual, expected] : equal)
        EXPECT_TRUE(actual.wholeSeconds() == expected.wholeSeconds() && actual.fraction() == expected.fraction())
            << actual.toDouble();
    // Centuries are common years unless divisible by 400.
    for (const auto& [year, days] : {std::pair{2024, 366}, {2100, 365}, {2000, 366}, {1900, 365}})
        EXPECT_EQ(stamp(year + 1, 0), stamp(year, days * kDay)) << year;
    EXPECT_LT(stamp(2026, -1), stamp(2025, 365 * kDay));
    EXPECT_EQ(stamp(2026, 6265805, 250000).secondsSinceEpoch(), Seconds(1773491405, 250000));
    const TimeStamp moved = stamp(2026, 100, 500000) + Seconds(-0.75);
    EXPECT_EQ(moved.referenceYear(), 2026);
    EXPECT_EQ(moved.secondsIntoYear(), Seconds(99, 750000));
    EXPECT_EQ(stamp(2201, 0) - orvCore::MAX_TIME_STAMP, Seconds(0, 1));
    const TimeStamp now = at(orvCore::getSystemTime());
    EXPECT_TRUE(stamp(orvCore::currentYear(), 0) <= now && now < stamp(orvCore::currentYear() + 1, 0));
}

TEST(Time, TextFormsParseWholeAndInRangeAndPrintAsIso)
{
    const int64_t piDay = 72 * kDay + 12 * 3600 + 30 * 60 + 5;  // 2026-03-14T12:30:05
    const std::vector<std::tuple<std::string, int, TimeStamp>> accepted = {
        {"2026-03-14T12:30:05.25Z", 1999, stamp(2026, piDay, 250000)}, {"2026-03-14 12:30:05", 1999, stamp(2026, piDay)},
        {"2024-02-29T00:00:00Z", 1999, stamp(2024, 59 * kDay)},        {"2026:073:12:30:05.25", 1999, stamp(2026, piDay, 250000)},
        {"2024:366:23:59:59.5", 1999, stamp(2024, 366 * kDay - 1, 500000)}, {"073:12:30:05", 2026, stamp(2026, piDay)},
        {"366:00:00:00", 2024, stamp(2024, 365 * kDay)},               {"007.000001", 2026, stamp(2026, 7, 1)}};
    const orvCore::TimeFormatterRegistry quiet(false);
    for (const auto& [form, referenceYear, expected] : accepted) {
        TimeStamp parsed;
        EXPECT_EQ(quiet.fromString(form, parsed, referenceYear), 0) << form;
        EXPECT_EQ(parsed, expected) << form;
    }
    testsupport::NotifyCapture messages(2);
    for (const std::string& form : std::vector<std::string>{
             "", " 2026-03-14T12:30:05", "2026-03-14t12:30:05", "2026-3-14T12:30:05", "2026-02-29T00:00:00",
             "2100-02-29T00:00:00", "2026-04-31T00:00:00", "2026-01-01T24:00:00", "2026-01-01T23:59:60",
             "2026-01-01T00:00:00.1234567", "2026:366:00:00:00", "2026:000:00:00:00", "73:12:30:05", "12345.", "-5",
             "1e3", "99999999999999999999", std::string(100000, '1')}) {
        TimeStamp untouched = stamp(1980, 1, 2);
        EXPECT_NE(quiet.fromString(form, untouched, 2026), 0) << form.substr(0, 30);
        EXPECT_EQ(untouched.secondsIntoYear(), Seconds(1, 2));
    }
    EXPECT_EQ(messages.text(), "");
    TimeStamp parsed;
    orvCore::TimeFormatterRegistry(true).fromString("nonsense", parsed, 2026);
    EXPECT_EQ(messages.text(), "Invalid time string: nonsense\n");
    EXPECT_EQ(quiet.toString(stamp(2025, 365 * kDay + piDay, 250000)), "2026-03-14T12:30:05.250000Z");
    EXPECT_EQ(quiet.toString(at(-0.5)), "1969-12-31T23:59:59.500000Z");
    EXPECT_EQ(quiet.toString(orvCore::MAX_TIME_STAMP), "2200-12-31T23:59:59.999999Z");
}

TEST(Clock, TimeChangesNotifyOnceInRegistrationOrderAfterChainedAdjustments)
{
    orvCore::SimulationClock clock;
    Log log;
    auto first = std::make_shared<Observer>("a", log);
    auto second = std::make_shared<Observer>("b", log);
    for (const auto& observer : {first, second, first})  // the second registration changes nothing
        clock.registerTimeObserver(observer);
    first->adjust = [](TimeStamp proposed) { return proposed + Seconds(10, 0); };
    clock.setTime(at(100));
    clock.setTime(at(100));  // asked again, but the time does not change
    clock.removeTimeObserver(first);
    clock.setBounds(at(900), at(200));  // reordered; pulls the time inside
    clock.setTimeScale(-1.0);           // refused
    EXPECT_EQ(log, (Log{"a: adjust 100", "b: adjust 110", "a: jump 110", "b: jump 110", "a: adjust 100",
                        "b: adjust 110", "b: jump 200"}));
    EXPECT_EQ(clock.timeScale(), 1.0);
    // An observer may remove others while being told; a latecomer hears the next change.
    auto third = std::make_shared<Observer>("c", log);
    clock.registerTimeObserver(third);
    std::shared_ptr<Observer> latecomer;
    second->onTime = [&] {
        clock.removeTimeObserver(third);
        if (!latecomer)
            clock.registerTimeObserver(latecomer = std::make_shared<Observer>("d", log));
    };
    clock.setTime(at(300));
    clock.setTime(at(301));
    EXPECT_EQ(log.back(), "d: jump 301");
}

TEST(Clock, UpdatesAdvanceByScaledWallTimeOrStepAndStopOrWrapAtTheBounds)
{
    orvCore::SimulationClock clock;
    Log log;
    clock.setTime(at(100));
    clock.registerTimeObserver(std::make_shared<Observer>("a", log));
    clock.update(1000.0);  // notes the wall time only
    clock.update(1001.0);  // stopped
    clock.setTimeScale(2.0);
    clock.playForward();
    clock.update(1001.5);
    clock.playReverse();
    clock.update(1001.75);
    clock.update(900.0);  // the wall clock went back: no time passes
    clock.setRealTime(false);
    clock.setStepSize(Seconds(0.5));
    clock.setStepSize(Seconds(-1.0));  // refused
    clock.setBounds(at(100), at(101));
    clock.playForward();
    for (int update = 0; update < 3; ++update)
        clock.update(0.0);
    EXPECT_EQ(clock.timeDirection(), orvCore::STOP) << "stopped at the end";
    clock.setCanLoop(true);
    clock.playReverse();
    for (int update = 0; update < 3; ++update)
        clock.update(0.0);
    EXPECT_EQ(log, (Log{"a: time 101", "a: time 100.5", "a: time 101", "a: time 100.5", "a: time 100", "a: jump 101",
                        "a: loop"}));
}

TEST(HostUtilities, NotifyLevelsAndClockOptions)
{
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";  // a fresh process reads the level anew
    for (const auto& [level, expected] : {std::pair{"7", 7}, {"high", 3}, {" 5", 3}}) {
        setenv("ORV_NOTIFY_LEVEL", level, 1);
        EXPECT_EXIT(std::exit(orvNotify::notifyLevel()), ::testing::ExitedWithCode(expected), "") << level;
    }
    unsetenv("ORV_NOTIFY_LEVEL");
    testsupport::NotifyCapture capture(3);
    EXPECT_TRUE(orvNotify::isNotifyEnabled(3) && !orvNotify::isNotifyEnabled(4));

    orvCore::SimulationClock clock;
    const osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock);
    options->setOptionString("noRotation");
    const osg::ref_ptr<osg::Object> copy = static_cast<const osgDB::Options&>(*options).clone(osg::CopyOp::DEEP_COPY_ALL);
    const auto* cloned = dynamic_cast<const orvVis::ClockOptions*>(copy.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_EQ(cloned->clock(), &clock);
    EXPECT_EQ(cloned->getOptionString(), "noRotation");
}
