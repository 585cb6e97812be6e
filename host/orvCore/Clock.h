#pragma once

#include "orvCore/Time.h"

#include <memory>

namespace orvCore {

/// The host's simulation clock. Observers are called on the thread that changes the clock.
class Clock {
public:
    enum Mode { NON_REAL_TIME = 0, REAL_TIME = 1 };

    class TimeObserver {
    public:
        virtual ~TimeObserver();
        /// The clock's time changed; isJump is true when it was set rather than advanced by a step.
        virtual void onSetTime(const TimeStamp& time, bool isJump) = 0;
        /// The clock wrapped from one bound to the other.
        virtual void onTimeLoop() = 0;
        /// Asked before the clock takes a new time: adjusted starts as proposed and may be changed.
        virtual void adjustTime(const TimeStamp& proposed, TimeStamp& adjusted) = 0;
    };

    class ModeChangeObserver {
    public:
        virtual ~ModeChangeObserver();
        virtual void onModeChange(Mode mode) = 0;
        virtual void onDirectionChange(TimeDirection direction) = 0;
        virtual void onScaleChange(double scale) = 0;
        virtual void onBoundsChange(const TimeStamp& begin, const TimeStamp& end) = 0;
        virtual void onCanLoopChange(bool canLoop) = 0;
        virtual void onUserEditableChanged(bool isEditable) = 0;
    };

    virtual ~Clock();

    virtual TimeStamp currentTime() const = 0;
    virtual TimeDirection timeDirection() const = 0;
    virtual double timeScale() const = 0;
    virtual bool isRealTime() const = 0;
    virtual void setTime(const TimeStamp& time) = 0;
    virtual void setTimeScale(double scale) = 0;
    virtual void setRealTime(bool realTime) = 0;
    virtual void playReverse() = 0;
    virtual void stop() = 0;
    virtual void playForward() = 0;
    virtual void registerTimeObserver(std::shared_ptr<TimeObserver> observer) = 0;
    virtual void removeTimeObserver(const std::shared_ptr<TimeObserver>& observer) = 0;
    virtual void registerModeChangeObserver(std::shared_ptr<ModeChangeObserver> observer) = 0;
    virtual void removeModeChangeObserver(const std::shared_ptr<ModeChangeObserver>& observer) = 0;
};

}  // namespace orvCore
