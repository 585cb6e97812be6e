#pragma once

#include "orvCore/Clock.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace orvCore {

/// A complete host clock. Starts at MIN_TIME_STAMP, stopped, in real-time mode at scale 1, bounded by
/// MIN_TIME_STAMP and MAX_TIME_STAMP, not looping, user-editable.
///
/// A host calls update() once per frame: in real-time mode the time advances by the wall time since
/// the previous update times the scale, in the present direction; otherwise by the fixed step size.
/// Time stays within the bounds: it wraps to the other bound (onTimeLoop) when looping is allowed and
/// otherwise stops at the bound. Every change notifies the matching observers once, in registration
/// order, on the calling thread; an unchanged value notifies nothing. Observers may register or remove
/// observers (themselves included) while being notified. A clock is used from one thread, the one
/// that drives it (the host's event-loop thread); observers are called on it.
class SimulationClock : public Clock {
public:
    SimulationClock();
    ~SimulationClock() override;

    TimeStamp currentTime() const override;
    TimeDirection timeDirection() const override;
    double timeScale() const override;
    bool isRealTime() const override;
    /// Asks each time observer's adjustTime in turn (each sees the time as adjusted so far), keeps
    /// the result within the bounds, and notifies onSetTime with isJump when the instant changed.
    void setTime(const TimeStamp& time) override;
    /// Scales that are not finite and positive are ignored (the direction says which way time runs).
    void setTimeScale(double scale) override;
    void setRealTime(bool realTime) override;
    void playReverse() override;
    void stop() override;
    void playForward() override;
    /// Registering a null observer, or one already registered, does nothing.
    void registerTimeObserver(std::shared_ptr<TimeObserver> observer) override;
    void removeTimeObserver(const std::shared_ptr<TimeObserver>& observer) override;
    void registerModeChangeObserver(std::shared_ptr<ModeChangeObserver> observer) override;
    void removeModeChangeObserver(const std::shared_ptr<ModeChangeObserver>& observer) override;

    /// Reorders the two stamps if needed and pulls the current time inside them.
    void setBounds(const TimeStamp& begin, const TimeStamp& end);
    const TimeStamp& beginTime() const;
    const TimeStamp& endTime() const;
    void setCanLoop(bool canLoop);
    bool canLoop() const;
    void setUserEditable(bool editable);
    bool isUserEditable() const;
    /// The advance per update() outside real-time mode (default 0.1 s); a negative step is ignored.
    void setStepSize(const Seconds& step);
    const Seconds& stepSize() const;

    /// Advances the clock by the wall time since the previous update (real time) or by one step,
    /// unless it is stopped. The first update only notes the wall time; a wall clock that went back
    /// counts as no time. Reaching a bound: with looping the time jumps to the other bound
    /// (onSetTime with isJump, then onTimeLoop); without, it takes the bound and the clock stops.
    void update();
    /// As update(), with the wall time given by the host (seconds, as getSystemTime()).
    void update(double wallTime);

private:
    /// Observers in registration order. Notification runs over a copy of the list and skips observers
    /// removed meanwhile, so observers may register or remove observers while being notified.
    template <typename Observer>
    class ObserverList {
    public:
        void add(std::shared_ptr<Observer> observer)
        {
            if (observer && !contains_(observer))
                observers_.push_back(std::move(observer));
        }
        void remove(const std::shared_ptr<Observer>& observer)
        {
            observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
        }
        template <typename Call>
        void notify(const Call& call) const
        {
            const std::vector<std::shared_ptr<Observer>> snapshot = observers_;
            for (const std::shared_ptr<Observer>& observer : snapshot)
                if (contains_(observer))
                    call(*observer);
        }

    private:
        bool contains_(const std::shared_ptr<Observer>& observer) const
        {
            return std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
        }

        std::vector<std::shared_ptr<Observer>> observers_;
    };

    /// Takes time and tells the time observers, unless it names the present instant.
    void takeTime_(const TimeStamp& time, bool isJump);
    void setDirection_(TimeDirection direction);
    TimeStamp withinBounds_(const TimeStamp& time) const;
    /// Moves towards target as one update step: wraps or stops at a bound it would pass.
    void advanceTo_(const TimeStamp& target);

    // All state belongs to the thread that drives the clock; the clock takes no locks.
    TimeStamp time_;
    TimeDirection direction_ = STOP;
    double scale_ = 1.0;
    bool realTime_ = true;
    TimeStamp begin_;
    TimeStamp end_;
    bool canLoop_ = false;
    bool userEditable_ = true;
    Seconds stepSize_;
    std::optional<double> previousWallTime_;  ///< of the previous update; none before the first
    ObserverList<TimeObserver> timeObservers_;
    ObserverList<ModeChangeObserver> modeChangeObservers_;
};

}  // namespace orvCore
