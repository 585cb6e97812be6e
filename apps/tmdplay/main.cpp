// tmdplay: a host application for the osgdb_tmd plugin. It owns the Qt application and the
// simulation clock, reads its argument into a playlist node (or a windowed playlist) bound to the
// clock, and plays it from one loop on one thread; see --help.
#include "ClockControl.h"
#include "Hud.h"
#include "KeyboardHandler.h"
#include "MediaItems.h"
#include "PlayerLoop.h"
#include "PlayerOptions.h"
#include "ScenePictures.h"
#include "SceneLoader.h"
#include "ScreenCapture.h"
#include "ScreenshotPlan.h"
#include "SyncReport.h"
#include "ViewerFactory.h"
#include "WindowedPlaylist.h"

#include "common/ProcessEnd.h"

#include "orvCore/SimulationClock.h"
#include "plugin/OsgFindDataFileSearch.h"
#include "plugin/PlaylistNode.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <deque>
#include <memory>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "tmdplay: %s\n", qPrintable(message));
    return 1;
}

/// The clock as the options ask, at start; every change ticks the playlist bound to it.
void startClock(orvCore::SimulationClock& clock, const PlayerOptions& options, const orvCore::TimeStamp& start)
{
    clock.setTime(start);
    clock.setTimeScale(options.scale);
    if (options.stepSeconds > 0.0) {
        clock.setStepSize(orvCore::Seconds(options.stepSeconds));
        clock.setRealTime(false);
    }
    if (options.startReverse)
        clock.playReverse();
    else if (!options.startStopped)
        clock.playForward();
}

int run(int argc, char** argv)
{
    // Without a display Qt still needs a platform; the pictures come from OpenGL all the same.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString error;
    const std::optional<PlayerOptions> options = parsePlayerOptions(app.arguments(), error);
    if (!options)
        return error.isEmpty() ? 0 : fail(error);
    SceneLoader::findPluginBesideExecutable(QCoreApplication::applicationFilePath());

    // A bare media file starts at the beginning of the current year, so "+seconds" times count
    // from its first frame.
    const orvCore::TimeStamp mediaStart(orvCore::currentYear(), orvCore::Seconds());
    MediaPlayer2::OsgFindDataFileSearch fileSearch;
    const MediaItems::Kind kind = MediaItems::kindOf(options->input);
    const MediaItems items = MediaItems::read(options->input, mediaStart, &fileSearch);
    const orvCore::TimeStamp origin = items.firstStart();
    const std::optional<orvCore::TimeStamp> start =
        options->startTime.isEmpty() ? origin : MediaItems::resolveTime(options->startTime, origin);
    if (!start)
        return fail(QStringLiteral("--start: not a time: %1").arg(options->startTime));
    std::deque<orvCore::TimeStamp> shotTimes;
    for (const QString& text : options->screenshotTimes) {
        const std::optional<orvCore::TimeStamp> time = MediaItems::resolveTime(text, origin);
        if (!time)
            return fail(QStringLiteral("--screenshot: not a time: %1").arg(text));
        shotTimes.push_back(*time);
    }
    if (!shotTimes.empty() && !QDir().mkpath(options->screenshotDir))
        return fail(QStringLiteral("cannot make the folder %1").arg(options->screenshotDir));

    // The clock outlives everything bound to it.
    orvCore::SimulationClock clock;
    osg::ref_ptr<MediaPlayer2::PlaylistNode> node;
    std::unique_ptr<WindowedPlaylist> windowed;
    if (options->windows) {
        if (kind != MediaItems::Kind::Playlist)
            return fail(QStringLiteral("--windows plays playlist files (.lst)"));
        windowed = std::make_unique<WindowedPlaylist>(options->input, fileSearch, clock);
    } else {
        node = SceneLoader::load(options->input, kind, mediaStart, clock, fileSearch, error);
        if (!node)
            return fail(error);
    }

    Hud hud(options->size.width(), options->size.height());
    osg::ref_ptr<osg::Group> root = new osg::Group;
    if (node)
        root->addChild(node.get());
    root->addChild(hud.camera());
    osg::ref_ptr<osgViewer::Viewer> viewer = ViewerFactory::create(options->offscreen, options->size, root.get(),
                                                                   node.get(), error);
    if (!viewer)
        return fail(error);
    ClockControl control(clock);
    viewer->addEventHandler(new KeyboardHandler(control));
    osg::ref_ptr<ScreenCapture> capture = new ScreenCapture;
    viewer->getCamera()->setFinalDrawCallback(capture.get());

    const ScenePictures pictures(node.get());
    ScreenshotPlan screenshots(std::move(shotTimes), QDir(options->screenshotDir), origin, *capture);
    SyncReport report(options->syncReportPath, options->stampRate);
    startClock(clock, *options, *start);
    PlayerLoop({*viewer, clock, control, hud, pictures, items, screenshots, report}, origin).run(*options);

    std::printf("%s", qPrintable(report.summary()));
    // The scene goes before the clock and the Qt application: the node unbinds from the clock
    // and stops its media while both still exist.
    viewer = nullptr;
    root = nullptr;
    node = nullptr;
    windowed.reset();
    return screenshots.isEmpty() ? 0 : fail(QStringLiteral("not every screenshot was taken"));
}

}  // namespace

int main(int argc, char** argv)
{
    processsupport::endProcess(run(argc, argv));
}
