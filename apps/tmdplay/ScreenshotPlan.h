#pragma once

#include "orvCore/Time.h"

#include <QDir>
#include <QString>

#include <deque>

namespace orvCore {
class SimulationClock;
}
class ScreenCapture;

/// Takes a screenshot at each requested clock time, in the order given. A running clock is shot at
/// the first frame at or past the time in its direction. A stopped clock is moved to the time and
/// shot once the picture has stopped changing, since a paused video shows its new picture a few
/// frames after the seek.
class ScreenshotPlan {
public:
    /// origin: the time that names are counted from (the first item's start).
    ScreenshotPlan(std::deque<orvCore::TimeStamp> times, const QDir& folder, const orvCore::TimeStamp& origin,
                   ScreenCapture& capture);

    bool isEmpty() const { return times_.empty() && !capturing_; }
    bool wasRequested() const { return requested_; }

    /// Before each frame: pictureVersion changes whenever any picture in the scene changes.
    void beforeFrame(orvCore::SimulationClock& clock, double wallTime, unsigned pictureVersion);
    /// After each frame: saves what was captured. The saved file's name, or empty.
    QString afterFrame(const orvCore::SimulationClock& clock);

private:
    bool reached_(const orvCore::SimulationClock& clock) const;

    // All on the loop's thread.
    std::deque<orvCore::TimeStamp> times_;
    QDir folder_;
    orvCore::TimeStamp origin_;
    ScreenCapture& capture_;
    bool requested_;
    bool capturing_ = false;
    int taken_ = 0;
    unsigned pictureVersion_ = 0;
    double pictureChangedAt_ = 0.0;  ///< wall time of the last picture change or jump
};
