#include "playlist/QtClock.h"

#include "orvCore/SimulationClock.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using MediaPlayer2::ClockState;
using MediaPlayer2::QtClock;
using orvCore::REAL_TIME_OFF;
using orvCore::REAL_TIME_ON;
using orvCore::REVERSE;
using orvCore::STOP;
using testsupport::at;
using testsupport::clockState;

namespace {

using States = std::vector<ClockState>;

class QtClockTest : public ::testing::Test {
protected:
    QtClockTest()
    {
        QObject::connect(qtClock_.get(), &QtClock::tick, [this](const ClockState& state) { ticks_.push_back(state); });
        QObject::connect(qtClock_.get(), &QtClock::userEditableChanged,
                         [this](bool editable) { editableChanges_.push_back(editable); });
    }

    orvCore::SimulationClock clock_;
    std::unique_ptr<QtClock> qtClock_ = std::make_unique<QtClock>(clock_);
    States ticks_;  // compared whole, so a missing or extra tick shows
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
    EXPECT_EQ(ticks_, (States{clockState(at(10), STOP), clockState(at(10), STOP, REAL_TIME_OFF),
                              clockState(at(10), REVERSE, REAL_TIME_OFF), clockState(at(10), REVERSE, REAL_TIME_OFF, 4.0),
                              clockState(at(10), REVERSE, REAL_TIME_OFF, 4.0)}));
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
    qtClock_->setClockState(clockState(at(50), REVERSE, REAL_TIME_OFF, 3.0));
    EXPECT_EQ(ticks_, (States{clockState(at(50), STOP), clockState(at(50), STOP, REAL_TIME_ON, 3.0),
                              clockState(at(50), STOP, REAL_TIME_OFF, 3.0), clockState(at(50), REVERSE, REAL_TIME_OFF, 3.0)}));
    qtClock_->setClockState(clockState(at(60), STOP, REAL_TIME_ON, 3.0));
    EXPECT_EQ(clock_.timeDirection(), STOP);
    clock_.playForward();
    qtClock_->stop();
    EXPECT_EQ(clock_.timeDirection(), STOP);
}

TEST_F(QtClockTest, ADestroyedBindingHearsNothingMoreAndMayBeDestroyedByItsOwnTick)
{
    // Another binding on the same clock keeps working after the first is gone.
    auto* second = new QtClock(clock_);
    int secondTicks = 0;
    QObject::connect(second, &QtClock::tick, [&](const ClockState&) {
        ++secondTicks;
        delete second;
    });
    qtClock_.reset();
    clock_.setTime(at(5));
    clock_.playForward();
    clock_.setUserEditable(false);
    EXPECT_TRUE(ticks_.empty());
    EXPECT_TRUE(editableChanges_.empty());
    EXPECT_EQ(secondTicks, 1);
}
