#include "ClockControl.h"

#include "orvCore/SimulationClock.h"

namespace {
// Arrow keys jump by these; up and down for larger moves.
constexpr double kSmallJumpSeconds = 1.0;
constexpr double kLargeJumpSeconds = 5.0;
// + and - double and halve the scale, so repeated presses reach any speed quickly.
constexpr double kScaleFactor = 2.0;
}  // namespace

ClockControl::ClockControl(orvCore::SimulationClock& clock)
    : clock_(clock)
{
}

bool ClockControl::press(const QString& key)
{
    if (key == QLatin1String("space"))
        togglePlay();
    else if (key == QLatin1String("r"))
        reverse();
    else if (key == QLatin1String("+") || key == QLatin1String("plus"))
        multiplyScale(kScaleFactor);
    else if (key == QLatin1String("-") || key == QLatin1String("minus"))
        multiplyScale(1.0 / kScaleFactor);
    else if (key == QLatin1String("left"))
        jump(-kSmallJumpSeconds);
    else if (key == QLatin1String("right"))
        jump(kSmallJumpSeconds);
    else if (key == QLatin1String("down"))
        jump(-kLargeJumpSeconds);
    else if (key == QLatin1String("up"))
        jump(kLargeJumpSeconds);
    else if (key == QLatin1String("n"))
        stepOnce();
    else
        return false;
    return true;
}

void ClockControl::togglePlay()
{
    if (clock_.timeDirection() == orvCore::STOP)
        clock_.playForward();
    else
        clock_.stop();
}

void ClockControl::reverse()
{
    if (clock_.timeDirection() == orvCore::REVERSE)
        clock_.playForward();
    else
        clock_.playReverse();
}

void ClockControl::multiplyScale(double factor)
{
    clock_.setTimeScale(clock_.timeScale() * factor);
}

void ClockControl::jump(double seconds)
{
    clock_.setTime(clock_.currentTime() + orvCore::Seconds(seconds));
}

void ClockControl::stepOnce()
{
    clock_.setRealTime(false);
    const bool wasStopped = clock_.timeDirection() == orvCore::STOP;
    if (wasStopped)
        clock_.playForward();
    clock_.update();
    if (wasStopped)
        clock_.stop();
}
