#pragma once

// What the sound server's output plays, as the pipeline and media file tests judge it: their clips'
// sound is a 440 Hz tone. Suites that use this build the audio output tests' recorder and measures.
#include "support/SinkRecorder.h"
#include "support/Tones.h"

namespace HeardSound {

constexpr double kToneHz = 440.0;
// Zero-crossing counts over the 20 ms windows of a tenth of a second are this close to the tone.
constexpr double kPitchToleranceHz = 40.0;
constexpr double kMeasureSeconds = 0.1;
// Bounds of the waits for sound to start or stop after an action: the device, the recorder and
// a queued hop into the decoder thread together take a fraction of this.
constexpr double kReactionLimitSeconds = 2.0;
// Stretches of sound or silence that show a state has settled.
constexpr double kSteadySeconds = 0.2;

inline bool soundStarts(AudioTest::SinkRecorder& recorder, double seconds = kSteadySeconds)
{
    return recorder.waitForSound(seconds, kReactionLimitSeconds);
}

inline bool soundStops(AudioTest::SinkRecorder& recorder)
{
    return recorder.waitForSilence(kSteadySeconds, kReactionLimitSeconds);
}

inline double pitchHeard(AudioTest::SinkRecorder& recorder)
{
    return AudioTest::pitchOf(recorder.record(kMeasureSeconds));
}

} // namespace HeardSound
