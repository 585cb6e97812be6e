#include "ffmpeg/AudioDecodeFilter.h"
#include "ffmpeg/AudioResampleFilter.h"
#include "ffmpeg/Clock.h"
#include "ffmpeg/CodecContext.h"
#include "ffmpeg/ConvertPixelFormatFilter.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/FormatContextSource.h"
#include "ffmpeg/FrameStore.h"
#include "ffmpeg/FrameSyncFilter.h"
#include "ffmpeg/MetaTypes.h"
#include "ffmpeg/Packet.h"
#include "ffmpeg/ToQImageFilter.h"
#include "ffmpeg/VideoDecodeFilter.h"
#include "support/TestMedia.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace FFmpeg;
using TestMedia::frameNumberOf;

namespace {

/// One file read by a source; its packets, seek announcements and ends recorded in order.
class SourceRun {
public:
    explicit SourceRun(const std::string& name)
    {
        registerMetaTypes();
        context.open(TestMedia::path(name));
        source = std::make_unique<FormatContextSource>(context);
        const auto keep = [this](int, std::shared_ptr<Packet> packet) { packets.push_back(packet); };
        QObject::connect(source.get(), &FormatContextSource::videoPacketReady, keep);
        QObject::connect(source.get(), &FormatContextSource::audioPacketReady, keep);
        QObject::connect(source.get(), &FormatContextSource::aboutToSeek, [this](double t) { events.push_back("seek " + std::to_string(t)); });
        QObject::connect(source.get(), &FormatContextSource::seekCompleted, [this](double t) { events.push_back("done " + std::to_string(t)); });
        QObject::connect(source.get(), &FormatContextSource::endOfFileReached, [this] { events.push_back("end"); });
    }
    std::unique_ptr<CodecContext> decoder(AVMediaType type) const
    {
        std::unique_ptr<CodecContext> codec(context.codecContext(unsigned(context.findBestStream(type)))->createCopy());
        return codec->open() == 0 ? std::move(codec) : nullptr;
    }
    double seconds(const Packet& packet, bool decoding = false) const
    {
        return context.codecContext(unsigned(packet.streamId()))->ptsToSeconds(decoding ? packet.avPacket()->dts : packet.pts());
    }
    bool readToEnd()
    {
        const auto ends = std::count(events.begin(), events.end(), "end");
        return TestMedia::waitUntil([&] {
            source->readForward(1e9);  // packets without a usable time end a burst: ask again
            return std::count(events.begin(), events.end(), "end") > ends;
        });
    }
    /// Decodes the pictures with the video decode filter, wired as the pipeline wires it.
    std::vector<std::shared_ptr<Frame>>& decodePictures()
    {
        video = decoder(AVMEDIA_TYPE_VIDEO);
        videoDecoder = new VideoDecodeFilter(*video, source.get());
        QObject::connect(source.get(), &FormatContextSource::videoPacketReady, videoDecoder, &VideoDecodeFilter::processPacket);
        QObject::connect(source.get(), &FormatContextSource::aboutToSeek, videoDecoder, &VideoDecodeFilter::prepareForSeek);
        QObject::connect(source.get(), &FormatContextSource::seekCompleted, videoDecoder, &VideoDecodeFilter::completeSeek);
        QObject::connect(source.get(), &FormatContextSource::endOfFileReached, videoDecoder, &VideoDecodeFilter::drain);
        QObject::connect(videoDecoder, &VideoDecodeFilter::videoFrameReady, [this](std::shared_ptr<Frame> f) { pictures.push_back(f); });
        EXPECT_TRUE(readToEnd());
        return pictures;
    }

    FormatContext context;
    std::unique_ptr<CodecContext> video;
    std::unique_ptr<FormatContextSource> source;
    VideoDecodeFilter* videoDecoder = nullptr;
    std::vector<std::shared_ptr<Packet>> packets;
    std::vector<std::shared_ptr<Frame>> pictures;
    std::vector<std::string> events;
};

std::vector<int> numbersOf(const std::vector<std::shared_ptr<Frame>>& frames)
{
    std::vector<int> numbers;
    for (const auto& frame : frames)
        numbers.push_back(frameNumberOf(*frame));
    return numbers;
}

std::vector<int> upTo(int count, int from = 0)
{
    std::vector<int> numbers;
    for (int n = from; n < count; ++n)
        numbers.push_back(n);
    return numbers;
}

}  // namespace

TEST(PacketSource, RoutesOnlyTheBestStreamsReadsAheadToATimeAndReportsTheEndOnce)
{
    SourceRun subtitles("subtitles.mkv");
    ASSERT_TRUE(subtitles.readToEnd());
    EXPECT_TRUE(std::none_of(subtitles.packets.begin(), subtitles.packets.end(), [](auto& p) { return p->streamId() == 0; }));
    EXPECT_GT(subtitles.packets.size(), 60u);

    SourceRun run("h264_aac.mp4");
    ASSERT_TRUE(TestMedia::waitUntil([&] {
        run.source->readForward(1.0);
        return !run.packets.empty() && run.seconds(*run.packets.back(), true) >= 1.0;
    }));
    TestMedia::runEventsFor(50);
    const std::size_t read = run.packets.size();
    EXPECT_GE(run.seconds(*run.packets[read - 1], true), 1.0);
    EXPECT_LT(run.seconds(*run.packets[read - 2], true), 1.0) << "reading stops at the first packet at or after it";
    run.source->readForward(0.5);
    TestMedia::runEventsFor(50);
    EXPECT_EQ(run.packets.size(), read);
    ASSERT_TRUE(run.readToEnd());
    run.source->readForward(1e9);
    TestMedia::runEventsFor(50);
    EXPECT_EQ(run.events, std::vector<std::string>{"end"});

    run.source->seek(10.0);  // past the end: the end again, then completion
    EXPECT_EQ(run.events, (std::vector<std::string>{"end", "seek 10.000000", "end", "done 10.000000"}));
}

TEST(PacketSource, ASeekRunsFromTheKeyFrameToTheFirstPacketAfterTheTargetAndRetargets)
{
    for (double target : {0.0, 0.5, 1.37, 2.2}) {
        SourceRun run("h264_aac.mp4");
        run.source->seek(target);
        ASSERT_EQ(run.events.size(), 2u);
        EXPECT_EQ(run.events.back(), "done " + std::to_string(target));
        const auto& first = run.packets.front();
        EXPECT_TRUE(first->avPacket()->flags & AV_PKT_FLAG_KEY);
        EXPECT_LE(run.seconds(*first), target + 1e-6) << target;
        EXPECT_GT(run.seconds(*first), target - 1.0) << "key frames are a second apart";
        EXPECT_GT(run.seconds(*run.packets.back()), target);
        for (std::size_t i = 0; i + 1 < run.packets.size(); ++i)
            EXPECT_LE(run.seconds(*run.packets[i]), target + 1e-6);
    }

    SourceRun retargeted("h264_aac.mp4");
    QObject::connect(retargeted.source.get(), &FormatContextSource::videoPacketReady, [&] {
        if (retargeted.events.size() == 1)
            retargeted.source->seek(2.2);
    });
    retargeted.source->seek(0.5);
    EXPECT_EQ(retargeted.events, (std::vector<std::string>{"seek 0.500000", "seek 2.200000", "done 2.200000"}));
}

TEST(DecodeFilters, EveryPictureLeavesOnceInPresentationOrderAndASeekLetsOnlyTheLatestOut)
{
    for (const auto& [name, count] : {std::pair{"h264_aac.mp4", 75}, {"vp9_opus.webm", 50}, {"mpeg4_mp3.avi", 50},
                                      {"mjpeg.mov", 50}, {"theora_vorbis.ogg", 50}}) {
        SourceRun run(name);
        EXPECT_EQ(numbersOf(run.decodePictures()), upTo(count)) << name;
    }
    SourceRun run("h264_aac.mp4");
    run.decodePictures();
    run.pictures.clear();
    run.source->seek(1.5);
    ASSERT_EQ(run.pictures.size(), 1u);  // the last picture out of the seek run
    const int landed = frameNumberOf(*run.pictures[0]);
    EXPECT_GE(landed, 33);
    EXPECT_LE(landed, 38);
    run.readToEnd();
    const std::vector<int> after = numbersOf(run.pictures);
    EXPECT_EQ(std::vector<int>(after.begin() + 1, after.end()), upTo(75, landed + 1)) << "nothing of the new run lost";

    // Sound: frames of packets without a time continue from the end of the frame before; switched
    // off, the decoder takes nothing.
    SourceRun sound("tone_mono_22050.wav");
    sound.readToEnd();
    const std::unique_ptr<CodecContext> audio = sound.decoder(AVMEDIA_TYPE_AUDIO);
    AudioDecodeFilter audioDecoder(*audio);
    std::vector<std::pair<double, int>> frames;
    QObject::connect(&audioDecoder, &AudioDecodeFilter::audioFrameReady, [&](std::shared_ptr<Frame> f) {
        frames.emplace_back(audio->ptsToSeconds(f->bestEffortTimeStamp()), f->numSamples());
    });
    ASSERT_GE(sound.packets.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
        if (i % 4 != 0)
            sound.packets[i]->avPacket()->pts = AV_NOPTS_VALUE;
        audioDecoder.setProcessingData(i < 10);
        audioDecoder.processAudioPacket(0, sound.packets[i]);
    }
    ASSERT_EQ(frames.size(), 10u);
    for (std::size_t i = 1; i < frames.size(); ++i)
        EXPECT_NEAR(frames[i].first - frames[i - 1].first, frames[i - 1].second / 22050.0, 1e-4) << i;
}

TEST(FrameSync, ReleasesTheNewestDueFrameOnceAndTheNewestQueuedAtTheEndOfASeek)
{
    SourceRun run("mjpeg.mov");
    const std::vector<std::shared_ptr<Frame>> frames = run.decodePictures();
    ASSERT_EQ(frames.size(), 50u);
    const auto time = [&](int n) { return run.video->ptsToSeconds(frames[std::size_t(n)]->bestEffortTimeStamp()); };
    FrameSyncFilter sync(*run.video);
    std::vector<int> released;
    QObject::connect(&sync, &FrameSyncFilter::frameReadyToProcess, [&](std::shared_ptr<Frame> f) { released.push_back(frameNumberOf(*f)); });
    for (int n : {3, 1, 2, 0, 4, 5, 6, 7, 8, 9})  // in any arrival order
        sync.queueFrame(frames[std::size_t(n)]);
    const std::vector<std::pair<double, std::vector<int>>> walk = {
        {time(0) - 0.01, {}}, {time(0), {0}}, {std::nextafter(time(1), 0.0), {0}}, {time(1), {0, 1}},
        {time(5) + 0.01, {0, 1, 5}}, {time(2), {0, 1, 5}}};
    for (const auto& [at, expected] : walk) {
        sync.advanceTo(at);
        EXPECT_EQ(released, expected) << at;
    }
    sync.queueFrame(frames[5]);  // the picture on screen again, and one overtaken long ago
    sync.queueFrame(frames[2]);
    sync.advanceTo(time(5) + 0.01);
    EXPECT_EQ(released.size(), 3u);
    sync.sendLatestFrame();
    EXPECT_EQ(released.back(), 9);
    sync.clear();
    sync.queueFrame(frames[2]);
    sync.queueFrame(frames[3]);
    sync.advanceTo(time(3));  // after clear an earlier picture is due again
    EXPECT_EQ(released.back(), 3);
}

TEST(FrameStore, ShowsTheFrameForTheTimeSeekingOnlyWhereItMustAndKeepsWithinItsBudget)
{
    SourceRun run("h264_aac.mp4");  // 75 pictures, reordered, a key frame every second
    run.video = run.decoder(AVMEDIA_TYPE_VIDEO);
    VideoDecodeFilter decoder(*run.video);
    FrameStore store(*run.video);
    FormatContextSource* source = run.source.get();
    QObject::connect(source, &FormatContextSource::videoPacketReady, &store, &FrameStore::queuePacket);
    QObject::connect(source, &FormatContextSource::aboutToSeek, &store, &FrameStore::startRun);
    QObject::connect(source, &FormatContextSource::endOfFileReached, &store, &FrameStore::endInput);
    QObject::connect(&store, &FrameStore::decodeWanted, &decoder, &VideoDecodeFilter::processPacket);
    QObject::connect(&store, &FrameStore::restartWanted, &decoder, &VideoDecodeFilter::restart);
    QObject::connect(&store, &FrameStore::drainWanted, &decoder, &VideoDecodeFilter::drain);
    QObject::connect(&decoder, &VideoDecodeFilter::videoFrameReady, &store, &FrameStore::takeFrame);
    QObject::connect(&store, &FrameStore::readWanted, source, &FormatContextSource::readThrough);
    QObject::connect(&store, &FrameStore::seekWanted, source, &FormatContextSource::seek, Qt::QueuedConnection);
    int seeks = 0;
    QObject::connect(&store, &FrameStore::seekWanted, [&] { ++seeks; });
    std::vector<int> shown;
    QObject::connect(&store, &FrameStore::pictureReady, [&](std::shared_ptr<Frame> f) { shown.push_back(frameNumberOf(*f)); });
    // Shows the picture for t; whether it was there within the call.
    const auto show = [&](double t, double rate) {
        store.showAt(t, rate);
        const auto exact = [&] { return !shown.empty() && shown.back() == TestMedia::frameAt(t, 74); };
        const bool atOnce = exact();
        EXPECT_TRUE(atOnce || TestMedia::waitUntil(exact, 5000)) << t;
        return atOnce;
    };

    // Paused, with the seeks made so far: none from the start, within a group of pictures or into
    // the next, one far ahead; past the end the last picture.
    for (const auto& [t, seeksSoFar] : std::vector<std::pair<double, int>>{
             {0.0, 0}, {0.04, 0}, {0.999999, 0}, {1.52, 0}, {2.96, 1}, {3.5, 1}, {2.4, 1}}) {
        show(t, 0.0);
        EXPECT_EQ(seeks, seeksSoFar) << t;
    }
    EXPECT_TRUE(show(0.36, 0.0)) << "a held picture is shown at once";
    const qint64 frameBytes = store.heldBytes() / store.heldFrames();

    // Backwards a frame per host frame: the group before is decoded ahead, a seek each, so every
    // picture is there when the clock comes; however small the budget, the pictures stay exact.
    for (const auto& [budget, mostSeeks] : {std::pair{FrameStore::kDefaultMemoryBudget, 4}, {12 * frameBytes, 20}}) {
        store.setMemoryBudget(budget);
        seeks = 0;
        int late = 0;
        for (int frame = 74; frame >= 0; --frame) {
            late += !show(frame / TestMedia::kFrameRate, -1.0);
            EXPECT_LE(store.heldBytes(), budget) << frame;
            TestMedia::runEventsFor(10);
        }
        EXPECT_LE(seeks, mostSeeks) << budget;
        if (budget == FrameStore::kDefaultMemoryBudget) {
            EXPECT_EQ(late, 0);
        }
    }
}

TEST(MediaClock, FollowsTheSystemTimeAtItsRateContinuouslyAndSynchronisesToFrames)
{
    double system = 100.0;
    Clock clock([&] { return system; });
    clock.setTimeRate(2.0);
    system += 1.0;
    EXPECT_DOUBLE_EQ(clock.now(), 2.0);
    clock.setTimeRate(0.0);
    system += 5.0;
    EXPECT_DOUBLE_EQ(clock.now(), 2.0);
    clock.setTimeRate(-0.5);
    system += 2.0;
    EXPECT_DOUBLE_EQ(clock.now(), 1.0);
    clock.synchronizeToTime(7.0);
    EXPECT_DOUBLE_EQ(clock.now(), 7.0);

}

TEST(Conversion, PicturesBecomePackedBgraWithTheirTimesAndImagesOwnTheirPixels)
{
    SourceRun run("odd_101x51.mp4");
    const auto frames = run.decodePictures();
    ConvertPixelFormatFilter converter(*run.video, AV_PIX_FMT_BGRA);
    ToQImageFilter images;
    images.setEnabled(true);
    std::vector<std::shared_ptr<Frame>> converted;
    QSharedPointer<QImage> image;
    QObject::connect(&converter, &ConvertPixelFormatFilter::convertedFrameReady, [&](std::shared_ptr<Frame> f) { converted.push_back(f); });
    QObject::connect(&converter, &ConvertPixelFormatFilter::convertedFrameReady, &images, &ToQImageFilter::createImage);
    QObject::connect(&images, &ToQImageFilter::imageReady, [&](QSharedPointer<QImage> i) { image = i; });
    for (const auto& frame : frames)
        converter.convert(frame);
    ASSERT_EQ(converted.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const AVFrame* bgra = converted[i]->avFrame();
        EXPECT_EQ(bgra->format, AV_PIX_FMT_BGRA);
        EXPECT_EQ(bgra->linesize[0], 101 * 4);
        EXPECT_EQ(converted[i]->bestEffortTimeStamp(), frames[i]->bestEffortTimeStamp());
        EXPECT_EQ(frameNumberOf(*converted[i]), int(i));
    }
    const uint8_t* held = converted.back()->avFrame()->data[0];
    converted.clear();
    converter.convert(frames[0]);
    EXPECT_EQ(converted[0]->avFrame()->data[0] == held, true) << "released buffers are lent again";
    converted.clear();
    ASSERT_EQ(image->size(), QSize(101, 51));
    EXPECT_EQ(image->format(), QImage::Format_RGB32);

    converter.reinitialize(AV_PIX_FMT_BGRA, 80, 40);  // any frame size or format to the size given
    converter.convert(frames[3]);
    converter.convert(std::make_shared<Frame>());  // no pixels: nothing passed on
    ASSERT_EQ(converted.size(), 1u);
    EXPECT_EQ(converted[0]->width(), 80);
    EXPECT_EQ(frameNumberOf(*converted[0]), 3);
}

// The 5.1 flac is mixed down; the second half of a stream that turns from stereo to mono is dropped,
// since frames of another shape than announced would be read out of bounds.
TEST(Conversion, SoundBecomesSixteenBitStereoBlocksAtTheRequestedRateUnderTheFrameTime)
{
    for (const auto& [name, seconds] : {std::pair{"tone_51_48000.flac", 2.0}, {"stereo_then_mono.mp3", 1.0}}) {
        SourceRun run(name);
        const std::unique_ptr<CodecContext> codec = run.decoder(AVMEDIA_TYPE_AUDIO);
        AudioDecodeFilter decoder(*codec);
        AudioResampleFilter resampler(*codec);
        ASSERT_EQ(resampler.setOutputFormat(true, AV_SAMPLE_FMT_S16, 22050), 0);
        std::size_t bytes = 0;
        std::vector<double> times;
        QObject::connect(run.source.get(), &FormatContextSource::audioPacketReady, &decoder, &AudioDecodeFilter::processAudioPacket);
        QObject::connect(&decoder, &AudioDecodeFilter::audioFrameReady, &resampler, &AudioResampleFilter::resampleFrame);
        QObject::connect(&resampler, &AudioResampleFilter::rawAudioReady, [&](QSharedPointer<QByteArray> block, double time) {
            bytes += std::size_t(block->size());
            times.push_back(time);
        });
        run.readToEnd();
        EXPECT_NEAR(double(bytes) / 4 / 22050, seconds, 0.05) << name;
        EXPECT_TRUE(std::is_sorted(times.begin(), times.end()) && times.front() < 0.05) << name;
        EXPECT_EQ(resampler.setOutputFormat(true, AV_SAMPLE_FMT_S16P, 44100), 1) << "planar output is refused";
    }
}
