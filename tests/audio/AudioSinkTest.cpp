#include "ffmpeg/AudioPlaybackSink.h"
#include "support/SoundRecorder.h"

#include <gtest/gtest.h>

using FFmpeg::AudioPlaybackSink;

namespace {
constexpr double kTolerance = 0.1;  // what the pipeline synchronises with
}  // namespace

// The sink's time line, without playing: each byte position stands for a media time.
TEST(AudioSink, BlocksFormOneTimeLineThatNewerBlocksReplaceAndSynchronisingMovesWithin)
{
    if (!testsupport::SoundRecorder::available())
        GTEST_SKIP() << "needs the sound server of scripts/test-services.sh (PULSE_SERVER)";
    AudioPlaybackSink sink;
    const auto silence = [](int frames) { return QSharedPointer<QByteArray>::create(frames * 4, '\0'); };
    sink.bufferAudioData(silence(1024), 10.0);
    sink.bufferAudioData(silence(1024), 10.02322);  // continuous within the resampler's rounding
    EXPECT_EQ(sink.queueByteLength(), 8192);
    sink.bufferAudioData(silence(1024), 10.2);  // after a gap: the time line moves to the block's time
    EXPECT_EQ(sink.synchronize(10.2, kTolerance), 1);
    EXPECT_NEAR(sink.queueByteLength(), 4096, 4);  // to a whole frame
    EXPECT_EQ(sink.synchronize(9.0, kTolerance), 1);  // before the buffer: waits at its start
    EXPECT_NEAR(sink.mediaTime(), 10.2 - 2048.0 / 44100, 1e-4);
    sink.bufferAudioData(silence(4410), 9.5);  // newer sound replaces the queue from its time on
    EXPECT_NEAR(sink.queueDuration(), 0.1, 1e-3);
    EXPECT_EQ(sink.synchronize(11.0, kTolerance), 1);  // past it: nothing buffered is wanted
    EXPECT_EQ(sink.queueByteLength(), 0);
    EXPECT_EQ(sink.synchronize(11.0, kTolerance), -1);

    // At rate 2 every played second carries two media seconds.
    sink.setPlaybackRate(2.0);
    sink.setPlaybackRate(-1.0);
    EXPECT_EQ(sink.playbackRate(), 2.0);
    for (int block = 0; block < 100; ++block)  // a hundredth of a second each, carrying two media hundredths
        sink.bufferAudioData(silence(441), 10.5 + 0.02 * block);
    EXPECT_NEAR(sink.queueDuration(), 1.0, 1e-3);
    EXPECT_EQ(sink.synchronize(11.5, kTolerance), 1);
    EXPECT_NEAR(sink.queueDuration(), 0.5, 1e-3);
    EXPECT_NEAR(sink.mediaTime(), 11.5, 1e-4);
    sink.stop();
    EXPECT_NEAR(sink.mediaTime(), 11.5, 1e-4);
    EXPECT_EQ(sink.state(), AudioPlaybackSink::Stopped);
}
