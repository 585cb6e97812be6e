#pragma once

#include "orvCore/Clock.h"

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
/// observers (themselves included) while being notified.
class SimulationClock : public Clock {
public:
    SimulationClock();
    ~SimulationClock() override;

    TimeStamp currentTime() const override;
    TimeDirection timeDirection() const override;
    double timeScale() const override;
    bool isRealTime() const override;
    void setTime(const TimeStamp& time) override;
    void setTimeScale(double scale) override;
    void setRealTime(bool realTime) override;
    void playReverse() override;
    void stop() override;
    void playForward() override;
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
    /// The advance per update() outside real-time mode (default 0.1 s).
    void setStepSize(const Seconds& step);
    const Seconds& stepSize() const;

    /// Advances the clock by the wall time since the previous update (real time) or by one step.
    void update();
    /// As update(), with the wall time given by the host (seconds, as getSystemTime()).
    void update(double wallTime);

private:
    // The private part is the implementer's; see SimulationClock.cpp.
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace orvCore
