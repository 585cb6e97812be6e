// Many videos in one host: N TMD items of one clip read through the plugin into one scene, one
// real-time SimulationClock, a 16 ms host frame with an update traversal, as a simulation shows its
// cameras. The clip runs at 30 frames per second from 0 and every picture carries its frame number
// (apps/common/FrameStamp), so the frame due at media time t is floor(30 t).
//
//   many_videos CLIP --duration SECONDS [--count N] [--scale S] [--seconds S] [--label NAME]
//
// The clock loops over the clip. Prints, after the first second of play (and half a second after
// each loop): the share of host frames whose quads all show a picture within one frame of the clock
// (worst quad and mean), pictures shown / due per quad, CPU seconds per media second (all videos
// together), how busy the host's own thread is, and the process's peak resident memory after 10 s
// and at the end. --count 0 measures the empty host: the plugin loaded, nothing read.

#include "ProcessMeasures.h"
#include "common/FrameStamp.h"
#include "media/VideoQuad.h"
#include "orvCore/SimulationClock.h"
#include "orvVis/ClockOptions.h"

#include <osg/Group>
#include <osg/Switch>
#include <osgDB/ReadFile>
#include <osgDB/Registry>
#include <osgUtil/UpdateVisitor>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

namespace {

constexpr int kHostFrameMs = 16;
constexpr double kFrameRate = 30.0;
constexpr double kSettleSeconds = 0.5;  // after the start (twice that) and after each loop
const orvCore::TimeStamp kStart(2026, orvCore::Seconds(0, 0));

/// What one quad showed while measured.
struct QuadRecord
{
    osg::Image* image = nullptr;
    int within = 0;
    // Which of the clip's frames were shown; sized before playing so that the record itself does not
    // add to the memory measured while playing.
    std::vector<bool> shown;
};

class Host {
public:
    Host(const QString& clip, int count)
    {
        if (count == 0)
            osgDB::Registry::instance()->loadLibrary(osgDB::Registry::instance()->createLibraryNameForExtension("tmd"));
        const osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock_);
        for (int item = 0; item < count; ++item) {
            const QString tmd = folder_.filePath(QStringLiteral("camera%1.tmd").arg(item));
            QFile file(tmd);
            file.open(QIODevice::WriteOnly);
            file.write(QStringLiteral("MediaFileName \"%1\"\nMediaStartTime 2026-01-01T00:00:00Z\n").arg(clip).toUtf8());
            file.close();
            const osg::ref_ptr<osg::Node> node = osgDB::readRefNodeFile(tmd.toStdString(), options.get());
            if (!node || !node->asSwitch() || node->asSwitch()->getNumChildren() != 1)
                continue;
            root_->addChild(node.get());
            quads_.push_back({static_cast<MediaPlayer2::VideoQuad*>(node->asSwitch()->getChild(0))->image(), 0, {}});
        }
    }
    bool complete(int count) const { return int(quads_.size()) == count; }
    orvCore::SimulationClock& clock() { return clock_; }
    std::vector<QuadRecord>& quads() { return quads_; }
    double mediaTime() { return (clock_.currentTime() - kStart).toDouble(); }
    /// One host frame: the clock advances, the scene is traversed, Qt delivers what came meanwhile.
    void frame()
    {
        clock_.update();
        root_->accept(visitor_);
        // Waiting in the event loop, not polling it, so that the host's own CPU time is a host's.
        QEventLoop wait;
        QTimer::singleShot(kHostFrameMs, Qt::PreciseTimer, &wait, &QEventLoop::quit);
        wait.exec();
    }

private:
    QTemporaryDir folder_;
    orvCore::SimulationClock clock_;
    osg::ref_ptr<osg::Group> root_ = new osg::Group;
    std::vector<QuadRecord> quads_;
    osgUtil::UpdateVisitor visitor_;
};

struct Options
{
    QString clip;
    QString label;
    int count = 1;
    double scale = 1.0;
    double seconds = 20.0;
    double duration = 0.0;  // of the clip, from --duration
};

void run(Host& host, const Options& options)
{
    orvCore::SimulationClock& clock = host.clock();
    // A loop ends a frame before the clip does, where the last picture is still the one due.
    clock.setBounds(kStart, kStart + orvCore::Seconds(options.duration - 1.0 / kFrameRate));
    clock.setCanLoop(true);
    clock.setTime(kStart);
    clock.setTimeScale(options.scale);
    clock.playForward();

    std::vector<long> peaks;  // after every 10 s
    std::vector<std::pair<long, long>> resident;  // own memory and mapped files, after every 10 s
    for (QuadRecord& quad : host.quads())
        quad.shown.assign(std::size_t(std::ceil(options.duration * kFrameRate)) + 1, false);
    peaks.reserve(std::size_t(options.seconds / 10.0) + 1);
    resident.reserve(peaks.capacity());
    QElapsedTimer playing;
    playing.start();
    const double cpuStart = cpuSeconds();
    const double hostCpuStart = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    double mediaSeconds = 0.0;
    double previous = 0.0;
    double settleUntil = 2 * kSettleSeconds;  // wall seconds
    int measured = 0;
    int allWithin = 0;
    int dueTotal = 0;
    int dueFrom = -1;
    int dueLast = -1;
    while (playing.elapsed() < options.seconds * 1000) {
        host.frame();
        const double wall = playing.elapsed() / 1000.0;
        const double now = host.mediaTime();
        if (now < previous) {  // looped
            settleUntil = wall + kSettleSeconds;
            mediaSeconds += options.duration - previous;
            previous = 0.0;
            if (dueFrom >= 0)
                dueTotal += dueLast - dueFrom + 1;
            dueFrom = -1;
        }
        mediaSeconds += now - previous;
        previous = now;
        if (wall >= 10.0 * double(peaks.size() + 1)) {
            peaks.push_back(peakResidentKiB());
            resident.emplace_back(statusKiB("RssAnon"), statusKiB("RssFile"));
        }
        if (wall < settleUntil)
            continue;
        const int due = int(std::floor(now * kFrameRate + 1e-6));
        if (dueFrom < 0)
            dueFrom = due;
        dueLast = due;
        ++measured;
        bool all = true;
        for (QuadRecord& quad : host.quads()) {
            const int shown = FrameStamp::read(*quad.image);
            const bool within = shown >= 0 && std::abs(shown - due) <= 1;
            quad.within += within;
            all = all && within;
            if (shown >= 0 && shown < int(quad.shown.size()))
                quad.shown[std::size_t(shown)] = true;
        }
        allWithin += all;
    }
    if (dueFrom >= 0)
        dueTotal += dueLast - dueFrom + 1;
    const double cpu = cpuSeconds() - cpuStart;
    const double hostCpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - hostCpuStart;
    clock.stop();

    std::printf("%s: %d video(s) at scale %g for %.0f s (%.1f media s)\n", qPrintable(options.label), options.count,
                options.scale, options.seconds, mediaSeconds);
    if (!host.quads().empty() && measured > 0) {
        int worst = measured;
        double sum = 0.0;
        double shownShare = 0.0;
        for (const QuadRecord& quad : host.quads()) {
            worst = std::min(worst, quad.within);
            sum += quad.within;
            shownShare += double(std::count(quad.shown.begin(), quad.shown.end(), true)) / std::max(dueTotal, 1);
        }
        const double quads = double(host.quads().size());
        std::printf("  host frames within one frame of the clock: worst quad %.1f%%, mean %.1f%%, every quad at once "
                    "%.1f%% (%d host frames)\n",
                    100.0 * worst / measured, 100.0 * sum / quads / measured, 100.0 * allWithin / measured, measured);
        std::printf("  pictures shown / due per quad: %.1f%% (%d due)\n", 100.0 * shownShare / quads, dueTotal);
    }
    std::printf("  CPU seconds per media second: %.3f all videos, %.3f per video\n",
                mediaSeconds > 0 ? cpu / mediaSeconds : 0.0,
                mediaSeconds > 0 && options.count > 0 ? cpu / mediaSeconds / options.count : 0.0);
    // The host's own thread runs every video's timers and delivers their pictures: its share of one core.
    std::printf("  host thread busy: %.1f%% of the wall time\n", 100.0 * hostCpu / options.seconds);
    std::printf("  peak resident memory after 10 s steps (KiB):");
    for (const long peak : peaks)
        std::printf(" %ld", peak);
    std::printf("; at the end %ld\n", peakResidentKiB());
    // Memory of the process's own (heap, buffers, stacks) apart from resident pages of mapped files,
    // which grow as more of the libraries' code runs.
    std::printf("  resident after 10 s steps, own memory / mapped files (KiB):");
    for (const auto& [own, files] : resident)
        std::printf(" %ld / %ld", own, files);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    Options options;
    for (int at = 1; at < arguments.size(); ++at) {
        const QString& argument = arguments[at];
        const QString value = arguments.value(at + 1);
        if (argument == "--count")
            options.count = value.toInt(), ++at;
        else if (argument == "--scale")
            options.scale = value.toDouble(), ++at;
        else if (argument == "--seconds")
            options.seconds = value.toDouble(), ++at;
        else if (argument == "--duration")
            options.duration = value.toDouble(), ++at;
        else if (argument == "--label")
            options.label = value, ++at;
        else
            options.clip = argument;
    }
    if (options.clip.isEmpty() || options.duration <= 0.0) {
        std::fprintf(stderr, "usage: many_videos CLIP --duration SECONDS [--count N] [--scale S] [--seconds S] "
                             "[--label NAME]\n");
        return 2;
    }
    if (options.label.isEmpty())
        options.label = options.clip;
    Host host(options.clip, options.count);
    if (!host.complete(options.count)) {
        std::fprintf(stderr, "many_videos: the plugin gave no node for %s\n", qPrintable(options.clip));
        return 1;
    }
    run(host, options);
    return 0;
}
