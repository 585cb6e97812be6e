#pragma once

#include <QProcess>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace AudioTest {

// Runs the event loop until the condition holds; false when the time runs out first. Unlike
// QTest::qWaitFor it never sleeps, so a sink living in the waiting thread keeps its device fed.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);

// Records what the default sound server output really plays, through its monitor source, with
// the PulseAudio recorder. scripts/test makes that output a null sink, so the recording holds
// exactly the sound of the test process.
class SinkRecorder
{
public:
    static constexpr int SAMPLE_RATE = 44100;

    SinkRecorder();
    ~SinkRecorder();

    // Whether a sound server for recording is configured in the environment.
    static bool serverAvailable();

    // Starts recording and waits until the monitor delivers audio; false when it does not.
    bool start();

    // The position of the recording's end now, in frames.
    std::size_t mark();
    // Waits until this much audio from the mark on has arrived and returns it (left channel);
    // empty when the recorder stalls.
    std::vector<int16_t> recordFrom(std::size_t mark, double seconds);
    // The same from now on.
    std::vector<int16_t> record(double seconds);

    // Records until the last `seconds` of the recording are all sound (or all silence), at most
    // `limitSeconds` long; true when that happened.
    bool waitForSound(double seconds, double limitSeconds);
    bool waitForSilence(double seconds, double limitSeconds);

private:
    bool waitForRun_(bool sound, double seconds, double limitSeconds);
    bool waitForFrames_(std::size_t count);
    void readAvailable_();

    QProcess recorder_;
    std::vector<int16_t> leftChannel_;  // every frame recorded since start
    QByteArray partialFrame_;           // bytes of a frame not yet complete
};

// One recorder for a whole test binary, shared by its tests: a fresh one needs the sound server to
// settle first. Null until the environment below has started it, and when no sound server is
// configured or recording cannot start.
std::unique_ptr<SinkRecorder>& sharedRecorder();

// Starts the shared recorder before the first test and stops it after the last; a test binary that
// records registers it once with ::testing::AddGlobalTestEnvironment.
class SharedRecorderEnvironment : public ::testing::Environment
{
public:
    void SetUp() override;
    void TearDown() override;
};

} // namespace AudioTest
