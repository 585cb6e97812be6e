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

struct Block
{
    QSharedPointer<QByteArray> samples;
    double time;
};

// Records what a resampler emits.
class Blocks
{
public:
    explicit Blocks(FFmpeg::AudioResampleFilter& resampler)
    {
        QObject::connect(&resampler, &FFmpeg::AudioResampleFilter::rawAudioReady,
                         [this](QSharedPointer<QByteArray> samples, double time) {
                             blocks_.push_back({samples, time});
                         });
    }
    const std::vector<Block>& all() const { return blocks_; }
    qint64 totalBytes() const
    {
        qint64 bytes = 0;
        for (const auto& block : blocks_)
            bytes += block.samples->size();
        return bytes;
    }
    void clear() { blocks_.clear(); }

private:
    std::vector<Block> blocks_;
};

qint64 totalSamples(const std::vector<FramePtr>& frames)
{
    qint64 samples = 0;
    for (const auto& frame : frames)
        samples += frame->numSamples();
    return samples;
}

void resampleAll(FFmpeg::AudioResampleFilter& resampler, const std::vector<FramePtr>& frames)
{
    for (const auto& frame : frames)
        resampler.resampleFrame(frame);
}

// Resampling filters hold back and smear a few dozen samples at the edges.
constexpr qint64 kFilterSlack = 64;

TEST(AudioResampleFilter, ByDefaultMakesOneStereoSixteenBitBlockPerFrameWithoutLosingSamples)
{
    DecodedStream audio("tone_stereo_44100.m4a", AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(audio.isOpen());
    ASSERT_EQ(audio.codec().sampleFormat(), AV_SAMPLE_FMT_FLTP);
    const auto frames = audio.decode();
    ASSERT_GT(frames.size(), 50u);
    FFmpeg::AudioResampleFilter resampler(audio.codec());
    Blocks blocks(resampler);

    resampleAll(resampler, frames);
    ASSERT_EQ(blocks.all().size(), frames.size());
    for (std::size_t n = 0; n < frames.size(); ++n) {
        EXPECT_EQ(blocks.all()[n].samples->size(), 4 * frames[n]->numSamples());
        EXPECT_DOUBLE_EQ(blocks.all()[n].time, audio.secondsOf(*frames[n]));
    }
    EXPECT_EQ(frames[1]->numSamples(), 1024);
    EXPECT_EQ(blocks.all()[1].samples->size(), 4096);

    // The clip is one tone on both channels: interleaving must keep left and right together.
    const auto* samples = reinterpret_cast<const int16_t*>(blocks.all()[20].samples->constData());
    int loud = 0;
    for (int i = 0; i < 1024; ++i) {
        EXPECT_NEAR(samples[2 * i], samples[2 * i + 1], 1);
        loud += std::abs(samples[2 * i]) > 1000;
    }
    EXPECT_GT(loud, 100);

    // A block carries the override time of its frame, not the decoder's.
    blocks.clear();
    auto restamped = std::make_shared<FFmpeg::Frame>(*frames[2]);
    restamped->setOverrideTime(audio.codec().secondsToPts(12.5));
    resampler.resampleFrame(restamped);
    ASSERT_EQ(blocks.all().size(), 1u);
    EXPECT_NEAR(blocks.all()[0].time, 12.5, 1e-4);
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
        ASSERT_TRUE(audio.isOpen());
        const auto frames = audio.decode();
        FFmpeg::AudioResampleFilter resampler(audio.codec());
        Blocks blocks(resampler);
        ASSERT_EQ(resampler.setOutputFormat(c.stereo, AV_SAMPLE_FMT_S16, c.rate), 0);

        resampleAll(resampler, frames);
        const int bytesPerFrame = c.stereo ? 4 : 2;
        const qint64 expected = totalSamples(frames) * c.rate / audio.codec().sampleRate();
        for (const auto& block : blocks.all())
            EXPECT_EQ(block.samples->size() % bytesPerFrame, 0);
        EXPECT_LE(blocks.totalBytes() / bytesPerFrame, expected);
        EXPECT_GE(blocks.totalBytes() / bytesPerFrame, expected - kFilterSlack);
    }
}

TEST(AudioResampleFilter, AFailedSetUpLeavesItSilentUntilOtherValuesWork)
{
    DecodedStream audio("tone_stereo_44100.m4a", AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(audio.isOpen());
    const auto frames = audio.decode(4);
    FFmpeg::AudioResampleFilter resampler(audio.codec());
    Blocks blocks(resampler);

    EXPECT_EQ(resampler.setOutputFormat(true, AV_SAMPLE_FMT_S16, 44100), 0);
    // Blocks are one interleaved array: planar output cannot be delivered.
    EXPECT_EQ(resampler.setOutputFormat(true, AV_SAMPLE_FMT_S16P, 44100), 1);
    EXPECT_EQ(resampler.setOutputFormat(true, AV_SAMPLE_FMT_S16P, 44100), 1);
    resampleAll(resampler, frames);
    resampler.flush();
    EXPECT_TRUE(blocks.all().empty());

    EXPECT_EQ(resampler.setOutputFormat(true, AV_SAMPLE_FMT_S16, 0), 1);
    resampler.resampleFrame(frames[0]);
    EXPECT_TRUE(blocks.all().empty());

    EXPECT_EQ(resampler.setOutputFormat(false, AV_SAMPLE_FMT_FLT, 48000), 0);
    resampleAll(resampler, frames);
    EXPECT_EQ(blocks.all().size(), frames.size());
}

TEST(AudioResampleFilter, DropsFramesOfAnotherChannelCountThanItWasSetUpForEvenWhenTheDecoderNowAnnouncesIt)
{
    // Set up while the decoder announces the stream's two channels; the mono frames of its second
    // half would have their missing second plane read.
    DecodedStream audio("stereo_then_mono.mp3", AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(audio.isOpen());
    ASSERT_EQ(audio.codec().numChannels(), 2);
    FFmpeg::AudioResampleFilter resampler(audio.codec());
    Blocks blocks(resampler);
    const auto frames = audio.decode();
    ASSERT_EQ(audio.codec().numChannels(), 1);
    const auto stereoFrames = std::count_if(frames.begin(), frames.end(), [](const FramePtr& frame) {
        return frame->avFrame()->ch_layout.nb_channels == 2;
    });
    ASSERT_GT(stereoFrames, 0);
    ASSERT_LT(stereoFrames, static_cast<long>(frames.size()));

    resampleAll(resampler, frames);
    EXPECT_EQ(static_cast<long>(blocks.all().size()), stereoFrames);
}

TEST(AudioResampleFilter, FlushingDiscardsTheHeldSamplesAndResamplingGoesOnAfterIt)
{
    DecodedStream audio("tone_stereo_44100.m4a", AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(audio.isOpen());
    const auto frames = audio.decode(20);
    ASSERT_EQ(frames.size(), 20u);
    // Rate 2 resamples, so samples stay inside the filter between calls.
    FFmpeg::AudioResampleFilter resampler(audio.codec());
    ASSERT_EQ(resampler.setOutputFormat(true, AV_SAMPLE_FMT_S16, 44100 / 2), 0);
    Blocks blocks(resampler);
    resampleAll(resampler, std::vector<FramePtr>(frames.begin(), frames.begin() + 10));

    blocks.clear();
    resampler.flush();
    resampler.flush();
    EXPECT_TRUE(blocks.all().empty());

    // Like a seek: the frames after it come out in full, each under its own time.
    const std::vector<FramePtr> after(frames.begin() + 10, frames.end());
    resampleAll(resampler, after);
    ASSERT_EQ(blocks.all().size(), after.size());
    EXPECT_NEAR(blocks.totalBytes() / 4, totalSamples(after) / 2, kFilterSlack);
    EXPECT_DOUBLE_EQ(blocks.all()[0].time, audio.secondsOf(*after[0]));
}

} // namespace
