#include "support/DecodedStream.h"
#include "ffmpeg/AudioResampleFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using FramePtr = std::shared_ptr<FFmpeg::Frame>;
using FFmpeg::AudioResampleFilter;

// Resampling filters hold back and smear a few dozen samples at the edges.
constexpr qint64 kFilterSlack = 64;

// A resampler on a decoder and the blocks it emits as (samples, time).
struct Resampler
{
    explicit Resampler(const DecodedStream& audio) : filter(audio.codec())
    {
        QObject::connect(&filter, &AudioResampleFilter::rawAudioReady,
                         [this](QSharedPointer<QByteArray> samples, double time) { blocks.emplace_back(samples, time); });
    }

    const std::vector<std::pair<QSharedPointer<QByteArray>, double>>& resample(const std::vector<FramePtr>& frames)
    {
        blocks.clear();
        for (const auto& frame : frames)
            filter.resampleFrame(frame);
        return blocks;
    }

    qint64 totalBytes() const
    {
        qint64 bytes = 0;
        for (const auto& block : blocks)
            bytes += block.first->size();
        return bytes;
    }

    AudioResampleFilter filter;
    std::vector<std::pair<QSharedPointer<QByteArray>, double>> blocks;
};

qint64 totalSamples(const std::vector<FramePtr>& frames)
{
    qint64 samples = 0;
    for (const auto& frame : frames)
        samples += frame->numSamples();
    return samples;
}

TEST(AudioResampleFilter, ByDefaultMakesOneStereoSixteenBitBlockPerFrameUnderTheFramesTime)
{
    DecodedStream audio("tone_stereo_44100.m4a", AVMEDIA_TYPE_AUDIO);
    ASSERT_EQ(audio.codec().sampleFormat(), AV_SAMPLE_FMT_FLTP);
    const auto frames = audio.decode();
    ASSERT_GT(frames.size(), 50u);
    Resampler resampler(audio);
    const auto& blocks = resampler.resample(frames);
    ASSERT_EQ(blocks.size(), frames.size());
    for (std::size_t n = 0; n < frames.size(); ++n) {
        EXPECT_EQ(blocks[n].first->size(), 4 * frames[n]->numSamples());
        EXPECT_DOUBLE_EQ(blocks[n].second, audio.secondsOf(*frames[n]));
    }

    // The clip is one tone on both channels: interleaving must keep left and right together.
    const auto* samples = reinterpret_cast<const int16_t*>(blocks[20].first->constData());
    int loud = 0;
    for (int i = 0; i < frames[20]->numSamples(); ++i) {
        EXPECT_NEAR(samples[2 * i], samples[2 * i + 1], 1);
        loud += std::abs(samples[2 * i]) > 1000;
    }
    EXPECT_GT(loud, 100);

    // A block carries the override time of its frame, not the decoder's.
    auto restamped = std::make_shared<FFmpeg::Frame>(*frames[2]);
    restamped->setOverrideTime(audio.codec().secondsToPts(12.5));
    ASSERT_EQ(resampler.resample({restamped}).size(), 1u);
    EXPECT_NEAR(blocks[0].second, 12.5, 1e-4);
}

TEST(AudioResampleFilter, ConvertsToTheRequestedLayoutAndRateWithoutLosingSampleFrames)
{
    struct Case
    {
        const char* file;
        bool stereo;
        int rate;
    };
    for (const Case& c : {Case{"tone_stereo_44100.m4a", true, 22050}, Case{"tone_mono_22050.wav", true, 44100},
                          Case{"tone_51_48000.flac", true, 44100}, Case{"tone_stereo_44100.mp3", false, 44100},
                          Case{"tone_mono_22050.wav", false, 22050}}) {
        SCOPED_TRACE(c.file);
        DecodedStream audio(c.file, AVMEDIA_TYPE_AUDIO);
        const auto frames = audio.decode();
        Resampler resampler(audio);
        ASSERT_EQ(resampler.filter.setOutputFormat(c.stereo, AV_SAMPLE_FMT_S16, c.rate), 0);
        const int bytesPerFrame = c.stereo ? 4 : 2;
        for (const auto& block : resampler.resample(frames))
            EXPECT_EQ(block.first->size() % bytesPerFrame, 0);
        const qint64 expected = totalSamples(frames) * c.rate / audio.codec().sampleRate();
        EXPECT_LE(resampler.totalBytes() / bytesPerFrame, expected);
        EXPECT_GE(resampler.totalBytes() / bytesPerFrame, expected - kFilterSlack);
    }
}

TEST(AudioResampleFilter, AFailedSetUpLeavesItSilentUntilOtherValuesWorkAndFlushingDiscardsHeldSamples)
{
    DecodedStream audio("tone_stereo_44100.m4a", AVMEDIA_TYPE_AUDIO);
    const auto frames = audio.decode(20);
    ASSERT_EQ(frames.size(), 20u);
    Resampler resampler(audio);
    // Blocks are one interleaved array: planar output cannot be delivered, asked twice or not.
    EXPECT_EQ(resampler.filter.setOutputFormat(true, AV_SAMPLE_FMT_S16P, 44100), 1);
    EXPECT_EQ(resampler.filter.setOutputFormat(true, AV_SAMPLE_FMT_S16P, 44100), 1);
    EXPECT_TRUE(resampler.resample(frames).empty());
    resampler.filter.flush();
    EXPECT_EQ(resampler.filter.setOutputFormat(true, AV_SAMPLE_FMT_S16, 0), 1);
    EXPECT_TRUE(resampler.resample(frames).empty());

    // At half the rate samples stay inside the filter between calls.
    ASSERT_EQ(resampler.filter.setOutputFormat(true, AV_SAMPLE_FMT_S16, 44100 / 2), 0);
    EXPECT_EQ(resampler.resample({frames.begin(), frames.begin() + 10}).size(), 10u);
    resampler.blocks.clear();
    resampler.filter.flush();
    resampler.filter.flush();
    EXPECT_TRUE(resampler.blocks.empty());
    // Like a seek: the frames after it come out in full, each under its own time.
    const std::vector<FramePtr> after(frames.begin() + 10, frames.end());
    ASSERT_EQ(resampler.resample(after).size(), after.size());
    EXPECT_NEAR(resampler.totalBytes() / 4, totalSamples(after) / 2, kFilterSlack);
    EXPECT_DOUBLE_EQ(resampler.blocks[0].second, audio.secondsOf(*after[0]));
}

TEST(AudioResampleFilter, DropsFramesOfAnotherChannelCountThanItWasSetUpForEvenWhenTheDecoderNowAnnouncesIt)
{
    // Set up while the decoder announces the stream's two channels; the mono frames of its second
    // half would have their missing second plane read.
    DecodedStream audio("stereo_then_mono.mp3", AVMEDIA_TYPE_AUDIO);
    ASSERT_EQ(audio.codec().numChannels(), 2);
    Resampler resampler(audio);
    const auto frames = audio.decode();
    ASSERT_EQ(audio.codec().numChannels(), 1);
    const auto stereoFrames = std::count_if(frames.begin(), frames.end(), [](const FramePtr& frame) {
        return frame->avFrame()->ch_layout.nb_channels == 2;
    });
    ASSERT_GT(stereoFrames, 0);
    ASSERT_LT(stereoFrames, static_cast<long>(frames.size()));
    EXPECT_EQ(static_cast<long>(resampler.resample(frames).size()), stereoFrames);
}

} // namespace
