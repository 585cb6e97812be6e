#include "PlayerOptions.h"

#include <QCommandLineParser>
#include <QTextStream>

#include <cstdio>

namespace {

const char* const kDescription = R"(Plays TMD files, playlist files (.lst) and media files in a 3-D scene
in step with one simulation clock. One file fills the view; several (or --stage)
stand on a ground grid, the first one's video also cast onto the ground by a
projector, with a time line of every item's window and the clock under the
text line. Drag the mouse to orbit the camera.

A .tmd file is read through the osgdb_tmd plugin, found by name in the osgDB
library path (from the build tree, <build>/lib is used when OSG_LIBRARY_PATH is
not set). A .lst file and any other file go through the playlist node's own
loaders; a media file's first frame belongs at the start of the current year.

Times are time strings (2026-03-14T12:30:05.25Z, 2026:073:12:30:05.25,
073:12:30:05.25 or seconds into the current year), or +SECONDS after the first
item's start.

With a window: space plays and stops, r reverses, + and - double and halve the
clock's scale, left/right jump 1 s, down/up jump 5 s, n steps one non-real-time
step. A line of text shows clock time, state and scale.

Screenshots: with a stopped clock tmdplay jumps to each time in turn and takes
the picture once it has settled; with a running clock it takes it when the
clock passes the time. Offscreen runs end when every screenshot is taken, or
after --run-for, or after 10 s.

The sync report has one line per frame: clock time and the media time of the
picture on screen, read from the frame stamp in the picture (a row of sixteen cells
along the bottom: white, bits 0-13 of the frame number, black). A summary is
printed at the end.

--windows plays one playlist file as a windowed host does: each video gets an
OpenGL window with sound and each image a label window, shown when its item
plays and placed and decorated as the playlist says.)";

bool parseSize(const QString& text, QSize& size)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    bool widthOk = false;
    bool heightOk = false;
    if (parts.size() == 2)
        size = QSize(parts[0].toInt(&widthOk), parts[1].toInt(&heightOk));
    return widthOk && heightOk && size.width() > 0 && size.height() > 0;
}

bool parseScriptedKeys(const QStringList& values, QVector<ScriptedKey>& keys)
{
    for (const QString& value : values) {
        for (const QString& item : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const int colon = item.indexOf(QLatin1Char(':'));
            bool ok = false;
            const double after = item.left(colon).toDouble(&ok);
            if (colon < 0 || !ok || after < 0.0)
                return false;
            keys.push_back({after, item.mid(colon + 1)});
        }
    }
    return true;
}

bool parsePositive(const QCommandLineParser& parser, const QString& name, double& value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    value = parser.value(name).toDouble(&ok);
    return ok && value > 0.0;
}

}  // namespace

std::optional<PlayerOptions> parsePlayerOptions(const QStringList& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    parser.addOption(help);
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("One or more .tmd, .lst or media files; several stand in a 3-D scene."),
                                 QStringLiteral("file..."));
    parser.addOptions({
        {QStringLiteral("start"), QStringLiteral("Clock start time (default: the first item's start)."), QStringLiteral("time")},
        {QStringLiteral("scale"), QStringLiteral("Clock scale of real time (default 1)."), QStringLiteral("factor")},
        {QStringLiteral("stopped"), QStringLiteral("Start with the clock stopped.")},
        // Not "reverse": QApplication takes that one for right-to-left layouts before we see it.
        {QStringLiteral("backwards"), QStringLiteral("Start with the clock running in reverse.")},
        {QStringLiteral("step"), QStringLiteral("Run in non-real-time, advancing this much per frame."), QStringLiteral("seconds")},
        {QStringLiteral("run-for"), QStringLiteral("Quit after this many wall-clock seconds."), QStringLiteral("seconds")},
        {QStringLiteral("offscreen"), QStringLiteral("Render into a pbuffer, no window (default without DISPLAY).")},
        {QStringLiteral("size"), QStringLiteral("Picture size (default 1280x720)."), QStringLiteral("WxH")},
        {QStringLiteral("screenshot"), QStringLiteral("Take a screenshot at this clock time (repeatable, or comma separated)."), QStringLiteral("time")},
        {QStringLiteral("screenshot-dir"), QStringLiteral("Folder for screenshots (default ./screenshots)."), QStringLiteral("dir")},
        {QStringLiteral("sync-report"), QStringLiteral("Write the per-frame sync report here (- for stdout)."), QStringLiteral("file")},
        {QStringLiteral("stamp-rate"), QStringLiteral("Frame rate of the frame stamps (default 25)."), QStringLiteral("fps")},
        {QStringLiteral("windows"), QStringLiteral("Play a playlist file in windows, as a windowed host.")},
        {QStringLiteral("stage"), QStringLiteral("Show even one file in the 3-D scene.")},
        {QStringLiteral("record"), QStringLiteral("Write every frame drawn to this folder (frame-00001.jpg, ...)."), QStringLiteral("dir")},
        {QStringLiteral("keys"), QStringLiteral("Press keys by themselves: SECONDS:KEY[,...], e.g. 2:space,3:right."), QStringLiteral("script")},
    });
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return std::nullopt;
    }
    if (parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("expected a file; see --help");
        return std::nullopt;
    }

    PlayerOptions options;
    options.inputs = parser.positionalArguments();
    options.stage = parser.isSet(QStringLiteral("stage")) || options.inputs.size() > 1;
    options.startTime = parser.value(QStringLiteral("start"));
    options.startStopped = parser.isSet(QStringLiteral("stopped"));
    options.startReverse = parser.isSet(QStringLiteral("backwards"));
    options.offscreen = parser.isSet(QStringLiteral("offscreen")) || qEnvironmentVariableIsEmpty("DISPLAY");
    options.windows = parser.isSet(QStringLiteral("windows"));
    for (const QString& value : parser.values(QStringLiteral("screenshot")))
        options.screenshotTimes += value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parser.isSet(QStringLiteral("screenshot-dir")))
        options.screenshotDir = parser.value(QStringLiteral("screenshot-dir"));
    options.syncReportPath = parser.value(QStringLiteral("sync-report"));
    options.recordDir = parser.value(QStringLiteral("record"));

    if (!parsePositive(parser, QStringLiteral("scale"), options.scale))
        error = QStringLiteral("--scale needs a number above 0");
    else if (!parsePositive(parser, QStringLiteral("step"), options.stepSeconds))
        error = QStringLiteral("--step needs a number of seconds above 0");
    else if (!parsePositive(parser, QStringLiteral("run-for"), options.runForSeconds))
        error = QStringLiteral("--run-for needs a number of seconds above 0");
    else if (!parsePositive(parser, QStringLiteral("stamp-rate"), options.stampRate))
        error = QStringLiteral("--stamp-rate needs a frame rate above 0");
    else if (parser.isSet(QStringLiteral("size")) && !parseSize(parser.value(QStringLiteral("size")), options.size))
        error = QStringLiteral("--size needs WIDTHxHEIGHT");
    else if (!parseScriptedKeys(parser.values(QStringLiteral("keys")), options.scriptedKeys))
        error = QStringLiteral("--keys needs SECONDS:KEY items");
    else if (options.startStopped && options.startReverse)
        error = QStringLiteral("--stopped and --backwards exclude each other");
    if (!error.isEmpty())
        return std::nullopt;
    return options;
}
