#include "support/SinkRecorder.h"
#include "support/Tones.h"

#include "ffmpeg/AudioPlaybackSink.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <vector>

using FFmpeg::AudioPlaybackSink;

namespace {

constexpr int SAMPLE_RATE = 44100;
constexpr int BYTES_PER_FRAME = 4;
constexpr double TOLERANCE = 0.1;  // what the pipeline synchronises with
constexpr int START_LIMIT_MS = 5000;  // hang guard for an output to start running

QSharedPointer<QByteArray> silence(int frames)
{
    return QSharedPointer<QByteArray>::create(frames * BYTES_PER_FRAME, '\0');
}

double playingSeconds(int frames)
{
    return static_cast<double>(frames) / SAMPLE_RATE;
}

class AudioPlaybackSinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!AudioTest::SinkRecorder::serverAvailable())
            GTEST_SKIP() << "needs the sound server of scripts/test-services.sh (PULSE_SERVER)";
    }

    AudioPlaybackSink sink;
};

TEST_F(AudioPlaybackSinkTest, AppendsContinuousBlocksAndMovesTheTimeLineAtGaps)
{
    sink.bufferAudioData(silence(1024), 10.0);
    sink.bufferAudioData(silence(1024), 10.02322);
    EXPECT_EQ(sink.queueByteLength(), 8192);
    EXPECT_DOUBLE_EQ(sink.mediaTime(), 10.0);

    // The second block follows the first 1024 frames on.
    EXPECT_EQ(sink.synchronize(10.0 + playingSeconds(1024), TOLERANCE), 1);
    EXPECT_NEAR(sink.queueByteLength(), 4096, BYTES_PER_FRAME);

    // A block 0.154 s after the end moves the whole time line so that it starts at its own time.
    sink.bufferAudioData(silence(1024), 10.2);
    EXPECT_EQ(sink.synchronize(10.2, TOLERANCE), 1);
    EXPECT_NEAR(sink.queueByteLength(), 4096, BYTES_PER_FRAME);
    EXPECT_NEAR(sink.mediaTime(), 10.2, 1e-4);
    EXPECT_EQ(sink.synchronize(10.0, TOLERANCE), 1);
    EXPECT_NEAR(sink.mediaTime(), 10.2 - playingSeconds(2048), 1e-4);
    EXPECT_EQ(sink.queueByteLength(), 12288);
}

TEST_F(AudioPlaybackSinkTest, NewerBlocksReplaceQueuedAudioFromTheirOwnTime)
{
    sink.bufferAudioData(silence(SAMPLE_RATE), 10.0);
    sink.bufferAudioData(silence(SAMPLE_RATE / 4), 10.5);
    EXPECT_NEAR(sink.queueDuration(), 0.75, 1e-3);
    EXPECT_DOUBLE_EQ(sink.mediaTime(), 10.0);

    sink.bufferAudioData(silence(SAMPLE_RATE / 10), 9.0);
    EXPECT_NEAR(sink.queueDuration(), 0.1, 1e-3);
    EXPECT_DOUBLE_EQ(sink.mediaTime(), 9.0);

    // Empty and missing blocks change nothing.
    sink.bufferAudioData(QSharedPointer<QByteArray>::create(), 9.05);
    sink.bufferAudioData({}, 9.05);
    EXPECT_NEAR(sink.queueDuration(), 0.1, 1e-3);
}

TEST_F(AudioPlaybackSinkTest, SynchronisesToWholeFramesAndWaitsOutsideTheBuffer)
{
    QSignalSpy notified(&sink, &AudioPlaybackSink::notify);
    EXPECT_EQ(sink.synchronize(5.0, TOLERANCE), -1);

    sink.bufferAudioData(silence(3), 5.0);
    // Halfway through three frames is byte 6, which lies inside the second frame.
    EXPECT_EQ(sink.synchronize(5.0 + 34e-6, TOLERANCE), 1);
    EXPECT_EQ(sink.queueByteLength(), 8);

    // Before the buffer it waits at the first byte; after it, nothing buffered is kept.
    EXPECT_EQ(sink.synchronize(4.0, TOLERANCE), 1);
    EXPECT_EQ(sink.queueByteLength(), 12);
    EXPECT_DOUBLE_EQ(sink.mediaTime(), 5.0);
    EXPECT_EQ(sink.synchronize(6.0, TOLERANCE), 1);
    EXPECT_EQ(sink.queueByteLength(), 0);
    EXPECT_EQ(sink.synchronize(6.0, TOLERANCE), -1);

    ASSERT_EQ(notified.count(), 3);
    EXPECT_DOUBLE_EQ(notified.at(0).at(0).toDouble(), 5.0 + 34e-6);
    EXPECT_DOUBLE_EQ(notified.at(1).at(0).toDouble(), 4.0);
    EXPECT_DOUBLE_EQ(notified.at(2).at(0).toDouble(), 6.0);
}

TEST_F(AudioPlaybackSinkTest, RepositionsAPlayingOutputOnlyWhenOutOfStep)
{
    sink.bufferAudioData(silence(3 * SAMPLE_RATE), 0.0);
    sink.play();
    EXPECT_EQ(sink.state(), AudioPlaybackSink::Playing);

    // Once the output runs, 0.05 s off is in step and nothing moves.
    ASSERT_TRUE(AudioTest::waitUntil([this] { return sink.synchronize(sink.mediaTime() + 0.05, TOLERANCE) == 0; }, START_LIMIT_MS));
    QSignalSpy notified(&sink, &AudioPlaybackSink::notify);
    const double target = sink.mediaTime() + 0.2;
    EXPECT_EQ(sink.synchronize(target, TOLERANCE), 1);
    EXPECT_NEAR(sink.mediaTime(), target, 0.06);
    ASSERT_GE(notified.count(), 1);
    EXPECT_DOUBLE_EQ(notified.at(0).at(0).toDouble(), target);

    // At zero volume the output is suspended rather than fed silence, so it is not in step;
    // raising the volume resumes it.
    sink.setVolume(0.0);
    EXPECT_EQ(sink.synchronize(sink.mediaTime(), TOLERANCE), 1);
    sink.setVolume(1.0);
    EXPECT_TRUE(AudioTest::waitUntil([this] { return sink.synchronize(sink.mediaTime(), TOLERANCE) == 0; }, START_LIMIT_MS));

    // Paused, every call moves the position, so the audible position follows a frozen clock.
    sink.pause();
    EXPECT_EQ(sink.state(), AudioPlaybackSink::Stopped);
    EXPECT_EQ(sink.synchronize(1.0, TOLERANCE), 1);
    EXPECT_EQ(sink.synchronize(1.0, TOLERANCE), 1);
    EXPECT_NEAR(sink.mediaTime(), 1.0, 1e-4);
}

TEST_F(AudioPlaybackSinkTest, MapsPlayingTimeToMediaTimeAtTheRateAndStopKeepsTheTimeWherePlayingStopped)
{
    sink.bufferAudioData(silence(SAMPLE_RATE), 10.0);
    sink.synchronize(10.5, TOLERANCE);
    sink.setPlaybackRate(2.0);
    EXPECT_EQ(sink.queueByteLength(), 0);
    EXPECT_NEAR(sink.mediaTime(), 10.5, 1e-4);
    sink.setPlaybackRate(0.0);  // rates that cannot be played are ignored
    sink.setPlaybackRate(-1.0);
    EXPECT_DOUBLE_EQ(sink.playbackRate(), 2.0);

    // Blocks resampled for rate 2 carry two media seconds per playing second and follow each
    // other without a gap.
    for (const AudioTest::AudioBlock& block : AudioTest::ToneTrack(10.5, 12.5, 2.0).blocks())
        sink.bufferAudioData(block.data, block.time);
    EXPECT_NEAR(sink.queueDuration(), 1.0, 1e-3);
    EXPECT_EQ(sink.synchronize(11.5, TOLERANCE), 1);
    EXPECT_NEAR(sink.queueDuration(), 0.5, 1e-3);
    EXPECT_NEAR(sink.mediaTime(), 11.5, 1e-4);
    EXPECT_EQ(sink.synchronize(12.4, TOLERANCE), 1);
    EXPECT_NEAR(sink.queueDuration(), 0.05, 1e-3);

    sink.stop();
    EXPECT_EQ(sink.queueByteLength(), 0);
    EXPECT_NEAR(sink.mediaTime(), 12.4, 1e-4);
    EXPECT_EQ(sink.state(), AudioPlaybackSink::Stopped);
    sink.bufferAudioData(silence(SAMPLE_RATE), 20.0);
    EXPECT_DOUBLE_EQ(sink.mediaTime(), 20.0);
}

TEST_F(AudioPlaybackSinkTest, KeepsItsOutputUntilASupportedFormatReplacesIt)
{
    std::vector<AudioPlaybackSink::State> states;
    QObject::connect(&sink, &AudioPlaybackSink::stateChanged, [&states](AudioPlaybackSink::State state) { states.push_back(state); });
    EXPECT_EQ(sink.state(), AudioPlaybackSink::Stopped);
    sink.bufferAudioData(silence(100), 1.0);

    EXPECT_EQ(sink.setFormat(true, AudioPlaybackSink::UnknownType, SAMPLE_RATE), 1);
    EXPECT_EQ(sink.setFormat(true, AudioPlaybackSink::Int16, SAMPLE_RATE), 0);
    EXPECT_EQ(sink.queueByteLength(), 400);
    EXPECT_EQ(sink.state(), AudioPlaybackSink::Stopped);

    // A rate no device plays leaves the sink without output.
    EXPECT_EQ(sink.setFormat(true, AudioPlaybackSink::Int16, 10000000), 1);
    EXPECT_EQ(sink.state(), AudioPlaybackSink::Error);
    EXPECT_EQ(sink.queueByteLength(), 0);
    sink.play();
    EXPECT_EQ(sink.state(), AudioPlaybackSink::Error);
    sink.bufferAudioData(silence(100), 1.0);
    EXPECT_EQ(sink.queueByteLength(), 0);
    EXPECT_DOUBLE_EQ(sink.queueDuration(), 0.0);
    EXPECT_EQ(sink.synchronize(1.0, TOLERANCE), -1);

    EXPECT_EQ(sink.setFormat(false, AudioPlaybackSink::Float32, 48000), 0);
    EXPECT_EQ(sink.state(), AudioPlaybackSink::Stopped);
    sink.bufferAudioData(silence(100), 1.0);  // 400 bytes: 100 mono frames of 32 bits
    EXPECT_NEAR(sink.queueDuration(), 100.0 / 48000, 1e-5);

    EXPECT_EQ(states, (std::vector<AudioPlaybackSink::State>{AudioPlaybackSink::Error, AudioPlaybackSink::Stopped}));
}

} // namespace
