#include "ffmpeg/CodecContextImpl.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"
#include "ffmpeg/ScaleAndReformat.h"
#include "support/TestMedia.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <gtest/gtest.h>

#include <memory>

using FFmpeg::CodecContext;
using FFmpeg::FormatContext;
using FFmpeg::Frame;
using FFmpeg::Packet;

namespace {

// A decoder description without a stream, filled by hand, for the audio arithmetic.
std::unique_ptr<FFmpeg::CodecContextImpl> audioContext(int channels, int sampleRate)
{
    AVCodecContext* context = avcodec_alloc_context3(nullptr);
    context->codec_type = AVMEDIA_TYPE_AUDIO;
    context->ch_layout.order = AV_CHANNEL_ORDER_UNSPEC;
    context->ch_layout.nb_channels = channels;
    context->sample_fmt = AV_SAMPLE_FMT_S16;
    context->sample_rate = sampleRate;
    return std::make_unique<FFmpeg::CodecContextImpl>(nullptr, context, nullptr);
}

constexpr int kWidth = 101;
constexpr int kHeight = 51;
constexpr size_t kBgraBytes = kWidth * kHeight * 4;

} // namespace

TEST(FormatContext, EntryNDescribesStreamNUntilClosedOrAFileThatIsNoMediaFailsToOpen)
{
    FormatContext context;
    ASSERT_EQ(context.open(TestMedia::path("subtitles.mkv")), 0);
    ASSERT_EQ(context.numStreams(), 3);
    EXPECT_EQ(context.codecContext(0)->mediaType(), AVMEDIA_TYPE_SUBTITLE);
    EXPECT_EQ(context.codecContext(1)->mediaType(), AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(context.codecContext(2)->mediaType(), AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(context.findBestStream(AVMEDIA_TYPE_VIDEO), 2);
    EXPECT_EQ(context.findBestStream(AVMEDIA_TYPE_AUDIO), 1);
    EXPECT_EQ(context.codecName(3), "");
    EXPECT_EQ(context.codecContext(3), nullptr);

    EXPECT_EQ(context.close(), 0);
    EXPECT_EQ(context.numStreams(), 0);
    EXPECT_EQ(context.codecName(2), "");

    // Files that are no media fail to open and leave it closed and refusing work.
    ASSERT_EQ(context.open(TestMedia::path("h264_aac.mp4")), 0);
    for (const char* name : {"empty.mp4", "text.avi", "random.mp4", "does-not-exist.mp4"}) {
        EXPECT_EQ(context.open(TestMedia::path(name)), 1) << name; // also closes what was open
        EXPECT_FALSE(context.isOpen()) << name;
        EXPECT_EQ(context.numStreams(), 0) << name;
    }
    Packet packet;
    EXPECT_EQ(context.codecContext(0), nullptr);
    EXPECT_LT(context.findBestStream(AVMEDIA_TYPE_VIDEO), 0);
    EXPECT_EQ(context.seek(1.0), 1);
    EXPECT_EQ(context.readFrame(packet), 1);

    ASSERT_EQ(context.open(TestMedia::path("raw.h264")), 0); // no known length
    EXPECT_GE(context.duration(), 0.0);
}

TEST(CodecContextImpl, CopyIsAnIndependentDecoderThatOpensUntilClosed)
{
    FormatContext context;
    ASSERT_EQ(context.open(TestMedia::path("h264_aac.mp4")), 0);
    const CodecContext& entry = *context.codecContext(static_cast<unsigned>(context.findBestStream(AVMEDIA_TYPE_VIDEO)));
    std::unique_ptr<CodecContext> copy(entry.createCopy());
    EXPECT_EQ(copy->codecId(), AV_CODEC_ID_H264);
    EXPECT_EQ(copy->open(), 0);
    EXPECT_EQ(copy->close(), 0);
    EXPECT_FALSE(copy->isValid());
    EXPECT_EQ(copy->open(), 1); // closed for good
    EXPECT_TRUE(entry.isValid());

    // A copy of an entry that has no decoder is invalid and answers without one.
    std::unique_ptr<CodecContext> invalidCopy(copy->createCopy());
    EXPECT_FALSE(invalidCopy->isValid());
    EXPECT_EQ(invalidCopy->pixelFormat(), AV_PIX_FMT_NONE);
    EXPECT_EQ(invalidCopy->sampleFormat(), AV_SAMPLE_FMT_NONE);
    EXPECT_EQ(invalidCopy->channelLayout(), AV_CH_LAYOUT_STEREO);
}

TEST(CodecContextImpl, AudioLayoutsFallBackOnTheChannelCountAndTimesNeedARateAndAStream)
{
    for (const auto& [name, layout] : {std::pair{"tone_mono_22050.wav", AV_CH_LAYOUT_MONO},
                                       std::pair{"tone_stereo_44100.mp3", AV_CH_LAYOUT_STEREO},
                                       std::pair{"tone_51_48000.flac", AV_CH_LAYOUT_5POINT1_BACK}}) {
        FormatContext context;
        ASSERT_EQ(context.open(TestMedia::path(name)), 0) << name;
        const int audio = context.findBestStream(AVMEDIA_TYPE_AUDIO);
        EXPECT_EQ(context.codecContext(static_cast<unsigned>(audio))->channelLayout(), static_cast<int64_t>(layout)) << name;
    }
    EXPECT_EQ(audioContext(2, 44100)->channelLayout(), AV_CH_LAYOUT_STEREO);
    EXPECT_EQ(audioContext(1, 44100)->channelLayout(), AV_CH_LAYOUT_MONO);
    EXPECT_EQ(audioContext(6, 44100)->channelLayout(), 0);

    const auto streamless = audioContext(2, 44100);
    EXPECT_DOUBLE_EQ(streamless->durationForNumSamples(44100), 1.0);
    EXPECT_DOUBLE_EQ(streamless->durationForBytes(176400), 1.0);
    EXPECT_EQ(streamless->ptsToSeconds(1000), 0.0);
    EXPECT_EQ(streamless->secondsToPts(1.0), 0);
    EXPECT_EQ(audioContext(2, 0)->durationForNumSamples(100), 0.0);
    EXPECT_EQ(audioContext(2, 0)->durationForBytes(100), 0.0);

    FormatContext m4a;
    ASSERT_EQ(m4a.open(TestMedia::path("tone_stereo_44100.m4a")), 0);
    const CodecContext& audio = *m4a.codecContext(0); // time base 1/44100
    EXPECT_EQ(audio.ptsToSeconds(AV_NOPTS_VALUE), 0.0);
    EXPECT_EQ(audio.secondsToPts(-1.0), 0);
    EXPECT_DOUBLE_EQ(audio.ptsToSeconds(44100), 1.0);
    EXPECT_EQ(audio.secondsToPts(0.5), 22050);
}

TEST(Frame, BuffersArePackedAndPooledOnesGoBackToThePoolOnlyWhenNoFrameHoldsThem)
{
    const std::vector<unsigned char> pixels(kBgraBytes, 0x7f);
    Frame plain;
    ASSERT_EQ(plain.allocateBuffer(AV_PIX_FMT_BGRA, kWidth, kHeight), 0);
    EXPECT_EQ(plain.avFrame()->linesize[0], kWidth * 4);
    EXPECT_EQ(plain.fillImage(pixels.data(), pixels.size() + 1), 1);
    EXPECT_EQ(plain.fillImage(nullptr, 4), 1);
    EXPECT_EQ(Frame().allocateBuffer(AV_PIX_FMT_NONE, 4, 4), 1);

    AVBufferPool* pool = av_buffer_pool_init(kBgraBytes, nullptr);
    auto frame = std::make_unique<Frame>();
    ASSERT_EQ(frame->allocateBuffer(AV_PIX_FMT_BGRA, kWidth, kHeight, *pool), 0);
    EXPECT_EQ(frame->avFrame()->linesize[0], kWidth * 4);
    EXPECT_EQ(frame->fillImage(pixels.data(), pixels.size()), 0);
    const uint8_t* buffer = frame->avFrame()->data[0];

    // A copy shares the picture and keeps the buffer: no new frame is given it while the copy
    // shows it, and the copy cannot write into it.
    auto copy = std::make_unique<Frame>(*frame);
    frame.reset();
    EXPECT_EQ(copy->avFrame()->data[0], buffer);
    EXPECT_EQ(copy->fillImage(pixels.data(), 4), 1);
    Frame second;
    ASSERT_EQ(second.allocateBuffer(AV_PIX_FMT_BGRA, kWidth, kHeight, *pool), 0);
    EXPECT_NE(second.avFrame()->data[0], buffer);
    EXPECT_EQ(copy->avFrame()->data[0][kBgraBytes - 1], 0x7f);
    copy.reset();
    Frame third;
    ASSERT_EQ(third.allocateBuffer(AV_PIX_FMT_BGRA, kWidth, kHeight, *pool), 0);
    EXPECT_EQ(third.avFrame()->data[0], buffer) << "the released buffer is used again";

    // Buffers too small for the picture, and frames that already have one, are refused.
    EXPECT_EQ(third.allocateBuffer(AV_PIX_FMT_BGRA, kWidth, kHeight, *pool), 1);
    Frame tooLarge;
    EXPECT_EQ(tooLarge.allocateBuffer(AV_PIX_FMT_BGRA, kWidth + 1, kHeight, *pool), 1);
    EXPECT_EQ(tooLarge.fillImage(pixels.data(), 4), 1);

    // Frames outlive the pool they came from.
    av_buffer_pool_uninit(&pool);
    EXPECT_EQ(third.fillImage(pixels.data(), pixels.size()), 0);
}

TEST(Frame, TheOverrideTimeTravelsWithCopiesAndMetadataCopiesCarryTimesOnly)
{
    Frame frame;
    ASSERT_EQ(frame.allocateBuffer(AV_PIX_FMT_BGRA, 4, 2), 0);
    frame.avFrame()->pts = 1234;
    frame.avFrame()->best_effort_timestamp = 500;
    Frame target;
    ASSERT_EQ(target.allocateBuffer(AV_PIX_FMT_GRAY8, 2, 2), 0);
    EXPECT_EQ(target.copyMetadata(frame), 0);
    EXPECT_EQ(target.avFrame()->pts, 1234);
    EXPECT_EQ(target.bestEffortTimeStamp(), 500);
    EXPECT_NE(target.avFrame()->data[0], frame.avFrame()->data[0]);
    EXPECT_EQ(target.copyMetadata(target), 1);

    frame.setOverrideTime(77);
    EXPECT_EQ(Frame(frame).bestEffortTimeStamp(), 77);
}

TEST(ScaleAndReformat, ConvertsOnlyOnceInitialised)
{
    Frame source;
    ASSERT_EQ(source.allocateBuffer(AV_PIX_FMT_YUV420P, 16, 8), 0);
    Frame target;
    ASSERT_EQ(target.allocateBuffer(AV_PIX_FMT_BGRA, 16, 8), 0);
    UTILS::ScaleAndReformat scaler;
    const auto scale = [&] {
        return scaler.scale(source.avFrame()->data, source.avFrame()->linesize, 0, 8, target.avFrame()->data,
                            target.avFrame()->linesize);
    };
    EXPECT_EQ(scale(), 0);
    EXPECT_EQ(scaler.initialize(16, 8, AV_PIX_FMT_NONE, 16, 8, AV_PIX_FMT_BGRA), 1);
    ASSERT_EQ(scaler.initialize(16, 8, AV_PIX_FMT_YUV420P, 16, 8, AV_PIX_FMT_BGRA), 0);
    EXPECT_EQ(scale(), 8);
}
