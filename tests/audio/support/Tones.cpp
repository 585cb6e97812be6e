#include "support/Tones.h"

#include "support/SinkRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace AudioTest {

namespace {

constexpr double TWO_PI = 6.283185307179586;
constexpr int CHANNELS = 2;

// Segment tones: far enough apart for a zero-crossing count over one window to tell them apart.
constexpr double FIRST_TONE_HZ = 400.0;
constexpr double TONE_STEP_HZ = 150.0;
constexpr double TONE_MATCH_HZ = 50.0;

// Recognition windows of 20 ms: long enough for a steady count, short against a segment.
constexpr std::size_t WINDOW_FRAMES = SinkRecorder::SAMPLE_RATE / 50;
// Runs shorter than this are joins between tones, not tones.
constexpr std::size_t STEADY_WINDOWS = 3;

constexpr int SILENCE_PEAK_CEILING = 100;
constexpr double TONE_RMS_FLOOR = 1000.0;

int recognise(const std::vector<int16_t>& window)
{
    if (peakOf(window) <= SILENCE_PEAK_CEILING)
        return SILENCE;
    if (rmsOf(window) < TONE_RMS_FLOOR)
        return UNRECOGNISED;
    const double frequency = frequencyOf(window);
    const int segment = static_cast<int>(std::lround((frequency - FIRST_TONE_HZ) / TONE_STEP_HZ));
    if (segment < 0 || std::abs(frequency - ToneTrack::frequencyOf(segment)) > TONE_MATCH_HZ)
        return UNRECOGNISED;
    return segment;
}

std::vector<ToneRun> joined(const std::vector<ToneRun>& runs)
{
    std::vector<ToneRun> result;
    for (const ToneRun& run : runs) {
        if (!result.empty() && result.back().segment == run.segment) {
            result.back().frames += run.frames;
            result.back().gapInside = result.back().gapInside || run.gapBefore || run.gapInside;
        } else {
            result.push_back(run);
        }
    }
    return result;
}

// The recording cut into the short windows every judgement is made on; a last partial window is left out.
std::vector<std::vector<int16_t>> windowsOf(const std::vector<int16_t>& samples)
{
    std::vector<std::vector<int16_t>> windows;
    for (std::size_t first = 0; first + WINDOW_FRAMES <= samples.size(); first += WINDOW_FRAMES)
        windows.emplace_back(samples.begin() + static_cast<std::ptrdiff_t>(first),
                             samples.begin() + static_cast<std::ptrdiff_t>(first + WINDOW_FRAMES));
    return windows;
}

std::vector<ToneRun> windowRunsOf(const std::vector<int16_t>& samples)
{
    std::vector<ToneRun> runs;
    for (const std::vector<int16_t>& window : windowsOf(samples))
        runs.push_back({recognise(window), WINDOW_FRAMES, runs.size() * WINDOW_FRAMES});
    return joined(runs);
}

double medianOfSoundingWindows(const std::vector<int16_t>& samples, double (*measure)(const std::vector<int16_t>&))
{
    std::vector<double> measures;
    for (const std::vector<int16_t>& window : windowsOf(samples))
        if (peakOf(window) > SILENCE_PEAK_CEILING)
            measures.push_back(measure(window));
    if (measures.empty())
        return 0.0;
    const auto middle = measures.begin() + static_cast<std::ptrdiff_t>(measures.size() / 2);
    std::nth_element(measures.begin(), middle, measures.end());
    return *middle;
}

} // namespace

ToneTrack::ToneTrack(double startTime, double endTime, double rate)
    : startTime_(startTime)
    , rate_(rate)
{
    const auto frames = static_cast<std::size_t>(std::lround((endTime - startTime) / rate * SinkRecorder::SAMPLE_RATE));
    samples_.reserve(frames * CHANNELS);
    double phase = 0.0;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const double mediaTime = startTime + static_cast<double>(frame) * rate / SinkRecorder::SAMPLE_RATE;
        phase = std::fmod(phase + TWO_PI * frequencyOf(segmentAt(mediaTime)) / SinkRecorder::SAMPLE_RATE, TWO_PI);
        const auto sample = static_cast<int16_t>(std::lround(AMPLITUDE * std::sin(phase)));
        samples_.insert(samples_.end(), CHANNELS, sample);
    }
}

std::vector<AudioBlock> ToneTrack::blocks(int framesPerBlock) const
{
    std::vector<AudioBlock> result;
    const std::size_t frames = samples_.size() / CHANNELS;
    for (std::size_t first = 0; first < frames; first += static_cast<std::size_t>(framesPerBlock)) {
        const std::size_t count = std::min(frames - first, static_cast<std::size_t>(framesPerBlock));
        auto data = QSharedPointer<QByteArray>::create(reinterpret_cast<const char*>(samples_.data() + first * CHANNELS),
                                                       static_cast<int>(count * CHANNELS * sizeof(int16_t)));
        result.push_back({data, startTime_ + static_cast<double>(first) * rate_ / SinkRecorder::SAMPLE_RATE});
    }
    return result;
}

int ToneTrack::segmentAt(double mediaTime) const
{
    // The nudge keeps a time computed exactly on a boundary in the segment that starts there.
    return static_cast<int>(std::floor((mediaTime - startTime_) / SEGMENT_SECONDS + 1e-9));
}

double ToneTrack::frequencyOf(int segment)
{
    return FIRST_TONE_HZ + TONE_STEP_HZ * segment;
}

double ToneTrack::segmentFrames() const
{
    return SEGMENT_SECONDS / rate_ * SinkRecorder::SAMPLE_RATE;
}

double rmsOf(const std::vector<int16_t>& samples)
{
    if (samples.empty())
        return 0.0;
    double sum = 0.0;
    for (int16_t sample : samples)
        sum += static_cast<double>(sample) * sample;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

int peakOf(const std::vector<int16_t>& samples)
{
    int peak = 0;
    for (int16_t sample : samples)
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
}

double frequencyOf(const std::vector<int16_t>& samples)
{
    if (samples.empty())
        return 0.0;
    int crossings = 0;
    int lastSign = 0;
    for (int16_t sample : samples) {
        const int sign = (sample > 0) - (sample < 0);
        if (sign != 0 && lastSign != 0 && sign != lastSign)
            ++crossings;
        if (sign != 0)
            lastSign = sign;
    }
    return crossings / 2.0 * SinkRecorder::SAMPLE_RATE / static_cast<double>(samples.size());
}

double loudnessOf(const std::vector<int16_t>& samples)
{
    return medianOfSoundingWindows(samples, rmsOf);
}

double pitchOf(const std::vector<int16_t>& samples)
{
    return medianOfSoundingWindows(samples, frequencyOf);
}

std::vector<ToneRun> heardTonesOf(const std::vector<int16_t>& samples)
{
    std::vector<ToneRun> heard;
    bool leftOut = false;
    for (ToneRun run : windowRunsOf(samples)) {
        if (run.frames < STEADY_WINDOWS * WINDOW_FRAMES || run.segment == SILENCE) {
            leftOut = !heard.empty();
            continue;
        }
        run.gapBefore = leftOut;
        leftOut = false;
        heard.push_back(run);
    }
    return joined(heard);
}

} // namespace AudioTest
