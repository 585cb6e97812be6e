#include "ffmpeg/AudioDecodeFilter.h"
#include "ffmpeg/CodecContext.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/FormatContextSource.h"
#include "ffmpeg/MetaTypes.h"
#include "ffmpeg/VideoDecodeFilter.h"
#include "support/DecodedStream.h"
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

// Source and video decoder of one file, connected as the playback pipeline connects them; the
// pictures that come out are recorded by the number their pattern shows and their time.
class DecodeChain
{
public:
    explicit DecodeChain(const std::string& name)
    {
        FFmpeg::registerMetaTypes();
        context.open(TestMedia::path(name));
        codec = TestMedia::openDecoder(context, AVMEDIA_TYPE_VIDEO);
        source = std::make_unique<FormatContextSource>(context);
        QObject::connect(source.get(), &FormatContextSource::endOfFileReached, [this] { ++endsOfFile; });
        if (!codec)
            return;
        decoder = std::make_unique<VideoDecodeFilter>(*codec);
        QObject::connect(source.get(), &FormatContextSource::videoPacketReady, decoder.get(), &VideoDecodeFilter::processPacket);
        QObject::connect(source.get(), &FormatContextSource::aboutToSeek, decoder.get(), &VideoDecodeFilter::prepareForSeek);
        QObject::connect(source.get(), &FormatContextSource::seekCompleted, decoder.get(), &VideoDecodeFilter::completeSeek);
        QObject::connect(decoder.get(), &VideoDecodeFilter::videoFrameReady, [this](std::shared_ptr<Frame> frame) {
            pictures.emplace_back(TestMedia::frameNumberOf(*frame), codec->ptsToSeconds(frame->bestEffortTimeStamp()));
        });
    }

    bool readToEnd()
    {
        const int endsBefore = endsOfFile;
        return TestMedia::waitUntil([&] {
            source->readForward(1e9);
            return endsOfFile > endsBefore;
        });
    }

    FormatContext context;
    std::unique_ptr<CodecContext> codec;
    std::unique_ptr<FormatContextSource> source;
    std::unique_ptr<VideoDecodeFilter> decoder;
    std::vector<std::pair<int, double>> pictures;
    int endsOfFile = 0;
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

} // namespace

TEST(VideoDecodeFilter, EveryPictureComesOutOnceInPresentationOrder)
{
    for (const char* name : {"h264_aac.mp4", "h264_aac.mkv", "subtitles.mkv", "vp9_opus.webm", "mpeg4_mp3.avi",
                             "mjpeg.mov", "theora_vorbis.ogg", "odd_101x51.mp4", "truncated.mp4"}) {
        SCOPED_TRACE(name);
        DecodeChain chain(name);
        ASSERT_TRUE(chain.decoder);
        ASSERT_TRUE(chain.readToEnd());
        ASSERT_FALSE(chain.pictures.empty());
        for (size_t i = 0; i < chain.pictures.size(); ++i) {
            EXPECT_EQ(chain.pictures[i].first, static_cast<int>(i));
            EXPECT_EQ(chain.pictures[i].first, TestMedia::frameNumberAt(chain.pictures[i].second))
                << chain.pictures[i].second;
        }
    }
}

TEST(VideoDecodeFilter, FramesDecodedDuringASeekAreHeldBackAndOnlyTheLatestLeaves)
{
    DecodedStream video("mjpeg.mov", AVMEDIA_TYPE_VIDEO);
    VideoDecodeFilter decoder(video.codec());
    std::vector<int> emitted;
    QObject::connect(&decoder, &VideoDecodeFilter::videoFrameReady,
                     [&](std::shared_ptr<Frame> frame) { emitted.push_back(TestMedia::frameNumberOf(*frame)); });

    decoder.completeSeek(); // nothing decoded yet
    EXPECT_TRUE(emitted.empty());

    const auto packets = video.packets(7);
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

TEST(VideoDecodeFilter, SeekAfterPlayingLosesNoPictureOfTheNewRun)
{
    DecodeChain chain("h264_aac.mp4");
    chain.readToEnd();
    chain.source->seek(1.3);
    ASSERT_FALSE(chain.pictures.empty());
    const size_t afterSeek = chain.pictures.size() - 1;
    const int first = chain.pictures[afterSeek].first;
    chain.readToEnd();
    // From the picture the seek ended on, the following ones come without gap or repeat.
    for (size_t i = afterSeek; i < chain.pictures.size(); ++i)
        EXPECT_EQ(chain.pictures[i].first, first + static_cast<int>(i - afterSeek));
}

// A lone audio decoder on the packets of one file, fed by hand.
struct AudioPackets
{
    AudioPackets(const char* name, size_t count) : stream(name, AVMEDIA_TYPE_AUDIO), decoder(stream.codec())
    {
        QObject::connect(&decoder, &AudioDecodeFilter::audioFrameReady,
                         [this](std::shared_ptr<Frame> frame) { frames.push_back(frame); });
        packets = stream.packets(count);
    }

    // The stream time that n frames as long as the first one decoded last.
    int64_t framesPts(int n) const
    {
        return stream.codec().secondsToPts(n * stream.codec().durationForNumSamples(frames.at(0)->numSamples()));
    }

    DecodedStream stream;
    AudioDecodeFilter decoder;
    std::vector<std::shared_ptr<Packet>> packets;
    std::vector<std::shared_ptr<Frame>> frames;
};

TEST(AudioDecodeFilter, LaterFramesOfAPacketOrOfPacketsWithoutTimeFollowTheEarlierOnes)
{
    // Two packets' data in one: the second frame follows the first.
    AudioPackets mp3("tone_stereo_44100.mp3", 8);
    ASSERT_EQ(mp3.packets.size(), 8u);
    for (size_t i = 0; i < 5; ++i)
        mp3.decoder.processAudioPacket(0, mp3.packets[i]);
    mp3.frames.clear();
    mp3.decoder.processAudioPacket(0, joined(*mp3.packets[5], *mp3.packets[6]));
    ASSERT_EQ(mp3.frames.size(), 2u);
    EXPECT_EQ(mp3.frames[0]->bestEffortTimeStamp(), mp3.packets[5]->pts());
    EXPECT_EQ(mp3.frames[1]->bestEffortTimeStamp(), mp3.packets[5]->pts() + mp3.framesPts(1));

    // A packet without time continues from the previous frame. The first packets only fill the
    // decoder (the encoder's priming samples are dropped).
    AudioPackets aac("tone_stereo_44100.m4a", 40);
    ASSERT_EQ(aac.packets.size(), 40u);
    aac.decoder.processAudioPacket(0, aac.packets[0]);
    aac.decoder.processAudioPacket(0, aac.packets[1]);
    aac.frames.clear();
    for (size_t i = 2; i < 5; ++i) {
        if (i > 2)
            aac.packets[i]->avPacket()->pts = AV_NOPTS_VALUE;
        aac.decoder.processAudioPacket(0, aac.packets[i]);
        ASSERT_EQ(aac.frames.size(), i - 1);
        EXPECT_EQ(aac.frames.back()->bestEffortTimeStamp(), aac.packets[2]->pts() + aac.framesPts(int(i) - 2));
    }

    // After a seek nothing is known to continue from: the decoder's own time stays.
    aac.decoder.prepareForSeek();
    aac.frames.clear();
    for (size_t i = 30; i < 40; ++i) {
        aac.packets[i]->avPacket()->pts = AV_NOPTS_VALUE;
        aac.decoder.processAudioPacket(0, aac.packets[i]);
    }
    ASSERT_FALSE(aac.frames.empty());
    for (const auto& frame : aac.frames)
        EXPECT_EQ(frame->bestEffortTimeStamp(), frame->avFrame()->best_effort_timestamp);
}

TEST(AudioDecodeFilter, EachFrameCarriesItsPacketsTime)
{
    for (const char* name : {"h264_aac.mp4", "vp9_opus.webm", "mpeg4_mp3.avi", "theora_vorbis.ogg", "tone_mono_22050.wav",
                             "tone_stereo_44100.mp3", "tone_51_48000.flac", "tone_stereo_44100.m4a"}) {
        SCOPED_TRACE(name);
        AudioPackets audio(name, 100000);
        size_t frames = 0;
        for (const auto& packet : audio.packets) {
            audio.frames.clear();
            audio.decoder.processAudioPacket(0, packet);
            frames += audio.frames.size();
            for (const auto& frame : audio.frames)
                if (packet->pts() != AV_NOPTS_VALUE) {
                    EXPECT_EQ(frame->bestEffortTimeStamp(), packet->pts());
                }
        }
        EXPECT_GT(frames, 10u);
    }
}

TEST(AudioDecodeFilter, SwitchedOffItDecodesNothingUntilSwitchedOn)
{
    AudioPackets mp3("tone_stereo_44100.mp3", 40);
    ASSERT_EQ(mp3.packets.size(), 40u);
    mp3.decoder.setProcessingData(false);
    for (size_t i = 0; i < 20; ++i)
        mp3.decoder.processAudioPacket(0, mp3.packets[i]);
    EXPECT_TRUE(mp3.frames.empty());
    mp3.decoder.setProcessingData(true);
    for (size_t i = 20; i < 40; ++i)
        mp3.decoder.processAudioPacket(0, mp3.packets[i]);
    ASSERT_FALSE(mp3.frames.empty());
    EXPECT_GT(mp3.frames.front()->bestEffortTimeStamp(), mp3.packets[19]->pts());
}
