// Plays a file through the playback pipeline at a given rate for a given time and reports what it
// costs and how closely the pictures follow the media clock, beside the same work measured in the
// same run by the ffmpeg command (decoding and BGRA conversion flat out: the limit) and by the
// players a user would pick instead (GStreamer and mpv, each single-threaded, where installed).
//
// With --path scene-graph the clip plays through the scene-graph video media file instead, driven
// as a playlist entry drives it, so that the cost includes the copy of each picture into the
// quad's image; an update traversal of the quad per frame tick lets it follow the image, as a
// host's would.
//
// Writes PREFIX.csv (one row per frame tick) and PREFIX.png (the clock-to-frame gap over time).

#include "ProcessMeasures.h"
#include "ffmpeg/CodecContext.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"
#include "ffmpeg/PlaybackPipeline.h"
#include "media/FFmpegOsgMultimediaFile.h"

#include <osgUtil/UpdateVisitor>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <QUrl>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using FFmpeg::PlaybackPipeline;

namespace {

// The pipeline's own frame tick, at which the gap is sampled.
constexpr int FRAME_TICK_MS = 16;
// Pictures settle once the read-ahead has filled; the gap goals hold from then on.
constexpr double SETTLING_SECONDS = 1.0;
// Seeks land clear of the end, where a picture may not follow.
constexpr double SEEK_END_MARGIN_SECONDS = 0.5;
// Same targets on every run, so runs compare.
constexpr quint32 SEEK_SEED = 20261205;
// Longest a seek or a start may take before the run gives up on it.
constexpr int HANG_GUARD_MS = 10000;
// The soak compares resident memory after this much playing with that at the end.
constexpr double FIRST_MEMORY_SAMPLE_SECONDS = 10.0;

struct Options
{
    QString file;
    double rate = 1.0;
    double seconds = 10.0;
    double soakSeconds = 60.0;
    int seeks = 50;
    double bufferSeconds = 3.0;  // the pipeline's default read-ahead
    QString outputPrefix = "playback";
    bool peers = true;
    bool sceneGraph = false;  // through the scene-graph media file rather than the bare pipeline
};

// CPU time of the children that have ended and been waited for.
double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double residentMegabytes()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0.0;
}

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// The video stream's presentation times, to turn delivered pictures into media times and to
// count the pictures due in a stretch of media.
struct VideoStream
{
    std::vector<double> presentationTimes;  // ascending
    double frameInterval = 0.0;
    const FFmpeg::CodecContext* codec = nullptr;  // owned by format
    FFmpeg::FormatContext format;

    bool open(const QString& file)
    {
        if (format.open(file.toStdString()) != 0)
            return false;
        const int index = format.findBestStream(AVMEDIA_TYPE_VIDEO);
        if (index < 0)
            return false;
        codec = format.codecContext(static_cast<unsigned>(index));
        FFmpeg::Packet packet;
        while (format.readFrame(packet) == 0) {
            if (packet.streamId() == index)
                presentationTimes.push_back(codec->ptsToSeconds(packet.pts()));
        }
        std::sort(presentationTimes.begin(), presentationTimes.end());
        if (presentationTimes.size() > 1)
            frameInterval = (presentationTimes.back() - presentationTimes.front()) /
                            static_cast<double>(presentationTimes.size() - 1);
        return !presentationTimes.empty();
    }

    int framesBetween(double from, double to) const
    {
        const auto first = std::lower_bound(presentationTimes.begin(), presentationTimes.end(), from);
        const auto last = std::upper_bound(presentationTimes.begin(), presentationTimes.end(), to);
        return static_cast<int>(std::max<std::ptrdiff_t>(0, last - first));
    }
};

struct TickSample
{
    double wallSeconds;
    double mediaTime;
    double newestFrameTime;  // negative before the first picture
};

struct PlaybackRun
{
    double cpuSeconds = 0.0;
    double mediaSeconds = 0.0;
    double startMediaTime = 0.0;
    std::vector<TickSample> ticks;
    int released = 0;
    int outOfOrder = 0;
    int due = 0;
    double residentAtFirstSample = 0.0;
    double residentAtEnd = 0.0;
};

// Runs the event loop until the condition holds or the guard runs out. Sleeps while there is
// nothing to do, so that the measuring costs no CPU time of its own; a timer wakes it to look.
bool runUntil(const std::function<bool()>& condition, int guardMs)
{
    const QDeadlineTimer guard(guardMs);
    QTimer wakeUp;
    wakeUp.start(FRAME_TICK_MS);
    while (!condition()) {
        if (guard.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The pipeline's frame tick, told from its read tick by its interval.
QTimer* pipelineFrameTick(PlaybackPipeline& pipeline)
{
    for (QTimer* timer : pipeline.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
        if (timer->interval() == FRAME_TICK_MS)
            return timer;
    std::fprintf(stderr, "playback: the pipeline has no %d ms frame tick to sample the gap at\n", FRAME_TICK_MS);
    return nullptr;
}

// What starts the measured playing, and what a host does on each frame tick besides.
struct Controls
{
    std::function<void(double)> setPlaybackRate;
    std::function<bool()> play;  // false when playing was refused
    std::function<void()> everyTick = [] {};
};

// Plays for the measured time, then on (looping by seeking to 0 at the end) until the soak ends.
std::optional<PlaybackRun> runPlayback(PlaybackPipeline& pipeline, const Controls& controls, const VideoStream& video,
                                       const Options& options)
{
    PlaybackRun run;
    double newestFrameTime = -1.0;
    bool measuring = true;
    QObject receiver;
    QObject::connect(&pipeline, &PlaybackPipeline::videoFrameReady, &receiver,
                     [&](std::shared_ptr<FFmpeg::Frame> frame) {
                         const double time = video.codec->ptsToSeconds(frame->bestEffortTimeStamp());
                         if (!measuring)
                             return;
                         ++run.released;
                         if (options.rate > 0.0 && time <= newestFrameTime)
                             ++run.outOfOrder;
                         newestFrameTime = time;
                     });
    QObject::connect(&pipeline, &PlaybackPipeline::mediaStatusChanged, &receiver,
                     [&](PlaybackPipeline::MediaStatus status) {
                         if (status != PlaybackPipeline::EndOfMedia || measuring)
                             return;
                         pipeline.seek(0.0);
                         pipeline.play();
                     });

    QTimer* frameTick = pipelineFrameTick(pipeline);
    if (!frameTick)
        return std::nullopt;
    QElapsedTimer wall;
    // A sample takes the media clock at one of the pipeline's own frame ticks, which runs just
    // before this slot, and is completed at the next tick with the newest picture released by
    // then: the one its own tick released, however long conversion and delivery took.
    QObject::connect(frameTick, &QTimer::timeout, &receiver, [&] {
        if (!measuring)
            return;
        if (!run.ticks.empty())
            run.ticks.back().newestFrameTime = newestFrameTime;
        controls.everyTick();
        run.ticks.push_back({static_cast<double>(wall.nsecsElapsed()) * 1e-9, pipeline.mediaTime(), newestFrameTime});
    });

    controls.setPlaybackRate(options.rate);
    run.startMediaTime = pipeline.mediaTime();
    const double cpuStart = cpuSeconds();
    wall.start();
    if (!controls.play())
        return std::nullopt;
    const auto wallSeconds = [&] { return static_cast<double>(wall.nsecsElapsed()) * 1e-9; };
    runUntil([&] { return wallSeconds() >= options.seconds || pipeline.mediaStatus() == PlaybackPipeline::EndOfMedia; },
             static_cast<int>(options.seconds * 1000.0) + HANG_GUARD_MS);
    run.cpuSeconds = cpuSeconds() - cpuStart;
    run.mediaSeconds = pipeline.mediaTime() - run.startMediaTime;
    run.due = video.framesBetween(run.startMediaTime, pipeline.mediaTime());
    measuring = false;
    if (!run.ticks.empty())
        run.ticks.pop_back();  // its tick's picture was never waited for

    if (options.soakSeconds > 0.0) {
        if (pipeline.mediaStatus() == PlaybackPipeline::EndOfMedia) {
            pipeline.seek(0.0);
            pipeline.play();
        }
        runUntil([&] { return wallSeconds() >= FIRST_MEMORY_SAMPLE_SECONDS; }, HANG_GUARD_MS * 2);
        run.residentAtFirstSample = residentMegabytes();
        runUntil([&] { return wallSeconds() >= options.soakSeconds; }, static_cast<int>(options.soakSeconds * 1000.0) + HANG_GUARD_MS);
        run.residentAtEnd = residentMegabytes();
    }
    pipeline.stop();
    return run;
}

struct SeekLatencies
{
    std::vector<double> targets;
    std::vector<double> ours;    // seconds from seek() to the next delivered picture
    std::vector<double> ffmpeg;  // seconds the ffmpeg command takes for one picture at the target
};

std::vector<double> seekTargets(double duration, int count)
{
    QRandomGenerator random(SEEK_SEED);
    std::vector<double> targets;
    const double range = std::max(0.0, duration - SEEK_END_MARGIN_SECONDS);
    for (int i = 0; i < count; ++i)
        targets.push_back(random.generateDouble() * range);
    return targets;
}

SeekLatencies runSeeks(PlaybackPipeline& pipeline, const Options& options)
{
    SeekLatencies latencies;
    latencies.targets = seekTargets(pipeline.duration(), options.seeks);
    int pictures = 0;
    QObject receiver;
    QObject::connect(&pipeline, &PlaybackPipeline::videoFrameReady, &receiver,
                     [&pictures](std::shared_ptr<FFmpeg::Frame>) { ++pictures; });
    pipeline.stop();
    for (double target : latencies.targets) {
        const int before = pictures;
        QElapsedTimer timer;
        timer.start();
        if (pipeline.seek(target) != 0 || !runUntil([&] { return pictures > before; }, HANG_GUARD_MS))
            continue;
        latencies.ours.push_back(static_cast<double>(timer.nsecsElapsed()) * 1e-9);
        // Pictures still under way belong to this seek, not to the next one.
        runUntil([] { return false; }, FRAME_TICK_MS * 4);
    }
    if (!options.peers)
        return latencies;
    for (double target : latencies.targets) {
        QProcess ffmpeg;
        QElapsedTimer timer;
        timer.start();
        ffmpeg.start("ffmpeg", {"-nostdin", "-hide_banner", "-loglevel", "error", "-ss", QString::number(target, 'f', 3),
                                "-i", options.file, "-frames:v", "1", "-f", "null", "-"});
        if (ffmpeg.waitForFinished(-1) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0)
            latencies.ffmpeg.push_back(static_cast<double>(timer.nsecsElapsed()) * 1e-9);
    }
    return latencies;
}

// CPU seconds a command spends on the file, or nothing when it is not installed or fails.
std::optional<double> commandCpuSeconds(const QString& program, const QStringList& arguments)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return std::nullopt;
    const double before = childrenCpuSeconds();
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return childrenCpuSeconds() - before;
}

struct Peer
{
    const char* name;
    std::optional<double> cpuPerMediaSecond;
};

// The ffmpeg command decoding and converting the whole file flat out, single-threaded.
std::optional<double> limitCpuSeconds(const QString& file)
{
    return commandCpuSeconds("ffmpeg", {"-nostdin", "-hide_banner", "-loglevel", "error", "-threads", "1",
                                        "-filter_threads", "1", "-i", file, "-pix_fmt", "bgra", "-f", "null", "-"});
}

// `limitBefore` is the limit measured before our run; the lower of it and the one measured now
// counts, as other work on the machine only ever makes a run dearer.
std::vector<Peer> measurePeers(const QString& file, double duration, std::optional<double> limitBefore)
{
    const auto perMediaSecond = [duration](std::optional<double> cpu) -> std::optional<double> {
        if (!cpu || duration <= 0.0)
            return std::nullopt;
        return *cpu / duration;
    };
    std::optional<double> limit = limitCpuSeconds(file);
    if (limit && limitBefore)
        limit = std::min(*limit, *limitBefore);
    std::vector<Peer> peers;
    peers.push_back({"ffmpeg decode + BGRA (limit)", perMediaSecond(limit ? limit : limitBefore)});
    const bool mp4 = QFileInfo(file).suffix().compare("mp4", Qt::CaseInsensitive) == 0;
    peers.push_back({"GStreamer (real time)",
                     mp4 ? perMediaSecond(commandCpuSeconds(
                               "gst-launch-1.0", {"-q", "filesrc", "location=" + file, "!", "qtdemux", "!",
                                                  "avdec_h264", "max-threads=1", "!", "videoconvert", "n-threads=1",
                                                  "!", "video/x-raw,format=BGRA", "!", "fakesink", "sync=true"}))
                         : std::nullopt});
    peers.push_back({"mpv (real time)",
                     perMediaSecond(commandCpuSeconds("mpv", {"--no-config", "--really-quiet", "--vo=null", "--ao=null",
                                                              "--vd-lavc-threads=1", "--vf=format=fmt=bgra", file}))});
    return peers;
}

void writeCsv(const QString& path, const std::vector<TickSample>& ticks)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QTextStream out(&file);
    out << "wall_s,media_s,newest_frame_s,gap_ms\n";
    for (const TickSample& tick : ticks) {
        out << tick.wallSeconds << ',' << tick.mediaTime << ',' << tick.newestFrameTime << ',';
        if (tick.newestFrameTime >= 0.0)
            out << (tick.mediaTime - tick.newestFrameTime) * 1000.0;
        out << '\n';
    }
}

// The gap over wall time, with the goal lines.
void writePlot(const QString& path, const std::vector<TickSample>& ticks, double frameInterval)
{
    constexpr int WIDTH = 1200, HEIGHT = 500, MARGIN = 60;
    const double limitMs = (frameInterval + FRAME_TICK_MS / 1000.0) * 1000.0;
    double maxGap = limitMs * 1.5;
    double minGap = 0.0;  // below 0 the picture shown is ahead of the clock
    double maxWall = 1.0;
    for (const TickSample& tick : ticks) {
        if (tick.newestFrameTime >= 0.0) {
            maxGap = std::max(maxGap, (tick.mediaTime - tick.newestFrameTime) * 1000.0);
            minGap = std::min(minGap, (tick.mediaTime - tick.newestFrameTime) * 1000.0);
        }
        maxWall = std::max(maxWall, tick.wallSeconds);
    }
    QImage image(WIDTH, HEIGHT, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto x = [&](double seconds) { return MARGIN + seconds / maxWall * (WIDTH - 2 * MARGIN); };
    const auto y = [&](double gapMs) { return HEIGHT - MARGIN - (gapMs - minGap) / (maxGap - minGap) * (HEIGHT - 2 * MARGIN); };
    painter.setPen(Qt::black);
    painter.drawRect(MARGIN, MARGIN, WIDTH - 2 * MARGIN, HEIGHT - 2 * MARGIN);
    painter.drawText(MARGIN, MARGIN - 20, QString("clock-to-frame gap (ms) over wall time (0 to %1 s)").arg(maxWall, 0, 'f', 1));
    painter.drawText(4, static_cast<int>(y(minGap)), QString::number(minGap, 'f', 0));
    painter.setPen(QPen(Qt::gray, 1));
    painter.drawLine(QPointF(x(0), y(0.0)), QPointF(x(maxWall), y(0.0)));
    painter.setPen(Qt::black);
    painter.drawText(4, static_cast<int>(y(maxGap)) + 10, QString::number(maxGap, 'f', 0));
    const auto goalLine = [&](double gapMs, const QColor& colour, const QString& label) {
        painter.setPen(QPen(colour, 1, Qt::DashLine));
        painter.drawLine(QPointF(x(0), y(gapMs)), QPointF(x(maxWall), y(gapMs)));
        // On white, so the curve does not hide it.
        const QRectF box(x(maxWall) - 330, y(gapMs) - 18, 325, 15);
        painter.fillRect(box, Qt::white);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, label);
    };
    painter.setPen(QPen(Qt::blue, 1.5));
    QPointF previous;
    bool havePrevious = false;
    for (const TickSample& tick : ticks) {
        if (tick.newestFrameTime < 0.0)
            continue;
        const QPointF point(x(tick.wallSeconds), y((tick.mediaTime - tick.newestFrameTime) * 1000.0));
        if (havePrevious)
            painter.drawLine(previous, point);
        previous = point;
        havePrevious = true;
    }
    goalLine(limitMs, Qt::red, QString("frame interval + tick: %1 ms").arg(limitMs, 0, 'f', 0));
    goalLine(40.0, QColor(255, 140, 0), "99th percentile goal: 40 ms");
    painter.end();
    image.save(path);
}

void printStat(const char* label, const std::vector<double>& seconds)
{
    if (seconds.empty()) {
        std::printf("  %-34s none\n", label);
        return;
    }
    std::printf("  %-34s median %7.1f ms   p99 %7.1f ms   max %7.1f ms   (n=%zu)\n", label,
                percentile(seconds, 0.5) * 1000.0, percentile(seconds, 0.99) * 1000.0,
                *std::max_element(seconds.begin(), seconds.end()) * 1000.0, seconds.size());
}

int usage()
{
    std::fprintf(stderr, "usage: playback FILE [--rate R] [--seconds S] [--soak-seconds S (0: none)] [--seeks N]\n"
                         "                [--buffer READ_AHEAD_SECONDS] [--output PREFIX] [--no-peers]\n"
                         "                [--path pipeline|scene-graph (--buffer: pipeline only)]\n");
    return 2;
}

std::optional<Options> parse(QStringList arguments)
{
    Options options;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        const bool hasValue = !arguments.isEmpty();
        if (argument == "--rate" && hasValue)
            options.rate = arguments.takeFirst().toDouble();
        else if (argument == "--seconds" && hasValue)
            options.seconds = arguments.takeFirst().toDouble();
        else if (argument == "--soak-seconds" && hasValue)
            options.soakSeconds = arguments.takeFirst().toDouble();
        else if (argument == "--buffer" && hasValue)
            options.bufferSeconds = arguments.takeFirst().toDouble();
        else if (argument == "--seeks" && hasValue)
            options.seeks = arguments.takeFirst().toInt();
        else if (argument == "--output" && hasValue)
            options.outputPrefix = arguments.takeFirst();
        else if (argument == "--path" && hasValue) {
            const QString path = arguments.takeFirst();
            if (path != "pipeline" && path != "scene-graph")
                return std::nullopt;
            options.sceneGraph = path == "scene-graph";
        } else if (argument == "--no-peers")
            options.peers = false;
        else if (options.file.isEmpty() && !argument.startsWith("--"))
            options.file = argument;
        else
            return std::nullopt;
    }
    if (options.file.isEmpty() || options.rate == 0.0 || options.seconds <= 0.0 || options.seeks < 0)
        return std::nullopt;
    return options;
}

// The pipeline a run observes, either driven bare or by the scene-graph media file that owns it.
struct Player
{
    std::unique_ptr<PlaybackPipeline> bare;
    std::unique_ptr<MediaPlayer2::FFmpegOsgMultimediaFile> mediaFile;
    PlaybackPipeline* pipeline = nullptr;
    Controls controls;
    osgUtil::UpdateVisitor update;
    int imageCopiesBefore = 0;

    // The pictures the media file has copied into its quad's image since loading.
    int imageCopies() const
    {
        const auto* quad = mediaFile ? static_cast<const MediaPlayer2::VideoQuad*>(mediaFile->outputNode()) : nullptr;
        return quad ? static_cast<int>(quad->image()->getModifiedCount()) - imageCopiesBefore : 0;
    }
};

bool loadBare(Player& player, const Options& options)
{
    player.bare = std::make_unique<PlaybackPipeline>();
    PlaybackPipeline& pipeline = *player.bare;
    pipeline.setBufferDuration(options.bufferSeconds);
    const PlaybackPipeline::LoadError loaded = pipeline.loadFile(options.file);
    if (loaded != PlaybackPipeline::LoadSucceeded && loaded != PlaybackPipeline::UnsupportedAudioCodec) {
        std::fprintf(stderr, "playback: cannot load %s (error %d)\n", qPrintable(options.file), loaded);
        return false;
    }
    if (options.rate < 0.0)
        pipeline.seek(pipeline.duration());
    player.pipeline = &pipeline;
    player.controls.setPlaybackRate = [&pipeline](double rate) { pipeline.setPlaybackRate(rate); };
    player.controls.play = [&pipeline] { return pipeline.play() == 0; };
    return true;
}

// Loads and positions the file as a playlist entry does. The media file keeps its pipeline to
// itself; the run finds it among the file's children only to watch it, with the file's read-ahead.
bool loadSceneGraph(Player& player, const Options& options)
{
    player.mediaFile = std::make_unique<MediaPlayer2::FFmpegOsgMultimediaFile>();
    MediaPlayer2::FFmpegOsgMultimediaFile& file = *player.mediaFile;
    file.setMedia(QUrl::fromLocalFile(QFileInfo(options.file).absoluteFilePath()));
    player.pipeline = file.findChild<PlaybackPipeline*>();
    auto* quad = static_cast<MediaPlayer2::VideoQuad*>(file.outputNode());
    if (file.mediaStatus() != QMediaPlayer::LoadedMedia || !player.pipeline || !quad) {
        std::fprintf(stderr, "playback: the scene-graph media file cannot load %s\n", qPrintable(options.file));
        return false;
    }
    file.seekTo(options.rate < 0.0 ? file.duration() : 0.0, 0.0);
    player.imageCopiesBefore = static_cast<int>(quad->image()->getModifiedCount());
    player.controls.setPlaybackRate = [&file](double rate) { file.setPlaybackRate(rate); };
    player.controls.play = [&file] {
        file.play();
        return true;
    };
    player.controls.everyTick = [&player, quad] {
        player.update.setTraversalNumber(player.update.getTraversalNumber() + 1);
        quad->accept(player.update);
    };
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Plots are drawn without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const std::optional<Options> options = parse(application.arguments().mid(1));
    if (!options)
        return usage();

    VideoStream video;
    if (!video.open(options->file)) {
        std::fprintf(stderr, "playback: no video in %s\n", qPrintable(options->file));
        return 1;
    }
    Player player;
    if (!(options->sceneGraph ? loadSceneGraph(player, *options) : loadBare(player, *options)))
        return 1;
    PlaybackPipeline& pipeline = *player.pipeline;

    const std::optional<double> limitBefore = options->peers ? limitCpuSeconds(options->file) : std::nullopt;
    const std::optional<PlaybackRun> run = runPlayback(pipeline, player.controls, video, *options);
    const int imageCopies = player.imageCopies();
    if (!run) {
        std::fprintf(stderr, "playback: the pipeline refused to play\n");
        return 1;
    }
    const SeekLatencies seeks = runSeeks(pipeline, *options);
    const std::vector<Peer> peers = options->peers ? measurePeers(options->file, pipeline.duration(), limitBefore) : std::vector<Peer>{};

    std::vector<double> gaps;
    double maxGapAfterSettling = 0.0;
    for (const TickSample& tick : run->ticks) {
        if (tick.newestFrameTime < 0.0 || std::abs(tick.mediaTime - run->startMediaTime) < SETTLING_SECONDS * std::abs(options->rate))
            continue;
        const double gap = std::abs(tick.mediaTime - tick.newestFrameTime);
        gaps.push_back(gap);
        maxGapAfterSettling = std::max(maxGapAfterSettling, gap);
    }
    const double ourCpu = run->mediaSeconds != 0.0 ? run->cpuSeconds / std::abs(run->mediaSeconds) : 0.0;

    const QSize size = pipeline.size();
    std::printf("playback of %s (%dx%d, %s / %s, %.2f s) at rate %.2f for %.1f s through %s\n", qPrintable(options->file),
                size.width(), size.height(), qPrintable(pipeline.videoCodecName()), qPrintable(pipeline.audioCodecName()),
                pipeline.duration(), options->rate, options->seconds,
                options->sceneGraph ? "the scene-graph media file" : "the pipeline");
    std::printf("\nCPU seconds per second of media\n");
    std::printf("  %-34s %7.3f\n", options->sceneGraph ? "our scene-graph path (process)" : "our pipeline (whole process)", ourCpu);
    for (const Peer& peer : peers) {
        if (peer.cpuPerMediaSecond)
            std::printf("  %-34s %7.3f   ours / this = %.2f\n", peer.name, *peer.cpuPerMediaSecond,
                        ourCpu / *peer.cpuPerMediaSecond);
        else
            std::printf("  %-34s not measured (not installed, or not for this file)\n", peer.name);
    }
    std::printf("\nclock-to-frame gap per frame tick, after the first %.0f s of media (%zu ticks)\n", SETTLING_SECONDS, gaps.size());
    std::printf("  median %.1f ms   p99 %.1f ms   max %.1f ms   (goal: max %.0f ms, p99 40 ms)\n",
                percentile(gaps, 0.5) * 1000.0, percentile(gaps, 0.99) * 1000.0, maxGapAfterSettling * 1000.0,
                (video.frameInterval + FRAME_TICK_MS / 1000.0) * 1000.0);
    std::printf("\nframes: due (decoded) %d, released %d, dropped %d, released out of order %d\n", run->due,
                run->released, std::max(0, run->due - run->released), run->outOfOrder);
    if (options->sceneGraph)
        std::printf("pictures copied into the quad's image while playing (soak included): %d\n", imageCopies);
    std::printf("\nseek latency, %d seeded random targets\n", options->seeks);
    printStat("our pipeline (seek to picture)", seeks.ours);
    printStat("ffmpeg -ss T -frames:v 1 (process)", seeks.ffmpeg);
    if (!seeks.ours.empty() && !seeks.ffmpeg.empty())
        std::printf("  median ours / ffmpeg = %.2f\n", percentile(seeks.ours, 0.5) / percentile(seeks.ffmpeg, 0.5));
    std::printf("\nmemory: peak resident %.1f MB", peakResidentMegabytes());
    if (options->soakSeconds > 0.0)
        std::printf("; resident after %.0f s %.1f MB, after %.0f s %.1f MB (%+.1f %%)", FIRST_MEMORY_SAMPLE_SECONDS,
                    run->residentAtFirstSample, options->soakSeconds, run->residentAtEnd,
                    (run->residentAtEnd / run->residentAtFirstSample - 1.0) * 100.0);
    std::printf("\n");

    writeCsv(options->outputPrefix + ".csv", run->ticks);
    writePlot(options->outputPrefix + ".png", run->ticks, video.frameInterval);
    std::printf("\nwrote %s.csv and %s.png\n", qPrintable(options->outputPrefix), qPrintable(options->outputPrefix));
    return 0;
}
