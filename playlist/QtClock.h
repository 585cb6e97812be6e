#pragma once

#include "orvCore/Clock.h"
#include "playlist/ClockState.h"

#include <QObject>

#include <memory>

namespace MediaPlayer2 {

/// Turns the host clock into Qt signals and lets a ClockState be pushed back into it.
///
/// Every time, mode, direction, scale or bounds change of the clock becomes one tick() carrying a
/// fresh snapshot of the whole clock. ClockState is not a registered meta type, so tick() can only be
/// delivered through direct connections: the clock must notify on the thread that owns this object
/// and its receivers, and the receivers then run inside the clock's notification.
class QtClock : public QObject {
    Q_OBJECT

public:
    /// Registers with the clock, which must outlive this object.
    explicit QtClock(orvCore::Clock& clock, QObject* parent = nullptr);
    /// Unregisters from the clock; no signal follows.
    ~QtClock() override;

signals:
    void tick(const ClockState& clockState);
    void userEditableChanged(bool isEditable);

public slots:
    /// Sets the clock's time, scale and real-time mode, then starts it in the state's direction.
    /// Each change may tick synchronously from inside the clock.
    void setClockState(const ClockState& clockState);
    void stop();

private:
    class TimeBinding;
    class ModeBinding;

    void emitTick_();
    void emitEditableChanged_(bool isEditable);

    orvCore::Clock& clock_;
    // Used on the thread that drives the clock, which must own this object too.
    // The clock holds copies of the bindings; they are removed from it before they are released.
    std::shared_ptr<TimeBinding> timeBinding_;
    std::shared_ptr<ModeBinding> modeBinding_;
};

}  // namespace MediaPlayer2
