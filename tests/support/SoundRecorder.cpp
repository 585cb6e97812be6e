#include "support/SoundRecorder.h"

#include "support/TestMedia.h"

#include <cmath>
#include <cstring>

namespace testsupport {

namespace {
// Short fragments also make the server drive the null sink with a short latency; otherwise it
// renders in blocks of seconds and new streams stall.
constexpr int kLatencyMs = 20;
// Beyond the recording time itself, for a recorder that hangs.
constexpr int kHangGuardMs = 10000;
// The null sink renders exact zeros when nothing plays; test sound plays at thousands.
constexpr std::size_t kWindowFrames = SoundRecorder::kSampleRate / 50;
constexpr double kSoundRms = 500.0;
constexpr double kSilenceRms = 50.0;

std::size_t framesFor(double seconds)
{
    return std::size_t(seconds * SoundRecorder::kSampleRate);
}

double rmsOf(const int16_t* samples)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < kWindowFrames; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(kWindowFrames));
}

double pitchOfWindow(const int16_t* samples)
{
    int crossings = 0;
    for (std::size_t i = 1; i < kWindowFrames; ++i)
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    return crossings / 2.0 * SoundRecorder::kSampleRate / double(kWindowFrames);
}

} // namespace

SoundRecorder::~SoundRecorder()
{
    recorder_.terminate();
    if (!recorder_.waitForFinished(kHangGuardMs))
        recorder_.kill();
}

bool SoundRecorder::available()
{
    return !qEnvironmentVariableIsEmpty("PULSE_SERVER");
}

SoundRecorder* SoundRecorder::shared()
{
    static SoundRecorder recorder;
    // Once this much has come in, the monitor delivers steadily.
    static const bool started = available() && recorder.start_() && !recorder.record(0.3).empty();
    return started ? &recorder : nullptr;
}

bool SoundRecorder::start_()
{
    recorder_.start("parec", {"--device=@DEFAULT_MONITOR@", "--raw", "--format=s16le", QStringLiteral("--rate=%1").arg(kSampleRate),
                              "--channels=2", QStringLiteral("--latency-msec=%1").arg(kLatencyMs)});
    return recorder_.waitForStarted(kHangGuardMs);
}

std::vector<int16_t> SoundRecorder::record(double seconds)
{
    readAvailable_();
    const std::size_t from = left_.size();
    const std::size_t to = from + framesFor(seconds);
    if (!TestMedia::waitUntil([&] { return readAvailable_(), left_.size() >= to; }, kHangGuardMs + int(seconds * 1000)))
        return {};
    return {left_.begin() + long(from), left_.begin() + long(to)};
}

bool SoundRecorder::waitForSound(double seconds, double limitSeconds)
{
    return waitForRun_(true, seconds, limitSeconds);
}

bool SoundRecorder::waitForSilence(double seconds, double limitSeconds)
{
    return waitForRun_(false, seconds, limitSeconds);
}

bool SoundRecorder::waitForRun_(bool sound, double seconds, double limitSeconds)
{
    std::size_t run = 0;
    for (std::size_t heard = 0; heard < framesFor(limitSeconds) && run < framesFor(seconds); heard += kWindowFrames) {
        const std::vector<int16_t> window = record(double(kWindowFrames) / kSampleRate);
        if (window.empty())
            return false;
        const double rms = rmsOf(window.data());
        run = (sound ? rms >= kSoundRms : rms <= kSilenceRms) ? run + kWindowFrames : 0;
    }
    return run >= framesFor(seconds);
}

void SoundRecorder::readAvailable_()
{
    const QByteArray bytes = partial_ + recorder_.readAll();
    const int whole = bytes.size() - bytes.size() % 4;  // signed 16-bit stereo frames
    for (int offset = 0; offset < whole; offset += 4) {
        int16_t left = 0;
        std::memcpy(&left, bytes.constData() + offset, sizeof left);
        left_.push_back(left);
    }
    partial_ = bytes.mid(whole);
}

std::vector<int> segmentsHeard(const std::vector<int16_t>& samples, double speed)
{
    std::vector<int> segments;
    for (std::size_t at = 0; at + kWindowFrames <= samples.size(); at += kWindowFrames) {
        const double tone = pitchOfWindow(&samples[at]) / speed;
        const int segment = int(std::lround((tone - 300.0) / 150.0));
        const bool clear = rmsOf(&samples[at]) >= kSoundRms && std::abs(tone - 300.0 - 150.0 * segment) < 40.0;
        if (clear && (segments.empty() || segments.back() != segment))
            segments.push_back(segment);
    }
    return segments;
}

}  // namespace testsupport
