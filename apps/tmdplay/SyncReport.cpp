#include "SyncReport.h"

#include <cmath>
#include <cstdio>

SyncReport::SyncReport(const QString& path, double stampRate)
    : stampRate_(stampRate)
{
    if (path.isEmpty())
        return;
    if (path == QLatin1String("-")) {
        out_ = std::make_unique<QTextStream>(stdout);
    } else {
        file_ = std::make_unique<QFile>(path);
        if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            std::fprintf(stderr, "tmdplay: cannot write the sync report %s\n", qPrintable(path));
            return;
        }
        out_ = std::make_unique<QTextStream>(file_.get());
    }
    *out_ << "# frame clock_s state position_s picture_frame picture_s offset_s\n";
}

void SyncReport::record(double clockSeconds, const char* state, bool playsByItself, std::optional<double> position,
                        int frameNumber)
{
    ++frames_;
    const bool stamped = frameNumber >= 0;
    const double pictureSeconds = frameNumber / stampRate_;
    if (stamped && position) {
        ++stampedFrames_;
        (playsByItself ? playing_ : paused_).add(pictureSeconds - *position, 1.0 / stampRate_);
    }
    if (!out_)
        return;
    const QString none = QStringLiteral("-");
    *out_ << frames_ << ' ' << QString::number(clockSeconds, 'f', 3) << ' ' << state << ' '
          << (position ? QString::number(*position, 'f', 3) : none) << ' '
          << (stamped ? QString::number(frameNumber) : none) << ' '
          << (stamped ? QString::number(pictureSeconds, 'f', 3) : none) << ' '
          << (stamped && position ? QString::number(pictureSeconds - *position, 'f', 3) : none) << '\n';
}

void SyncReport::Offsets::add(double offset, double frameDuration)
{
    ++count;
    sumAbs += std::fabs(offset);
    maxAbs = std::max(maxAbs, std::fabs(offset));
    // A picture belongs to a position from its own time until the next picture's.
    if (offset <= 0.0 && offset > -frameDuration - 1e-6)
        ++withinOneFrame;
}

QString SyncReport::Offsets::describe(const char* name) const
{
    if (count == 0)
        return QStringLiteral("  %1: no stamped frames\n").arg(QLatin1String(name));
    return QStringLiteral("  %1: %2 frames, picture of the clock's position in %3%, mean |offset| %4 ms, max %5 ms\n")
        .arg(QLatin1String(name))
        .arg(count)
        .arg(100 * withinOneFrame / count)
        .arg(1000.0 * sumAbs / count, 0, 'f', 1)
        .arg(1000.0 * maxAbs, 0, 'f', 1);
}

QString SyncReport::summary() const
{
    if (out_)
        out_->flush();
    return QStringLiteral("sync: %1 frames drawn, %2 showed a stamped picture of the item\n")
               .arg(frames_)
               .arg(stampedFrames_)
        + playing_.describe("playing with the clock") + paused_.describe("placed by the clock");
}
