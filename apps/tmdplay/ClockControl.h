#pragma once

#include <QString>

namespace orvCore {
class SimulationClock;
}

/// What a user can do to the clock, by key name; the keyboard and scripted key presses share it.
class ClockControl {
public:
    explicit ClockControl(orvCore::SimulationClock& clock);

    /// Acts on a key named as in the keyboard table: "space", "r", "+", "-", "left", "right",
    /// "up", "down", "n". False for any other name.
    bool press(const QString& key);

    void togglePlay();
    void reverse();
    void multiplyScale(double factor);
    void jump(double seconds);
    /// Leaves real time and advances one clock step in the present direction (forward when stopped).
    void stepOnce();

private:
    orvCore::SimulationClock& clock_;  // the host's; driven on the loop's thread
};
