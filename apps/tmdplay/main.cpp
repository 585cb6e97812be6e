// tmdplay: a host application for the osgdb_tmd plugin. It owns the Qt application and the
// simulation clock, reads its argument into a playlist node (or a windowed playlist) bound to the
// clock, and plays it from one loop on one thread; see --help.
#include "ClockControl.h"
#include "FrameRecorder.h"
#include "Hud.h"
#include "KeyboardHandler.h"
#include "MediaItems.h"
#include "PlayerLoop.h"
#include "PlayerOptions.h"
#include "ScenePictures.h"
#include "SceneLoader.h"
#include "Stage.h"
#include "StagePictures.h"
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
#include <optional>
#include <vector>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "tmdplay: %s\n", qPrintable(message));
    return 1;
}

/// The earliest first start of all the files: where "+seconds" times count from.
orvCore::TimeStamp earliestStart(const PlayerOptions& options, const MediaItems& leadItems,
                                 const orvCore::TimeStamp& mediaStart, orvCore::FileSearch& fileSearch)
{
    orvCore::TimeStamp origin = leadItems.firstStart();
    bool found = !leadItems.isEmpty();
    for (const QString& input : options.inputs.mid(1)) {
        const MediaItems items = MediaItems::read(input, mediaStart, &fileSearch);
        if (!items.isEmpty() && (!found || items.firstStart() < origin))
            origin = items.firstStart();
        found = found || !items.isEmpty();
    }
    return origin;
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
    const QString& lead = options->inputs.front();
    const MediaItems::Kind kind = MediaItems::kindOf(lead);
    const MediaItems items = MediaItems::read(lead, mediaStart, &fileSearch);
    const orvCore::TimeStamp origin = earliestStart(*options, items, mediaStart, fileSearch);
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
    std::vector<osg::ref_ptr<MediaPlayer2::PlaylistNode>> others;
    std::unique_ptr<WindowedPlaylist> windowed;
    std::optional<Stage> stage;
    if (options->stage)
        stage.emplace();
    Hud hud(options->size.width(), options->size.height());
    if (options->windows) {
        if (kind != MediaItems::Kind::Playlist || options->inputs.size() != 1)
            return fail(QStringLiteral("--windows plays one playlist file (.lst)"));
        windowed = std::make_unique<WindowedPlaylist>(lead, fileSearch, clock);
    } else {
        node = SceneLoader::load(lead, kind, mediaStart, clock, fileSearch, error, stage ? stage->projector() : nullptr);
        for (const QString& input : options->inputs.mid(1)) {
            others.push_back(SceneLoader::load(input, MediaItems::kindOf(input), mediaStart, clock, fileSearch, error));
            if (!others.back())
                return fail(error);
        }
        if (!node)
            return fail(error);
    }

    // The nodes that stand in the 3-D scene, the lead first.
    std::vector<MediaPlayer2::PlaylistNode*> staged;
    if (stage && node) {
        staged.push_back(node.get());
        for (const osg::ref_ptr<MediaPlayer2::PlaylistNode>& other : others)
            staged.push_back(other.get());
    }
    osg::ref_ptr<osg::Group> root = new osg::Group;
    if (stage) {
        for (MediaPlayer2::PlaylistNode* placed : staged)
            stage->place(placed);
        hud.addTimeline([&] {
            Timeline::Windows windows;
            for (const MediaPlayer2::PlaylistNode* placed : staged) {
                const Timeline::Windows ranges = placed->itemRanges();
                windows.insert(windows.end(), ranges.begin(), ranges.end());
            }
            return windows;
        });
        root->addChild(stage->root());
    } else if (node) {
        root->addChild(node.get());
    }
    root->addChild(hud.camera());
    osg::ref_ptr<osgViewer::Viewer> viewer = ViewerFactory::create(options->offscreen, options->size, root.get(),
                                                                   stage ? nullptr : node.get(), error);
    if (!viewer)
        return fail(error);
    if (stage)
        stage->frame(*viewer);
    ClockControl control(clock);
    viewer->addEventHandler(new KeyboardHandler(control));
    osg::ref_ptr<ScreenCapture> capture = new ScreenCapture;
    viewer->getCamera()->setFinalDrawCallback(capture.get());

    const ScenePictures pictures(node.get());
    StagePictures stagePictures(viewer->getCamera());
    for (MediaPlayer2::PlaylistNode* placed : staged)
        stagePictures.add(placed);
    ScreenshotPlan screenshots(std::move(shotTimes), QDir(options->screenshotDir), origin, *capture);
    if (!options->recordDir.isEmpty() && !QDir().mkpath(options->recordDir))
        return fail(QStringLiteral("cannot make the folder %1").arg(options->recordDir));
    FrameRecorder recorder(options->recordDir, *capture);
    SyncReport report(options->syncReportPath, options->stampRate);
    startClock(clock, *options, *start);
    PlayerLoop({*viewer, clock, control, hud, pictures, stagePictures, items, screenshots, recorder, report}, origin).run(*options);

    std::printf("%s", qPrintable(report.summary()));
    // The scene goes before the clock and the Qt application: the node unbinds from the clock
    // and stops its media while both still exist.
    viewer = nullptr;
    root = nullptr;
    node = nullptr;
    others.clear();
    stage.reset();
    windowed.reset();
    return screenshots.isEmpty() ? 0 : fail(QStringLiteral("not every screenshot was taken"));
}

}  // namespace

int main(int argc, char** argv)
{
    processsupport::endProcess(run(argc, argv));
}
