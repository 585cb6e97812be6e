#include "playlist/QtClock.h"

#include "orvCore/SimulationClock.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using MediaPlayer2::ClockState;
using MediaPlayer2::QtClock;
using testsupport::at;
using testsupport::clockState;

namespace {

using States = std::vector<ClockState>;

class QtClockTest : public ::testing::Test {
protected:
    QtClockTest()
    {
        QObject::connect(qtClock_.get(), &QtClock::tick, [this](const ClockState& state) {
            ticks_.push_back(state);
        });
        QObject::connect(qtClock_.get(), &QtClock::userEditableChanged,
                         [this](bool editable) { editableChanges_.push_back(editable); });
    }

    orvCore::SimulationClock clock_;
    std::unique_ptr<QtClock> qtClock_ = std::make_unique<QtClock>(clock_);
    std::vector<ClockState> ticks_;  // compared whole, so a missing or extra tick shows
    std::vector<bool> editableChanges_;
};

}  // namespace

TEST_F(QtClockTest, EveryTimeModeDirectionScaleAndBoundsChangeTicksWithASnapshot)
{
    clock_.setTime(at(10));
    clock_.setRealTime(false);
    clock_.playReverse();
    clock_.setTimeScale(4.0);
    clock_.setBounds(at(0), at(1000));
    EXPECT_EQ(ticks_, (States{clockState(at(10), orvCore::STOP), clockState(at(10), orvCore::STOP, orvCore::REAL_TIME_OFF),
                              clockState(at(10), orvCore::REVERSE, orvCore::REAL_TIME_OFF),
                              clockState(at(10), orvCore::REVERSE, orvCore::REAL_TIME_OFF, 4.0),
                              clockState(at(10), orvCore::REVERSE, orvCore::REAL_TIME_OFF, 4.0)}));

    // Running in real time ticks on every advance.
    clock_.setRealTime(true);
    clock_.playForward();
    clock_.update(1000.0);
    ticks_.clear();
    clock_.update(1000.5);
    clock_.update(1001.0);
    ASSERT_EQ(ticks_.size(), 2u);
    EXPECT_EQ(ticks_[0].timeStamp(), at(12));
    EXPECT_EQ(ticks_[1].timeStamp(), at(14));
}

TEST_F(QtClockTest, LoopsAdjustmentsLoopSettingsAndEditabilityDoNotTick)
{
    clock_.setBounds(at(0), at(10));
    clock_.setTime(at(10));
    clock_.playForward();
    clock_.setRealTime(false);
    ticks_.clear();

    clock_.setCanLoop(true);
    clock_.setTime(at(10));  // asks the observers to adjust, but the time does not change
    clock_.setUserEditable(false);
    clock_.setUserEditable(true);
    EXPECT_TRUE(ticks_.empty());
    EXPECT_EQ(editableChanges_, (std::vector<bool>{false, true}));

    // Wraps to the begin: one tick for the new time, none for the loop notification.
    clock_.update();
    ASSERT_EQ(ticks_.size(), 1u);
    EXPECT_EQ(ticks_[0].timeStamp(), at(0));
}

TEST_F(QtClockTest, PushingAStateSetsTimeScaleAndModeBeforeTheDirection)
{
    clock_.setTime(at(1));
    ticks_.clear();
    qtClock_->setClockState(clockState(at(50), orvCore::REVERSE, orvCore::REAL_TIME_OFF, 3.0));
    EXPECT_EQ(ticks_, (States{clockState(at(50), orvCore::STOP), clockState(at(50), orvCore::STOP, orvCore::REAL_TIME_ON, 3.0),
                              clockState(at(50), orvCore::STOP, orvCore::REAL_TIME_OFF, 3.0),
                              clockState(at(50), orvCore::REVERSE, orvCore::REAL_TIME_OFF, 3.0)}));

    ticks_.clear();
    qtClock_->setClockState(clockState(at(60), orvCore::FORWARD, orvCore::REAL_TIME_ON, 3.0));
    EXPECT_EQ(ticks_, (States{clockState(at(60), orvCore::REVERSE, orvCore::REAL_TIME_OFF, 3.0),
                              clockState(at(60), orvCore::REVERSE, orvCore::REAL_TIME_ON, 3.0),
                              clockState(at(60), orvCore::FORWARD, orvCore::REAL_TIME_ON, 3.0)}));

    qtClock_->setClockState(clockState(at(60), orvCore::STOP, orvCore::REAL_TIME_ON, 3.0));
    EXPECT_EQ(clock_.timeDirection(), orvCore::STOP);
    clock_.playForward();
    qtClock_->stop();
    EXPECT_EQ(clock_.timeDirection(), orvCore::STOP);
}

TEST_F(QtClockTest, ADestroyedBindingHearsNothingMore)
{
    // Another binding on the same clock keeps working after the first is gone.
    QtClock second(clock_);
    int secondTicks = 0;
    QObject::connect(&second, &QtClock::tick, [&secondTicks](const ClockState&) { ++secondTicks; });

    qtClock_.reset();
    clock_.setTime(at(5));
    clock_.playForward();
    clock_.setUserEditable(false);
    EXPECT_TRUE(ticks_.empty());
    EXPECT_TRUE(editableChanges_.empty());
    EXPECT_EQ(secondTicks, 2);
}

TEST(QtClockLifetimeTest, ABindingMayBeDestroyedByItsOwnTick)
{
    orvCore::SimulationClock clock;
    auto* qtClock = new QtClock(clock);
    int ticks = 0;
    QObject::connect(qtClock, &QtClock::tick, [&](const ClockState&) {
        ++ticks;
        delete qtClock;
    });
    clock.setTime(at(1));
    clock.setTime(at(2));
    EXPECT_EQ(ticks, 1);
}
