#include "orvCore/SimulationClock.h"

#include <cmath>

namespace orvCore {

namespace {

// A tenth of a second: ten steps per simulated second, a usual rate for stepping a simulation by hand.
const Seconds DEFAULT_STEP_SIZE(0, 100000);

}  // namespace

SimulationClock::SimulationClock()
    : time_(MIN_TIME_STAMP), begin_(MIN_TIME_STAMP), end_(MAX_TIME_STAMP), stepSize_(DEFAULT_STEP_SIZE)
{
}

SimulationClock::~SimulationClock() = default;

TimeStamp SimulationClock::currentTime() const
{
    return time_;
}

TimeDirection SimulationClock::timeDirection() const
{
    return direction_;
}

double SimulationClock::timeScale() const
{
    return scale_;
}

bool SimulationClock::isRealTime() const
{
    return realTime_;
}

void SimulationClock::setTime(const TimeStamp& time)
{
    TimeStamp adjusted = time;
    timeObservers_.notify([&adjusted](TimeObserver& observer) {
        const TimeStamp proposed = adjusted;
        observer.adjustTime(proposed, adjusted);
    });
    takeTime_(withinBounds_(adjusted), true);
}

void SimulationClock::setTimeScale(double scale)
{
    if (!std::isfinite(scale) || scale <= 0.0 || scale == scale_)
        return;
    scale_ = scale;
    modeChangeObservers_.notify([scale](ModeChangeObserver& observer) { observer.onScaleChange(scale); });
}

void SimulationClock::setRealTime(bool realTime)
{
    if (realTime == realTime_)
        return;
    realTime_ = realTime;
    const Mode mode = realTime ? REAL_TIME : NON_REAL_TIME;
    modeChangeObservers_.notify([mode](ModeChangeObserver& observer) { observer.onModeChange(mode); });
}

void SimulationClock::playReverse()
{
    setDirection_(REVERSE);
}

void SimulationClock::stop()
{
    setDirection_(STOP);
}

void SimulationClock::playForward()
{
    setDirection_(FORWARD);
}

void SimulationClock::registerTimeObserver(std::shared_ptr<TimeObserver> observer)
{
    timeObservers_.add(std::move(observer));
}

void SimulationClock::removeTimeObserver(const std::shared_ptr<TimeObserver>& observer)
{
    timeObservers_.remove(observer);
}

void SimulationClock::registerModeChangeObserver(std::shared_ptr<ModeChangeObserver> observer)
{
    modeChangeObservers_.add(std::move(observer));
}

void SimulationClock::removeModeChangeObserver(const std::shared_ptr<ModeChangeObserver>& observer)
{
    modeChangeObservers_.remove(observer);
}

void SimulationClock::setBounds(const TimeStamp& begin, const TimeStamp& end)
{
    const bool ordered = begin <= end;
    const TimeStamp first = ordered ? begin : end;
    const TimeStamp last = ordered ? end : begin;
    if (first == begin_ && last == end_)
        return;
    begin_ = first;
    end_ = last;
    modeChangeObservers_.notify([&first, &last](ModeChangeObserver& observer) { observer.onBoundsChange(first, last); });
    takeTime_(withinBounds_(time_), true);
}

const TimeStamp& SimulationClock::beginTime() const
{
    return begin_;
}

const TimeStamp& SimulationClock::endTime() const
{
    return end_;
}

void SimulationClock::setCanLoop(bool canLoop)
{
    if (canLoop == canLoop_)
        return;
    canLoop_ = canLoop;
    modeChangeObservers_.notify([canLoop](ModeChangeObserver& observer) { observer.onCanLoopChange(canLoop); });
}

bool SimulationClock::canLoop() const
{
    return canLoop_;
}

void SimulationClock::setUserEditable(bool editable)
{
    if (editable == userEditable_)
        return;
    userEditable_ = editable;
    modeChangeObservers_.notify([editable](ModeChangeObserver& observer) { observer.onUserEditableChanged(editable); });
}

bool SimulationClock::isUserEditable() const
{
    return userEditable_;
}

void SimulationClock::setStepSize(const Seconds& step)
{
    if (step >= Seconds())
        stepSize_ = step;
}

const Seconds& SimulationClock::stepSize() const
{
    return stepSize_;
}

void SimulationClock::update()
{
    update(getSystemTime());
}

void SimulationClock::update(double wallTime)
{
    const double elapsed = previousWallTime_ ? std::max(0.0, wallTime - *previousWallTime_) : 0.0;
    previousWallTime_ = wallTime;
    if (direction_ == STOP)
        return;
    const Seconds step = realTime_ ? Seconds(elapsed * scale_) : stepSize_;
    if (step == Seconds())
        return;
    advanceTo_(direction_ == FORWARD ? time_ + step : time_ - step);
}

void SimulationClock::takeTime_(const TimeStamp& time, bool isJump)
{
    if (time == time_)
        return;
    time_ = time;
    // Observers get a copy: one of them may move the clock again while the others are told.
    const TimeStamp taken = time;
    timeObservers_.notify([&taken, isJump](TimeObserver& observer) { observer.onSetTime(taken, isJump); });
}

void SimulationClock::setDirection_(TimeDirection direction)
{
    if (direction == direction_)
        return;
    direction_ = direction;
    modeChangeObservers_.notify([direction](ModeChangeObserver& observer) { observer.onDirectionChange(direction); });
}

TimeStamp SimulationClock::withinBounds_(const TimeStamp& time) const
{
    if (time < begin_)
        return begin_;
    return time > end_ ? end_ : time;
}

void SimulationClock::advanceTo_(const TimeStamp& target)
{
    if (target >= begin_ && target <= end_) {
        takeTime_(target, false);
        return;
    }
    const bool pastEnd = target > end_;
    // A span of one instant has no other bound to wrap to.
    if (canLoop_ && begin_ < end_) {
        takeTime_(pastEnd ? begin_ : end_, true);
        timeObservers_.notify([](TimeObserver& observer) { observer.onTimeLoop(); });
        return;
    }
    takeTime_(pastEnd ? end_ : begin_, false);
    setDirection_(STOP);
}

}  // namespace orvCore
