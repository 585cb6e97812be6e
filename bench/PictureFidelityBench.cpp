// How exactly a node read through the plugin shows the picture for its host clock's time, as a host
// drives it: a SimulationClock and a 16 ms frame loop with an update traversal of the node. The clip's
// pictures carry their frame number (apps/common/FrameStamp); the frame due at a media time t is the
// one with the greatest presentation time at or before t, from the frame times ffprobe gave.
//
//   picture_fidelity CLIP FRAME_TIMES [--label NAME] [--reverse-memory SECONDS]
//
// FRAME_TIMES holds a line per frame, in presentation order: its media time (seconds from the
// clip's start) and the frame number its picture carries.
// Prints, for the clip: the load (time to the first picture), paused positioning at 120 seeded
// times (exact share, error histogram, median and worst time from the clock change to the right
// picture), stepping one frame per step, reverse play at 1x and 2x and forward play at 1x (share of
// host frames within one frame of the clock, share blank). With --reverse-memory it plays backwards
// from the end for SECONDS and prints the peak resident memory every 10 s instead.

#include "ProcessMeasures.h"
#include "common/FrameStamp.h"
#include "media/VideoQuad.h"
#include "orvCore/SimulationClock.h"
#include "orvVis/ClockOptions.h"

#include <osg/Switch>
#include <osgDB/ReadFile>
#include <osgUtil/UpdateVisitor>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kHostFrameMs = 16;      // a 60 Hz host
constexpr int kSettleLimitMs = 3000;  // a picture that has not come by then counts as wrong
constexpr int kConfirmMs = 150;       // the right picture must stay this long
constexpr int kPausedTargets = 120;
constexpr double kTimeTolerance = 1e-6;  // the clock's resolution
const orvCore::TimeStamp kStart(2026, orvCore::Seconds(0, 0));

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class Host {
public:
    Host(const QString& clip, const std::vector<double>& times, const std::vector<int>& numbers)
        : times_(times), numbers_(numbers)
    {
        const QString tmd = folder_.filePath("clip.tmd");
        QFile file(tmd);
        file.open(QIODevice::WriteOnly);
        file.write(QStringLiteral("MediaFileName \"%1\"\nMediaStartTime 2026-01-01T00:00:00Z\n").arg(clip).toUtf8());
        file.close();
        clock_.setTime(kStart);
        const osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock_);
        QElapsedTimer loading;
        loading.start();
        node_ = osgDB::readRefNodeFile(tmd.toStdString(), options.get());
        if (!node_ || !node_->asSwitch() || node_->asSwitch()->getNumChildren() != 1)
            return;
        image_ = static_cast<MediaPlayer2::VideoQuad*>(node_->asSwitch()->getChild(0))->image();
        loadMs_ = waitFor([&] { return shown() == expected(0.0); }, kSettleLimitMs) ? loading.elapsed() : -1;
    }
    bool valid() const { return image_ != nullptr; }
    qint64 loadMs() const { return loadMs_; }
    orvCore::SimulationClock& clock() { return clock_; }
    double position() { return (clock_.currentTime() - kStart).toDouble(); }
    int shown() const { return FrameStamp::read(*image_); }
    int expected(double t) const { return numbers_[expectedIndex(t)]; }
    /// Frames between the picture shown and the one due at t, counted in the clip's frames (a clip
    /// with frames left out skips numbers); nothing when no picture is shown.
    std::optional<int> framesOff(double t) const
    {
        const auto shownAt = std::lower_bound(numbers_.begin(), numbers_.end(), shown());
        if (shown() < 0 || shownAt == numbers_.end() || *shownAt != shown())
            return std::nullopt;
        return int(shownAt - numbers_.begin()) - int(expectedIndex(t));
    }
    /// One host frame: the clock advances, the node is traversed, Qt delivers what came meanwhile.
    void frame()
    {
        clock_.update();
        node_->accept(visitor_);
        QElapsedTimer tick;
        tick.start();
        while (tick.elapsed() < kHostFrameMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, kHostFrameMs - int(tick.elapsed()));
    }
    /// Host frames until the condition holds, or the limit; false at the limit.
    template <typename Condition>
    bool waitFor(Condition condition, int limitMs)
    {
        QElapsedTimer waited;
        waited.start();
        while (!condition()) {
            if (waited.elapsed() > limitMs)
                return false;
            frame();
        }
        return true;
    }

private:
    QTemporaryDir folder_;
    std::vector<double> times_;
    std::vector<int> numbers_;
    orvCore::SimulationClock clock_;
    osg::ref_ptr<osg::Node> node_;
    osg::Image* image_ = nullptr;
    osgUtil::UpdateVisitor visitor_;
    qint64 loadMs_ = -1;

    std::size_t expectedIndex(double t) const
    {
        const auto after = std::upper_bound(times_.begin(), times_.end(), t + kTimeTolerance);
        return after == times_.begin() ? 0 : std::size_t(after - times_.begin()) - 1;
    }
};

void paused(Host& host, const std::vector<double>& times, double duration)
{
    std::mt19937 random(20261209);
    std::vector<double> targets = {0.0, times.back(), duration - 0.001, times[1], times[times.size() / 2]};
    while (targets.size() < kPausedTargets) {
        if (targets.size() % 2)  // a frame's own time
            targets.push_back(times[random() % times.size()]);
        else
            targets.push_back(std::uniform_real_distribution<double>(0.0, duration)(random));
    }
    std::map<int, int> errors;
    std::vector<double> latencies;
    std::vector<std::pair<double, double>> slowest;  // latency, target
    int exact = 0;
    host.clock().stop();
    for (const double t : targets) {
        host.clock().setTime(kStart + orvCore::Seconds(t));
        const int wanted = host.expected(t);
        QElapsedTimer change;
        change.start();
        const bool came = host.waitFor([&] { return host.shown() == wanted; }, kSettleLimitMs);
        const double latency = change.elapsed();
        host.waitFor([] { return false; }, kConfirmMs);
        const int error = host.shown() < 0 ? 9999 : host.shown() - wanted;
        ++errors[error];
        exact += error == 0;
        if (came && error == 0)
            latencies.push_back(latency);
        slowest.emplace_back(came ? latency : double(kSettleLimitMs), t);
    }
    std::printf("  paused: %d of %zu exact (%.1f%%); to the right picture median %.0f ms, worst %.0f ms\n", exact,
                targets.size(), 100.0 * exact / double(targets.size()), median(latencies),
                latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()));
    std::printf("  paused error histogram (shown - exact: count; 9999 = no picture):");
    for (const auto& [error, count] : errors)
        std::printf(" %+d: %d", error, count);
    std::printf("\n  paused latencies ms:");
    for (double latency : latencies)
        std::printf(" %.0f", latency);
    // The script times the ffmpeg command on these same targets.
    std::sort(slowest.rbegin(), slowest.rend());
    std::printf("\n  paused slowest targets (s ms):");
    for (std::size_t i = 0; i < std::min<std::size_t>(3, slowest.size()); ++i)
        std::printf(" %.6f %.0f", slowest[i].second, slowest[i].first);
    std::printf("\n");
}

void stepping(Host& host, double frameDuration)
{
    host.clock().stop();
    host.clock().setTime(kStart + orvCore::Seconds(2.0));
    // The way to the first step is a jump from the paused walk's last time, timed there, not here.
    host.waitFor([&] { return host.shown() == host.expected(2.0); }, kSettleLimitMs);
    host.clock().setStepSize(orvCore::Seconds(frameDuration));
    int exact = 0;
    int steps = 0;
    for (const bool forward : {true, false}) {
        for (int step = 0; step < (forward ? 40 : 20); ++step, ++steps) {
            host.clock().setRealTime(false);
            forward ? host.clock().playForward() : host.clock().playReverse();
            host.clock().update();
            host.clock().stop();
            host.clock().setRealTime(true);
            host.waitFor([] { return false; }, 200);
            exact += host.shown() == host.expected(host.position());
        }
    }
    std::printf("  stepping one frame per step, a step every 200 ms: %d of %d exact (%.1f%%)\n", exact, steps,
                100.0 * exact / steps);
}

void playing(Host& host, double from, double scale, bool reverse, double seconds)
{
    host.clock().stop();
    host.clock().setTime(kStart + orvCore::Seconds(from));
    host.waitFor([&] { return host.shown() == host.expected(from); }, kSettleLimitMs);
    host.clock().setTimeScale(scale);
    reverse ? host.clock().playReverse() : host.clock().playForward();
    int frames = 0;
    int within = 0;
    int blank = 0;
    int blankLate = 0;
    int late = 0;
    std::map<int, int> errors;
    QElapsedTimer playingFor;
    playingFor.start();
    while (playingFor.elapsed() < seconds * 1000) {
        host.frame();
        const std::optional<int> off = host.framesOff(host.position());
        ++frames;
        within += off && std::abs(*off) <= 1;
        blank += host.shown() < 0;
        ++errors[off.value_or(9999)];
        if (playingFor.elapsed() > 300) {
            ++late;
            blankLate += host.shown() < 0;
        }
    }
    host.clock().stop();
    host.clock().setTimeScale(1.0);
    std::printf("  %s at %gx: %d host frames, %.1f%% within one frame, %.1f%% blank (%.1f%% after 300 ms)\n",
                reverse ? "reverse" : "forward", scale, frames, 100.0 * within / frames, 100.0 * blank / frames,
                late ? 100.0 * blankLate / late : 0.0);
    std::printf("    frames off (shown - due: host frames):");
    for (const auto& [error, count] : errors)
        std::printf(" %+d: %d", error, count);
    std::printf("\n");
}

void reverseMemory(Host& host, double duration, double seconds)
{
    host.clock().setTime(kStart + orvCore::Seconds(duration - 0.05));
    host.clock().playReverse();
    QElapsedTimer playingFor;
    playingFor.start();
    std::printf("  reverse memory, peak resident after 10 s steps (KiB):");
    for (int tenths = 1; tenths * 10 <= seconds; ++tenths) {
        while (playingFor.elapsed() < tenths * 10000)
            host.frame();
        std::printf(" %ld", peakResidentKiB());
        std::fflush(stdout);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: picture_fidelity CLIP FRAME_TIMES [--label NAME] [--reverse-memory SECONDS]\n");
        return 2;
    }
    QFile timesFile(arguments[2]);
    if (!timesFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "picture_fidelity: cannot read %s\n", qPrintable(arguments[2]));
        return 2;
    }
    std::vector<double> times;
    std::vector<int> numbers;
    for (const QByteArray& line : timesFile.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 2) {
            times.push_back(fields[0].toDouble());
            numbers.push_back(fields[1].toInt());
        }
    }
    const int labelAt = arguments.indexOf("--label");
    const int memoryAt = arguments.indexOf("--reverse-memory");
    const QString label = labelAt > 0 ? arguments.value(labelAt + 1) : arguments[1];
    const double frameDuration = (times.back() - times.front()) / double(times.size() - 1);
    const double duration = times.back() + frameDuration;

    Host host(arguments[1], times, numbers);
    if (!host.valid()) {
        std::fprintf(stderr, "picture_fidelity: the plugin gave no node for %s\n", qPrintable(arguments[1]));
        return 1;
    }
    std::printf("%s (%zu frames, %.2f s)\n", qPrintable(label), times.size(), duration);
    if (memoryAt > 0) {
        reverseMemory(host, duration, arguments.value(memoryAt + 1).toDouble());
        return 0;
    }
    std::printf("  load: the first picture after %lld ms%s\n", host.loadMs(), host.loadMs() < 0 ? " (never)" : "");
    paused(host, times, duration);
    stepping(host, frameDuration);
    playing(host, duration - 0.05, 1.0, true, 6.0);
    playing(host, duration - 0.05, 2.0, true, 4.0);
    playing(host, 0.0, 1.0, false, 6.0);
    return 0;
}
