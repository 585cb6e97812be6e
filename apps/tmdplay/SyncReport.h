#pragma once

#include <QFile>
#include <QString>
#include <QTextStream>

#include <memory>
#include <optional>

/// For every frame: the clock time, the position the shown item should be at, and the media time of
/// the picture on screen (read from its frame stamp); summarised by clock state at the end.
class SyncReport {
public:
    /// path empty: keep only the summary; "-": the lines go to stdout.
    SyncReport(const QString& path, double stampRate);

    /// clockSeconds counts from the first item's start; position is the clock's time minus the
    /// shown item's time zero; frameNumber is -1 when the picture carries no readable stamp.
    void record(double clockSeconds, const char* state, bool playsByItself, std::optional<double> position,
                int frameNumber);
    QString summary() const;

private:
    struct Offsets {
        int count = 0;
        int withinOneFrame = 0;
        double sumAbs = 0.0;
        double maxAbs = 0.0;
        void add(double offset, double frameDuration);
        QString describe(const char* name) const;
    };

    double stampRate_;
    std::unique_ptr<QFile> file_;
    std::unique_ptr<QTextStream> out_;  // null without per-frame lines
    int frames_ = 0;
    int stampedFrames_ = 0;
    Offsets playing_;  ///< frames while the media plays by itself
    Offsets paused_;   ///< frames while it is placed by the clock
};
