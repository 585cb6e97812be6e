#include "playlist/QtClock.h"

namespace MediaPlayer2 {

/// Hears the clock's time changes. Loops and time adjustments are no clock state change of their own.
class QtClock::TimeBinding : public orvCore::Clock::TimeObserver {
public:
    explicit TimeBinding(QtClock* owner)
        : owner_(owner)
    {
    }

    void onSetTime(const orvCore::TimeStamp&, bool) override { owner_->emitTick_(); }
    void onTimeLoop() override {}
    void adjustTime(const orvCore::TimeStamp&, orvCore::TimeStamp&) override {}

private:
    QtClock* owner_;
};

/// Hears the clock's mode changes; each tick reads the clock anew, so the new values are not used.
class QtClock::ModeBinding : public orvCore::Clock::ModeChangeObserver {
public:
    explicit ModeBinding(QtClock* owner)
        : owner_(owner)
    {
    }

    void onModeChange(orvCore::Clock::Mode) override { owner_->emitTick_(); }
    void onDirectionChange(orvCore::TimeDirection) override { owner_->emitTick_(); }
    void onScaleChange(double) override { owner_->emitTick_(); }
    void onBoundsChange(const orvCore::TimeStamp&, const orvCore::TimeStamp&) override { owner_->emitTick_(); }
    void onCanLoopChange(bool) override {}
    void onUserEditableChanged(bool isEditable) override { owner_->emitEditableChanged_(isEditable); }

private:
    QtClock* owner_;
};

QtClock::QtClock(orvCore::Clock& clock, QObject* parent)
    : QObject(parent)
    , clock_(clock)
{
    timeBinding_ = std::make_shared<TimeBinding>(this);
    clock_.registerTimeObserver(timeBinding_);
    modeBinding_ = std::make_shared<ModeBinding>(this);
    clock_.registerModeChangeObserver(modeBinding_);
}

QtClock::~QtClock()
{
    clock_.removeModeChangeObserver(modeBinding_);
    clock_.removeTimeObserver(timeBinding_);
}

void QtClock::setClockState(const ClockState& clockState)
{
    clock_.setTime(clockState.timeStamp());
    clock_.setTimeScale(clockState.scaleOfRealTime());
    clock_.setRealTime(clockState.realTimeMode() == orvCore::REAL_TIME_ON);
    switch (clockState.direction()) {
    case orvCore::REVERSE:
        clock_.playReverse();
        break;
    case orvCore::FORWARD:
        clock_.playForward();
        break;
    case orvCore::STOP:
        clock_.stop();
        break;
    }
}

void QtClock::stop()
{
    clock_.stop();
}

void QtClock::emitTick_()
{
    emit tick(ClockState(clock_));
}

void QtClock::emitEditableChanged_(bool isEditable)
{
    emit userEditableChanged(isEditable);
}

}  // namespace MediaPlayer2
