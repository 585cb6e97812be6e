#pragma once

#include <QByteArray>
#include <QSharedPointer>

#include <cstdint>
#include <vector>

namespace AudioTest {

// One timed block of interleaved signed 16-bit stereo samples, as the resampler delivers them.
struct AudioBlock
{
    QSharedPointer<QByteArray> data;
    double time;  // media time of the first sample
};

// A track whose tone tells the media time it belongs to: media time is cut into segments of equal
// length, each with its own frequency (as heard when played at 44100 Hz). Like the resampler's
// output for a playback rate, every second of samples carries `rate` seconds of media.
class ToneTrack
{
public:
    static constexpr double SEGMENT_SECONDS = 0.5;
    static constexpr int AMPLITUDE = 8000;

    ToneTrack(double startTime, double endTime, double rate = 1.0);

    // The track cut into blocks of this many sample frames, stamped with their media times.
    std::vector<AudioBlock> blocks(int framesPerBlock = 1024) const;

    // The segment that a media time falls in, counted from the track's start, and its tone.
    int segmentAt(double mediaTime) const;
    static double frequencyOf(int segment);
    // Sample frames one segment lasts when played.
    double segmentFrames() const;

private:
    double startTime_;
    double rate_;
    std::vector<int16_t> samples_;  // interleaved stereo
};

// What a stretch of recording holds: a segment's tone, silence, or something else.
constexpr int SILENCE = -1;
constexpr int UNRECOGNISED = -2;

struct ToneRun
{
    int segment;  // or SILENCE / UNRECOGNISED
    std::size_t frames;
    std::size_t start;  // frames into the recording where the run begins
    bool gapBefore = false;  // something else was heard between this run and the one before
    bool gapInside = false;  // the run was heard in pieces
};

double rmsOf(const std::vector<int16_t>& samples);
// The typical loudness of the sounding parts: the median RMS of short windows that are not
// silent, so that a short stall of the device does not count.
double loudnessOf(const std::vector<int16_t>& samples);
int peakOf(const std::vector<int16_t>& samples);
// The tone of a stretch by zero crossings.
double frequencyOf(const std::vector<int16_t>& samples);
// The typical tone of the sounding parts, by the same median of short windows as loudnessOf: a stall
// inside the stretch would otherwise count as missing crossings and lower the tone.
double pitchOf(const std::vector<int16_t>& samples);
// What was heard, in order: the recording cut into short windows, each recognised as a segment's
// tone, silence or neither; stretches of only a few windows (the joins between tones) and silences
// (a stall of the device) left out, and neighbours of the same tone joined. Runs next to what was
// left out are marked, as a device that stalled has the sink jump ahead to the clock.
std::vector<ToneRun> heardTonesOf(const std::vector<int16_t>& samples);

} // namespace AudioTest
