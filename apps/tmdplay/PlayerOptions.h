#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

/// A key press that the run loop plays back by itself, at a wall time after the start.
struct ScriptedKey {
    double afterSeconds = 0.0;
    QString key;  ///< a name from the keyboard table, e.g. "space" or "right"
};

/// Everything tmdplay is told on its command line.
struct PlayerOptions {
    QStringList inputs;  ///< the first one leads: its items count for the sync report
    bool stage = false;  ///< the 3-D scene: several files, or asked for
    QString startTime;  ///< a time string or "+seconds" after the first item's start; empty: that start
    double scale = 1.0;
    bool startStopped = false;
    bool startReverse = false;
    double stepSeconds = 0.0;  ///< above 0: the clock runs in non-real-time, this much per frame
    double runForSeconds = 0.0;  ///< 0: until the window closes (or, offscreen, see PlayerLoop)
    bool offscreen = false;
    QSize size{1280, 720};
    QStringList screenshotTimes;  ///< time strings as for startTime
    QString screenshotDir = QStringLiteral("screenshots");
    QString recordDir;  ///< empty: no frames recorded
    QString syncReportPath;  ///< empty: no per-frame report; the summary is printed anyway
    double stampRate = 25.0;  ///< frames per second of the frame stamp the sync report reads
    bool windows = false;
    QVector<ScriptedKey> scriptedKeys;
};

/// Parses the arguments (the first being the program). Prints --help and returns nothing when asked
/// for help; returns nothing with a message in error when the arguments are wrong.
std::optional<PlayerOptions> parsePlayerOptions(const QStringList& arguments, QString& error);
