#include "ScreenshotPlan.h"

#include "ScreenCapture.h"

#include "orvCore/SimulationClock.h"

#include <QImage>

namespace {
// A paused picture that has not changed for this long has settled after a seek: the pipeline
// delivers the sought picture within a few frame ticks of 16 ms, far less than this.
constexpr double kSettleSeconds = 0.5;
}  // namespace

ScreenshotPlan::ScreenshotPlan(std::deque<orvCore::TimeStamp> times, const QDir& folder,
                               const orvCore::TimeStamp& origin, ScreenCapture& capture)
    : times_(std::move(times))
    , folder_(folder)
    , origin_(origin)
    , capture_(capture)
    , requested_(!times_.empty())
{
}

void ScreenshotPlan::beforeFrame(orvCore::SimulationClock& clock, double wallTime, unsigned pictureVersion)
{
    if (pictureVersion != pictureVersion_) {
        pictureVersion_ = pictureVersion;
        pictureChangedAt_ = wallTime;
    }
    if (times_.empty() || capturing_)
        return;
    if (clock.timeDirection() == orvCore::STOP) {
        if (clock.currentTime() != times_.front()) {
            clock.setTime(times_.front());
            pictureChangedAt_ = wallTime;
            return;
        }
        if (wallTime - pictureChangedAt_ < kSettleSeconds)
            return;
    } else if (!reached_(clock)) {
        return;
    }
    capture_.request();
    capturing_ = true;
}

QString ScreenshotPlan::afterFrame(const orvCore::SimulationClock& clock)
{
    if (!capturing_)
        return QString();
    const QImage picture = capture_.take();
    capturing_ = false;
    times_.pop_front();
    ++taken_;
    const double clockSeconds = (clock.currentTime() - origin_).toDouble();
    const QString name = folder_.filePath(QStringLiteral("shot-%1-at-%2s.png")
                                              .arg(taken_, 2, 10, QLatin1Char('0'))
                                              .arg(clockSeconds, 0, 'f', 3));
    if (picture.isNull() || !picture.save(name))
        return QString();
    return name;
}

bool ScreenshotPlan::reached_(const orvCore::SimulationClock& clock) const
{
    const orvCore::TimeStamp now = clock.currentTime();
    return clock.timeDirection() == orvCore::REVERSE ? !(now > times_.front()) : !(now < times_.front());
}
