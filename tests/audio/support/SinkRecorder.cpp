#include "support/SinkRecorder.h"

#include "support/Tones.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace AudioTest {

namespace {

constexpr int BYTES_PER_FRAME = 4;  // signed 16-bit stereo

// A recorder asks for short fragments, which also makes the sound server drive its output with
// a short latency; otherwise a null sink renders in blocks of seconds and new streams stall.
constexpr int RECORDER_LATENCY_MS = 20;

// Once this much audio has come in, the monitor delivers steadily.
constexpr double SETTLING_SECONDS = 0.3;

// Hang guard for waits on the recorder, beyond the recording time itself.
constexpr int HANG_GUARD_MS = 10000;

// Recognising sound and silence in windows of 10 ms. The null sink outputs exact zeros when
// nothing plays; test tones play at several thousand, and at half volume still above the floor.
constexpr std::size_t WINDOW_FRAMES = SinkRecorder::SAMPLE_RATE / 100;
constexpr double SOUND_RMS_FLOOR = 1000.0;
constexpr int SILENCE_PEAK_CEILING = 100;

// A wait wakes up at least this often to look at its condition and its deadline.
constexpr int WAKE_UP_MS = 20;

std::size_t framesFor(double seconds)
{
    return static_cast<std::size_t>(seconds * SinkRecorder::SAMPLE_RATE);
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wakeUp;
    wakeUp.start(WAKE_UP_MS);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

SinkRecorder::SinkRecorder() = default;

SinkRecorder::~SinkRecorder()
{
    if (recorder_.state() == QProcess::NotRunning)
        return;
    recorder_.terminate();
    if (!recorder_.waitForFinished(HANG_GUARD_MS))
        recorder_.kill();
    recorder_.waitForFinished(HANG_GUARD_MS);
}

bool SinkRecorder::serverAvailable()
{
    return !qEnvironmentVariableIsEmpty("PULSE_SERVER");
}

bool SinkRecorder::start()
{
    recorder_.setProgram(QStringLiteral("parec"));
    recorder_.setArguments({QStringLiteral("--device=@DEFAULT_MONITOR@"), QStringLiteral("--raw"),
                            QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(SAMPLE_RATE),
                            QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=%1").arg(RECORDER_LATENCY_MS)});
    recorder_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    recorder_.start(QIODevice::ReadOnly);
    return recorder_.waitForStarted(HANG_GUARD_MS) && waitForFrames_(framesFor(SETTLING_SECONDS));
}

std::size_t SinkRecorder::mark()
{
    readAvailable_();
    return leftChannel_.size();
}

std::vector<int16_t> SinkRecorder::recordFrom(std::size_t mark, double seconds)
{
    const std::size_t end = mark + framesFor(seconds);
    if (!waitForFrames_(end))
        return {};
    return {leftChannel_.begin() + static_cast<std::ptrdiff_t>(mark), leftChannel_.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::vector<int16_t> SinkRecorder::record(double seconds)
{
    return recordFrom(mark(), seconds);
}

bool SinkRecorder::waitForSound(double seconds, double limitSeconds)
{
    return waitForRun_(true, seconds, limitSeconds);
}

bool SinkRecorder::waitForSilence(double seconds, double limitSeconds)
{
    return waitForRun_(false, seconds, limitSeconds);
}

bool SinkRecorder::waitForRun_(bool sound, double seconds, double limitSeconds)
{
    readAvailable_();
    const std::size_t runFrames = framesFor(seconds);
    const std::size_t end = leftChannel_.size() + framesFor(limitSeconds);
    std::size_t next = leftChannel_.size();
    std::size_t run = 0;
    const auto matches = [this, sound](std::size_t from) {
        const std::vector<int16_t> window(leftChannel_.begin() + static_cast<std::ptrdiff_t>(from),
                                          leftChannel_.begin() + static_cast<std::ptrdiff_t>(from + WINDOW_FRAMES));
        return sound ? rmsOf(window) >= SOUND_RMS_FLOOR : peakOf(window) <= SILENCE_PEAK_CEILING;
    };
    const auto found = [&] {
        readAvailable_();
        for (; next + WINDOW_FRAMES <= leftChannel_.size() && next < end && run < runFrames; next += WINDOW_FRAMES)
            run = matches(next) ? run + WINDOW_FRAMES : 0;
        return run >= runFrames || next >= end;
    };
    return waitUntil(found, HANG_GUARD_MS + static_cast<int>(limitSeconds * 1000)) && run >= runFrames;
}

bool SinkRecorder::waitForFrames_(std::size_t count)
{
    const double seconds = static_cast<double>(count - std::min(count, leftChannel_.size())) / SAMPLE_RATE;
    return waitUntil(
        [this, count] {
            readAvailable_();
            return leftChannel_.size() >= count;
        },
        HANG_GUARD_MS + static_cast<int>(seconds * 1000));
}

void SinkRecorder::readAvailable_()
{
    const QByteArray bytes = partialFrame_ + recorder_.readAll();
    const int whole = bytes.size() - bytes.size() % BYTES_PER_FRAME;
    for (int offset = 0; offset < whole; offset += BYTES_PER_FRAME) {
        int16_t left;
        std::memcpy(&left, bytes.constData() + offset, sizeof left);
        leftChannel_.push_back(left);
    }
    partialFrame_ = bytes.mid(whole);
}

std::unique_ptr<SinkRecorder>& sharedRecorder()
{
    static std::unique_ptr<SinkRecorder> recorder;
    return recorder;
}

void SharedRecorderEnvironment::SetUp()
{
    if (!SinkRecorder::serverAvailable())
        return;
    sharedRecorder() = std::make_unique<SinkRecorder>();
    if (!sharedRecorder()->start())
        sharedRecorder().reset();
}

void SharedRecorderEnvironment::TearDown()
{
    sharedRecorder().reset();
}

} // namespace AudioTest
