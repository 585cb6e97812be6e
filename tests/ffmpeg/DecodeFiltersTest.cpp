#include "ffmpeg/AudioDecodeFilter.h"
#include "ffmpeg/CodecContext.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/FormatContextSource.h"
#include "ffmpeg/MetaTypes.h"
#include "ffmpeg/VideoDecodeFilter.h"
#include "support/TestMedia.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

using FFmpeg::AudioDecodeFilter;
using FFmpeg::CodecContext;
using FFmpeg::FormatContext;
using FFmpeg::FormatContextSource;
using FFmpeg::Frame;
using FFmpeg::Packet;
using FFmpeg::VideoDecodeFilter;

namespace {

struct DecodedPicture
{
    int number; // from the picture's pattern
    double time;
};

// Source and decoders of one file, connected as the playback pipeline connects them.
class DecodeChain
{
public:
    explicit DecodeChain(const std::string& name)
    {
        FFmpeg::registerMetaTypes();
        opened = context.open(TestMedia::path(name)) == 0;
        if (!opened)
            return;
        videoCodec = TestMedia::openDecoder(context, AVMEDIA_TYPE_VIDEO);
        audioCodec = TestMedia::openDecoder(context, AVMEDIA_TYPE_AUDIO);
        source = std::make_unique<FormatContextSource>(context);
        QObject::connect(source.get(), &FormatContextSource::endOfFileReached, [this] { ++endsOfFile; });
        QObject::connect(source.get(), &FormatContextSource::seekCompleted, [this] { ++seeksCompleted; });
        if (videoCodec) {
            videoDecoder = std::make_unique<VideoDecodeFilter>(*videoCodec);
            QObject::connect(source.get(), &FormatContextSource::videoPacketReady, videoDecoder.get(),
                             &VideoDecodeFilter::processPacket);
            QObject::connect(source.get(), &FormatContextSource::aboutToSeek, videoDecoder.get(),
                             &VideoDecodeFilter::prepareForSeek);
            QObject::connect(source.get(), &FormatContextSource::seekCompleted, videoDecoder.get(),
                             &VideoDecodeFilter::completeSeek);
            QObject::connect(videoDecoder.get(), &VideoDecodeFilter::videoFrameReady,
                             [this](std::shared_ptr<Frame> frame) {
                                 pictures.push_back({TestMedia::frameNumberOf(*frame),
                                                     videoCodec->ptsToSeconds(frame->bestEffortTimeStamp())});
                             });
        }
        if (audioCodec) {
            audioDecoder = std::make_unique<AudioDecodeFilter>(*audioCodec);
            // Before the decoder, so that the packet is known while its frames come out.
            QObject::connect(source.get(), &FormatContextSource::audioPacketReady,
                             [this](int, std::shared_ptr<Packet> packet) { audioPacketPts = packet->pts(); });
            QObject::connect(source.get(), &FormatContextSource::audioPacketReady, audioDecoder.get(),
                             &AudioDecodeFilter::processAudioPacket);
            QObject::connect(source.get(), &FormatContextSource::aboutToSeek, audioDecoder.get(),
                             &AudioDecodeFilter::prepareForSeek);
        }
    }

    bool readToEnd()
    {
        const int endsBefore = endsOfFile;
        return TestMedia::waitUntil([&] {
            source->readForward(1e9);
            return endsOfFile > endsBefore;
        });
    }

    bool opened = false;
    FormatContext context;
    std::unique_ptr<CodecContext> videoCodec;
    std::unique_ptr<CodecContext> audioCodec;
    std::unique_ptr<FormatContextSource> source;
    std::unique_ptr<VideoDecodeFilter> videoDecoder;
    std::unique_ptr<AudioDecodeFilter> audioDecoder;
    std::vector<DecodedPicture> pictures;
    int64_t audioPacketPts = AV_NOPTS_VALUE;
    int endsOfFile = 0;
    int seeksCompleted = 0;
};

// A packet holding the data of two packets of the file, with the first one's time stamps.
std::shared_ptr<Packet> joined(const Packet& first, const Packet& second)
{
    auto packet = std::make_shared<Packet>();
    const int size = first.avPacket()->size + second.avPacket()->size;
    if (av_new_packet(packet->avPacket(), size) != 0)
        return nullptr;
    std::memcpy(packet->avPacket()->data, first.avPacket()->data, static_cast<size_t>(first.avPacket()->size));
    std::memcpy(packet->avPacket()->data + first.avPacket()->size, second.avPacket()->data,
                static_cast<size_t>(second.avPacket()->size));
    av_packet_copy_props(packet->avPacket(), first.avPacket());
    return packet;
}

std::vector<std::shared_ptr<Packet>> packetsOfStream(FormatContext& context, int streamId, size_t count)
{
    std::vector<std::shared_ptr<Packet>> packets;
    while (packets.size() < count) {
        auto packet = std::make_shared<Packet>();
        if (context.readFrame(*packet) != 0)
            break;
        if (packet->streamId() == streamId)
            packets.push_back(packet);
    }
    return packets;
}

} // namespace

TEST(VideoDecodeFilter, EveryPictureComesOutOnceInPresentationOrder)
{
    for (const char* name : {"h264_aac.mp4", "h264_aac.mkv", "subtitles.mkv", "vp9_opus.webm", "mpeg4_mp3.avi",
                             "mjpeg.mov", "theora_vorbis.ogg", "odd_101x51.mp4", "truncated.mp4"}) {
        SCOPED_TRACE(name);
        DecodeChain chain(name);
        ASSERT_TRUE(chain.videoDecoder);
        ASSERT_TRUE(chain.readToEnd());
        ASSERT_FALSE(chain.pictures.empty());
        for (size_t i = 0; i < chain.pictures.size(); ++i) {
            EXPECT_EQ(chain.pictures[i].number, static_cast<int>(i));
            EXPECT_EQ(chain.pictures[i].number, TestMedia::frameNumberAt(chain.pictures[i].time))
                << chain.pictures[i].time;
        }
    }
}

TEST(VideoDecodeFilter, FramesDecodedDuringASeekAreHeldBackAndOnlyTheLatestLeaves)
{
    FormatContext context;
    ASSERT_EQ(context.open(TestMedia::path("mjpeg.mov")), 0);
    std::unique_ptr<CodecContext> codec = TestMedia::openDecoder(context, AVMEDIA_TYPE_VIDEO);
    VideoDecodeFilter decoder(*codec);
    std::vector<int> emitted;
    QObject::connect(&decoder, &VideoDecodeFilter::videoFrameReady,
                     [&](std::shared_ptr<Frame> frame) { emitted.push_back(TestMedia::frameNumberOf(*frame)); });

    decoder.completeSeek(); // nothing decoded yet
    EXPECT_TRUE(emitted.empty());

    const auto packets = packetsOfStream(context, 0, 7);
    ASSERT_EQ(packets.size(), 7u);
    decoder.prepareForSeek();
    for (int i = 0; i < 5; ++i)
        decoder.processPacket(0, packets[static_cast<size_t>(i)]);
    EXPECT_TRUE(emitted.empty());
    decoder.completeSeek();
    EXPECT_EQ(emitted, std::vector<int>{4});
    decoder.completeSeek();
    EXPECT_EQ(emitted.size(), 1u);

    // Out of a seek every picture leaves at once.
    decoder.processPacket(0, packets[5]);
    decoder.processPacket(0, packets[6]);
    EXPECT_EQ(emitted, (std::vector<int>{4, 5, 6}));
}

// The seek rules on clips with reordered frames are checked with the stages wired as the pipeline
// wires them (PausedSeekTest); here the rule for an intra-only clip: the first picture after the target.
TEST(VideoDecodeFilter, IntraOnlyClipSeekEndsOnTheFirstPicturePresentedAfterTheTarget)
{
    for (double target : {0.0, 0.5, 0.52, 1.0, 1.01, 1.5}) {
        SCOPED_TRACE(target);
        DecodeChain chain("mjpeg.mov");
        chain.source->seek(target);
        ASSERT_EQ(chain.pictures.size(), 1u);
        EXPECT_EQ(chain.pictures[0].number, TestMedia::frameNumberAt(target) + 1);
    }
}

TEST(VideoDecodeFilter, SeekAfterPlayingLosesNoPictureOfTheNewRun)
{
    DecodeChain chain("h264_aac.mp4");
    chain.readToEnd();
    chain.source->seek(1.3);
    ASSERT_FALSE(chain.pictures.empty());
    const size_t afterSeek = chain.pictures.size() - 1;
    const int first = chain.pictures[afterSeek].number;
    chain.readToEnd();
    // From the picture the seek ended on, the following ones come without gap or repeat.
    for (size_t i = afterSeek; i < chain.pictures.size(); ++i)
        EXPECT_EQ(chain.pictures[i].number, first + static_cast<int>(i - afterSeek));
}

TEST(AudioDecodeFilter, EachFrameCarriesItsPacketsTime)
{
    for (const char* name : {"h264_aac.mp4", "vp9_opus.webm", "mpeg4_mp3.avi", "theora_vorbis.ogg", "tone_mono_22050.wav",
                             "tone_stereo_44100.mp3", "tone_51_48000.flac", "tone_stereo_44100.m4a"}) {
        SCOPED_TRACE(name);
        DecodeChain chain(name);
        ASSERT_TRUE(chain.audioDecoder);
        int frames = 0;
        QObject::connect(chain.audioDecoder.get(), &AudioDecodeFilter::audioFrameReady, [&](std::shared_ptr<Frame> frame) {
            ++frames;
            if (chain.audioPacketPts != AV_NOPTS_VALUE) {
                EXPECT_EQ(frame->bestEffortTimeStamp(), chain.audioPacketPts);
            }
        });
        ASSERT_TRUE(chain.readToEnd());
        EXPECT_GT(frames, 10);
    }
}

// A lone audio decoder on the packets of one file, fed by hand.
struct AudioPackets
{
    explicit AudioPackets(const char* name, size_t count)
    {
        opened = context.open(TestMedia::path(name)) == 0;
        codec = TestMedia::openDecoder(context, AVMEDIA_TYPE_AUDIO);
        decoder = std::make_unique<AudioDecodeFilter>(*codec);
        QObject::connect(decoder.get(), &AudioDecodeFilter::audioFrameReady,
                         [this](std::shared_ptr<Frame> frame) { frames.push_back(frame); });
        packets = packetsOfStream(context, 0, count);
    }

    bool opened = false;
    FormatContext context;
    std::unique_ptr<CodecContext> codec;
    std::unique_ptr<AudioDecodeFilter> decoder;
    std::vector<std::shared_ptr<Packet>> packets;
    std::vector<std::shared_ptr<Frame>> frames;
};

TEST(AudioDecodeFilter, LaterFramesOfAPacketOrOfPacketsWithoutTimeFollowTheEarlierOnes)
{
    AudioPackets mp3("tone_stereo_44100.mp3", 8);
    ASSERT_TRUE(mp3.opened);
    ASSERT_EQ(mp3.packets.size(), 8u);
    for (size_t i = 0; i < 5; ++i)
        mp3.decoder->processAudioPacket(0, mp3.packets[i]);
    mp3.frames.clear();
    // Two packets' data in one: the second frame follows the first.
    std::shared_ptr<Packet> pair = joined(*mp3.packets[5], *mp3.packets[6]);
    ASSERT_TRUE(pair);
    mp3.decoder->processAudioPacket(0, pair);
    ASSERT_EQ(mp3.frames.size(), 2u);
    EXPECT_NE(mp3.frames[0], mp3.frames[1]);
    EXPECT_EQ(mp3.frames[0]->bestEffortTimeStamp(), mp3.packets[5]->pts());
    EXPECT_EQ(mp3.frames[1]->bestEffortTimeStamp(),
              mp3.packets[5]->pts() + mp3.codec->secondsToPts(mp3.codec->durationForNumSamples(mp3.frames[0]->numSamples())));

    AudioPackets aac("tone_stereo_44100.m4a", 6);
    ASSERT_TRUE(aac.opened);
    auto& [opened, context, codec, decoderPtr, packets, frames] = aac;
    auto& decoder = *decoderPtr;
    // A packet without time continues from the previous frame. The first packets only fill the
    // decoder (the encoder's priming samples are dropped).
    ASSERT_EQ(packets.size(), 6u);
    decoder.processAudioPacket(0, packets[0]);
    decoder.processAudioPacket(0, packets[1]);
    frames.clear();
    decoder.processAudioPacket(0, packets[2]);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0]->bestEffortTimeStamp(), packets[2]->pts());

    packets[3]->avPacket()->pts = AV_NOPTS_VALUE;
    packets[4]->avPacket()->pts = AV_NOPTS_VALUE;
    decoder.processAudioPacket(0, packets[3]);
    decoder.processAudioPacket(0, packets[4]);
    ASSERT_EQ(frames.size(), 3u);
    const double frameLength = codec->durationForNumSamples(frames[0]->numSamples());
    EXPECT_EQ(frames[1]->bestEffortTimeStamp(), packets[2]->pts() + codec->secondsToPts(frameLength));
    EXPECT_EQ(frames[2]->bestEffortTimeStamp(), packets[2]->pts() + codec->secondsToPts(2 * frameLength));

    // After a seek nothing is known to continue from: the decoder's own time stays.
    decoder.prepareForSeek();
    frames.clear();
    packets[5]->avPacket()->pts = AV_NOPTS_VALUE;
    decoder.processAudioPacket(0, packets[5]);
    for (const auto& frame : frames)
        EXPECT_EQ(frame->bestEffortTimeStamp(), frame->avFrame()->best_effort_timestamp);
}

TEST(AudioDecodeFilter, SwitchedOffItDecodesNothingUntilSwitchedOn)
{
    DecodeChain chain("tone_stereo_44100.mp3");
    int frames = 0;
    QObject::connect(chain.audioDecoder.get(), &AudioDecodeFilter::audioFrameReady, [&] { ++frames; });
    EXPECT_TRUE(chain.audioDecoder->isProcessingData());
    chain.audioDecoder->setProcessingData(false);
    EXPECT_FALSE(chain.audioDecoder->isProcessingData());
    ASSERT_TRUE(TestMedia::waitUntil([&] {
        chain.source->readForward(0.5);
        return chain.context.codecContext(0) && chain.audioPacketPts != AV_NOPTS_VALUE
               && chain.audioCodec->ptsToSeconds(chain.audioPacketPts) >= 0.5;
    }));
    EXPECT_EQ(frames, 0);

    chain.audioDecoder->setProcessingData(true);
    const int64_t resumedFrom = chain.audioPacketPts;
    std::vector<int64_t> times;
    QObject::connect(chain.audioDecoder.get(), &AudioDecodeFilter::audioFrameReady,
                     [&](std::shared_ptr<Frame> frame) { times.push_back(frame->bestEffortTimeStamp()); });
    ASSERT_TRUE(chain.readToEnd());
    ASSERT_FALSE(times.empty());
    EXPECT_GT(times.front(), resumedFrom);
}

TEST(DecodeChain, BrokenFilesFailToOpenOrEndWithoutHanging)
{
    for (const char* name : {"empty.mp4", "text.avi", "random.mp4"})
        EXPECT_FALSE(DecodeChain(name).opened) << name;
    DecodeChain raw("raw.h264");
    ASSERT_TRUE(raw.opened);
    ASSERT_TRUE(raw.readToEnd());
    EXPECT_FALSE(raw.pictures.empty());
    raw.source->seek(1.0);
    EXPECT_EQ(raw.seeksCompleted, 1);
}
