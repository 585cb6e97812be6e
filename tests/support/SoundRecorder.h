#pragma once

#include <QProcess>

#include <cstdint>
#include <vector>

namespace testsupport {

/// Records what the default sound server output really plays, through its monitor, with the
/// PulseAudio recorder. scripts/test makes that output a null sink, so the recording holds exactly
/// the sound of the test process (sound tests take turns through a ctest resource lock).
class SoundRecorder {
public:
    static constexpr int kSampleRate = 44100;

    ~SoundRecorder();
    /// Whether a sound server is configured; without one, sound tests skip.
    static bool available();
    /// One recorder for the whole test binary, started on first use (a fresh one needs the server
    /// to settle); null when no server is configured or its monitor delivers nothing.
    static SoundRecorder* shared();

    /// The next `seconds` of the left channel, once recorded; empty when the recorder stalls.
    std::vector<int16_t> record(double seconds);
    /// Records until the last `seconds` were all sound (or all silence), for at most `limitSeconds`.
    bool waitForSound(double seconds = 0.2, double limitSeconds = 2.0);
    bool waitForSilence(double seconds = 0.2, double limitSeconds = 2.0);

private:
    bool start_();
    bool waitForRun_(bool sound, double seconds, double limitSeconds);
    void readAvailable_();

    QProcess recorder_;
    std::vector<int16_t> left_;  ///< every frame recorded since start
    QByteArray partial_;         ///< bytes of a frame not yet complete
};

/// The half-second segments of segments.wav heard in a recording, in order, each once: segment k
/// sounds at 300 + 150 k Hz, times `speed` when played faster. Judged by 20 ms windows, so that a
/// stall of the device on a busy machine only leaves a window out; other sounds are left out too.
std::vector<int> segmentsHeard(const std::vector<int16_t>& samples, double speed = 1.0);

}  // namespace testsupport
