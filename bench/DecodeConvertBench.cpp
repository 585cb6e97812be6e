// Measures, per video frame of a file, what our decoding stages cost (the video decode filter and
// the pixel converter to BGRA, single-threaded as the pipeline runs them) and what the same work
// costs the ffmpeg command (decode and convert to BGRA, single-threaded), in the same run.

#include "ProcessMeasures.h"
#include "ffmpeg/CodecContext.h"
#include "ffmpeg/ConvertPixelFormatFilter.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"
#include "ffmpeg/VideoDecodeFilter.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>

namespace {

// Runs of each side; the fastest counts, as other processes on the machine only ever slow a run down.
constexpr int DEFAULT_RUNS = 3;
// The comparison is meant for full-HD pictures; other sizes are measured but flagged.
constexpr int FULL_HD_WIDTH = 1920;
constexpr int FULL_HD_HEIGHT = 1080;

// Wall-clock and CPU seconds; CPU time is the steadier figure on a busy machine.
struct Cost
{
    double wall = 0.0;
    double cpu = 0.0;

    Cost& operator+=(const Cost& other)
    {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
    Cost operator-(const Cost& other) const { return {wall - other.wall, cpu - other.cpu}; }
    Cost perFrame(int frames) const { return {wall / frames, cpu / frames}; }
};

Cost fastest(const Cost& a, const Cost& b)
{
    return {std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)};
}

class Stopwatch
{
public:
    Cost elapsed() const
    {
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart_;
        return {wall.count(), cpuSeconds() - cpuStart_};
    }

private:
    std::chrono::steady_clock::time_point wallStart_ = std::chrono::steady_clock::now();
    double cpuStart_ = cpuSeconds();
};

struct OurRun
{
    Cost total;
    Cost conversion;
    int frames = 0;
    int width = 0;
    int height = 0;
    QString codec;
};

// Demuxing and decoding with our wrappers and decode filter, converting each frame as it leaves
// the decoder. Opening the file is not measured, as the ffmpeg command's figure leaves it out too.
std::optional<OurRun> runOurStages(const QString& fileName)
{
    FFmpeg::FormatContext format;
    if (format.open(fileName.toStdString()) != 0)
        return std::nullopt;
    const int streamIndex = format.findBestStream(AVMEDIA_TYPE_VIDEO);
    if (streamIndex < 0 || !format.codecContext(static_cast<unsigned>(streamIndex)))
        return std::nullopt;
    std::unique_ptr<FFmpeg::CodecContext> codec(format.codecContext(static_cast<unsigned>(streamIndex))->createCopy());
    if (codec->open() != 0)
        return std::nullopt;

    FFmpeg::VideoDecodeFilter decoder(*codec);
    FFmpeg::ConvertPixelFormatFilter converter(*codec, AV_PIX_FMT_BGRA);
    OurRun run;
    run.width = codec->width();
    run.height = codec->height();
    run.codec = QString::fromStdString(codec->codecName());
    QObject::connect(&decoder, &FFmpeg::VideoDecodeFilter::videoFrameReady,
                     [&converter, &run](std::shared_ptr<FFmpeg::Frame> frame) {
                         const Stopwatch conversion;
                         converter.convert(std::move(frame));
                         run.conversion += conversion.elapsed();
                     });
    QObject::connect(&converter, &FFmpeg::ConvertPixelFormatFilter::convertedFrameReady,
                     [&run](std::shared_ptr<FFmpeg::Frame>) { ++run.frames; });

    const Stopwatch total;
    for (;;) {
        auto packet = std::make_shared<FFmpeg::Packet>();
        if (format.readFrame(*packet) != 0) {
            // An empty packet drains the pictures the decoder still holds.
            decoder.processPacket(streamIndex, std::make_shared<FFmpeg::Packet>());
            break;
        }
        if (packet->streamId() == streamIndex)
            decoder.processPacket(streamIndex, std::move(packet));
    }
    run.total = total.elapsed();
    return run;
}

struct CommandRun
{
    Cost cost;
    int frames = 0;
};

// ffmpeg's own benchmark report covers its decoding and filtering, after the input was opened.
std::optional<CommandRun> runFfmpegCommand(const QString& ffmpeg, const QString& fileName)
{
    QProcess process;
    process.start(ffmpeg, {"-nostdin", "-hide_banner", "-benchmark", "-threads", "1", "-filter_threads", "1", "-i",
                           fileName, "-pix_fmt", "bgra", "-f", "null", "-"});
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    const QString report = QString::fromLocal8Bit(process.readAllStandardError());

    const QRegularExpression bench(R"(bench: utime=([\d.]+)s stime=([\d.]+)s rtime=([\d.]+)s)");
    const QRegularExpressionMatch times = bench.match(report);
    QRegularExpressionMatchIterator progress = QRegularExpression(R"(frame=\s*(\d+))").globalMatch(report);
    CommandRun run;
    while (progress.hasNext())
        run.frames = progress.next().captured(1).toInt();
    if (!times.hasMatch() || run.frames <= 0)
        return std::nullopt;
    run.cost = {times.captured(3).toDouble(), times.captured(1).toDouble() + times.captured(2).toDouble()};
    return run;
}

void printRow(const char* label, const Cost& perFrame)
{
    std::printf("%-28s %14.3f %14.3f\n", label, perFrame.wall * 1000.0, perFrame.cpu * 1000.0);
}

int usage()
{
    std::fprintf(stderr, "usage: decode_convert_bench FILE [--runs N] [--ffmpeg PATH]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    QString ffmpeg = "ffmpeg";
    int runs = DEFAULT_RUNS;
    QString fileName;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        if (argument == "--runs" && !arguments.isEmpty())
            runs = arguments.takeFirst().toInt();
        else if (argument == "--ffmpeg" && !arguments.isEmpty())
            ffmpeg = arguments.takeFirst();
        else if (fileName.isEmpty() && !argument.startsWith("--"))
            fileName = argument;
        else
            return usage();
    }
    if (fileName.isEmpty() || runs < 1)
        return usage();

    std::optional<OurRun> ours;
    std::optional<CommandRun> theirs;
    // Alternating the two sides spreads any change in the machine's load over both.
    for (int i = 0; i < runs; ++i) {
        const std::optional<OurRun> run = runOurStages(fileName);
        if (!run || run->frames == 0) {
            std::fprintf(stderr, "decode_convert_bench: cannot decode video of %s\n", qPrintable(fileName));
            return 1;
        }
        if (!ours) {
            ours = run;
        } else {
            ours->total = fastest(ours->total, run->total);
            ours->conversion = fastest(ours->conversion, run->conversion);
        }
        const std::optional<CommandRun> command = runFfmpegCommand(ffmpeg, fileName);
        if (!command) {
            std::fprintf(stderr, "decode_convert_bench: running %s on %s failed\n", qPrintable(ffmpeg),
                         qPrintable(fileName));
            return 1;
        }
        theirs = theirs ? CommandRun{fastest(theirs->cost, command->cost), command->frames} : command;
    }

    const Cost ourTotal = ours->total.perFrame(ours->frames);
    const Cost ourConversion = ours->conversion.perFrame(ours->frames);
    const Cost theirTotal = theirs->cost.perFrame(theirs->frames);
    std::printf("%s: %dx%d %s, %d frames (ffmpeg command: %d), fastest of %d runs\n", qPrintable(fileName),
                ours->width, ours->height, qPrintable(ours->codec), ours->frames, theirs->frames, runs);
    if (ours->width != FULL_HD_WIDTH || ours->height != FULL_HD_HEIGHT)
        std::printf("note: not a 1920x1080 clip\n");
    std::printf("%-28s %14s %14s\n", "per frame", "wall ms", "cpu ms");
    printRow("ours: decode", ourTotal - ourConversion);
    printRow("ours: convert to BGRA", ourConversion);
    printRow("ours: decode + convert", ourTotal);
    printRow("ffmpeg command", theirTotal);
    std::printf("%-28s %14.3f %14.3f\n", "ratio ours / ffmpeg", ourTotal.wall / theirTotal.wall,
                ourTotal.cpu / theirTotal.cpu);
    return 0;
}
