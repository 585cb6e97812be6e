#include "PlayerLoop.h"

#include "ClockControl.h"
#include "FrameRecorder.h"
#include "Hud.h"
#include "MediaItems.h"
#include "ScenePictures.h"
#include "StagePictures.h"
#include "ScreenshotPlan.h"
#include "SyncReport.h"

#include "common/FrameStamp.h"

#include "orvCore/SimulationClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {
// An offscreen run with nothing to wait for (no screenshots, no --run-for) plays this long.
constexpr double kDefaultOffscreenSeconds = 10.0;
// Frames are drawn at most this often; Qt runs its event loop for the rest of each period, so that
// the pipelines' read and frame timers fire on time and not just once per frame.
constexpr double kFramePeriodSeconds = 1.0 / 60.0;

const char* stateOf(const orvCore::SimulationClock& clock)
{
    if (!clock.isRealTime())
        return clock.timeDirection() == orvCore::STOP ? "stopped" : "stepping";
    static const char* const kStates[] = {"playing", "reverse", "stopped"};
    return kStates[clock.timeDirection()];
}
}  // namespace

PlayerLoop::PlayerLoop(const Parts& parts, const orvCore::TimeStamp& origin)
    : parts_(parts)
    , origin_(origin)
{
}

void PlayerLoop::run(const PlayerOptions& options)
{
    QVector<ScriptedKey> keys = options.scriptedKeys;
    std::stable_sort(keys.begin(), keys.end(),
                     [](const ScriptedKey& a, const ScriptedKey& b) { return a.afterSeconds < b.afterSeconds; });
    int nextKey = 0;
    // Run time and scripted keys count from the first frame on screen, not from the set-up.
    std::optional<double> startedAt;
    while (!parts_.viewer.done()) {
        const double now = orvCore::getSystemTime();
        if (startedAt && finished_(options, now - *startedAt))
            break;
        for (; startedAt && nextKey < keys.size() && keys[nextKey].afterSeconds <= now - *startedAt; ++nextKey)
            if (!parts_.control.press(keys[nextKey].key))
                std::fprintf(stderr, "tmdplay: unknown key %s\n", qPrintable(keys[nextKey].key));
        parts_.clock.update(now);
        QCoreApplication::processEvents();
        parts_.screenshots.beforeFrame(parts_.clock, now, parts_.pictures.version());
        recordSync_();
        parts_.hud.show(parts_.clock, std::string());
        parts_.recorder.beforeFrame();
        parts_.viewer.frame();
        if (!startedAt)
            startedAt = orvCore::getSystemTime();
        if (!parts_.recorder.afterFrame())
            std::fprintf(stderr, "tmdplay: frame %d could not be recorded\n", parts_.recorder.written());
        const QString shot = parts_.screenshots.afterFrame(parts_.clock);
        if (!shot.isEmpty())
            printScreenshot_(shot);
        serveQtUntil_(now + kFramePeriodSeconds);
    }
}

bool PlayerLoop::finished_(const PlayerOptions& options, double elapsed) const
{
    if (options.runForSeconds > 0.0)
        return elapsed >= options.runForSeconds;
    if (!options.offscreen)
        return false;
    if (parts_.screenshots.wasRequested())
        return parts_.screenshots.isEmpty();
    return elapsed >= kDefaultOffscreenSeconds;
}

void PlayerLoop::serveQtUntil_(double wallTime)
{
    const int restMs = static_cast<int>((wallTime - orvCore::getSystemTime()) * 1000.0);
    if (restMs <= 0)
        return;
    QEventLoop rest;
    QTimer::singleShot(restMs, &rest, &QEventLoop::quit);
    rest.exec();
}

void PlayerLoop::recordSync_()
{
    const orvCore::SimulationClock& clock = parts_.clock;
    const orvCore::TimeStamp now = clock.currentTime();
    const MediaPlayer2::MediaParameters* item = parts_.items.recordOfChild(parts_.pictures.shownChild());
    std::optional<double> position;
    bool playsByItself = false;
    if (item && !(now < item->startTime())) {
        position = (now - item->timeZero()).toDouble();
        playsByItself = item->realtimeForwardCase() && clock.isRealTime() && clock.timeDirection() == orvCore::FORWARD;
    }
    const osg::Image* picture = parts_.pictures.shownPicture();
    parts_.report.record((now - origin_).toDouble(), stateOf(clock), playsByItself, position,
                         picture ? FrameStamp::read(*picture) : -1);
}

void PlayerLoop::printScreenshot_(const QString& fileName)
{
    const osg::Image* picture = parts_.pictures.shownPicture();
    const int frame = picture ? FrameStamp::read(*picture) : -1;
    QString onScreen;
    if (!parts_.stagePictures.isEmpty()) {
        onScreen = QStringLiteral(", items on screen:");
        for (const int item : parts_.stagePictures.framesIn(QImage(fileName)))
            onScreen += item < 0 ? QStringLiteral(" -") : QStringLiteral(" %1").arg(item);
    }
    std::printf("screenshot %s: clock %+.3f s, %s, picture frame %s%s\n", qPrintable(fileName),
                (parts_.clock.currentTime() - origin_).toDouble(), stateOf(parts_.clock),
                frame < 0 ? "-" : qPrintable(QString::number(frame)), qPrintable(onScreen));
    std::fflush(stdout);
}
