// Any bytes as a media file, through the stages the playback pipeline runs on its decoder thread:
// open, read packets ahead, decode video and audio, convert pictures to BGRA and Qt images, resample
// sound, seek to the middle and read on to the end. Everything runs on this thread with direct
// connections, wired as the pipeline wires it, so one input always runs the same way. Reading and
// converting are capped, so that no input runs long.

#include "ffmpeg/AudioDecodeFilter.h"
#include "ffmpeg/AudioResampleFilter.h"
#include "ffmpeg/CodecContext.h"
#include "ffmpeg/ConvertPixelFormatFilter.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/FormatContextSource.h"
#include "ffmpeg/ToQImageFilter.h"
#include "ffmpeg/VideoDecodeFilter.h"
#include "support/FuzzSupport.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCoreApplication>

#include <limits>
#include <memory>

namespace {

using namespace FFmpeg;

// Event-loop passes of reading, before and after the seek: one packet each. Enough for the seed
// clips (a few frames) and for what mutation makes of them, short enough to keep inputs fast.
constexpr int MAX_READ_PASSES = 512;
// Conversion costs far more than decoding; a few frames reach every conversion path.
constexpr int MAX_CONVERTED_FRAMES = 8;
constexpr int MAX_RESAMPLED_FRAMES = 32;

// The opened decoder for a stream, copied as the pipeline does it; null when there is none.
std::unique_ptr<CodecContext> openDecoder(const FormatContext& formatContext, AVMediaType type)
{
    const int stream = formatContext.findBestStream(type);
    if (stream < 0 || stream >= formatContext.numStreams())
        return nullptr;
    std::unique_ptr<CodecContext> decoder(formatContext.codecContext(static_cast<unsigned int>(stream))->createCopy());
    return decoder->open() == 0 ? std::move(decoder) : nullptr;
}

void readToEnd(FormatContextSource& source, const bool& endOfFile)
{
    for (int pass = 0; pass < MAX_READ_PASSES && !endOfFile; ++pass) {
        // Reading pauses at a packet without a time; asking again resumes it.
        source.readForward(std::numeric_limits<double>::max());
        QCoreApplication::processEvents();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Qt's own arguments stay out of libFuzzer's.
    static int argc = 1;
    static char name[] = "fuzz_media_decode";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::InputFiles files;
    FormatContext formatContext;
    if (formatContext.open(files.writeSingleFile(data, size)) != 0)
        return 0;
    formatContext.dumpFormat();
    // The decoders come before the stages that hold references to them, so they go last.
    const std::unique_ptr<CodecContext> videoCodec = openDecoder(formatContext, AVMEDIA_TYPE_VIDEO);
    const std::unique_ptr<CodecContext> audioCodec = openDecoder(formatContext, AVMEDIA_TYPE_AUDIO);
    FormatContextSource source(formatContext);
    bool endOfFile = false;
    QObject::connect(&source, &FormatContextSource::endOfFileReached, [&] { endOfFile = true; });
    QObject::connect(&source, &FormatContextSource::aboutToSeek, [&] { endOfFile = false; });

    std::unique_ptr<VideoDecodeFilter> videoDecoder;
    std::unique_ptr<ConvertPixelFormatFilter> pixelConverter;
    ToQImageFilter imageFilter;
    int convertedFrames = 0;
    if (videoCodec) {
        videoDecoder = std::make_unique<VideoDecodeFilter>(*videoCodec);
        pixelConverter = std::make_unique<ConvertPixelFormatFilter>(*videoCodec, AV_PIX_FMT_BGRA);
        QObject::connect(&source, &FormatContextSource::videoPacketReady, videoDecoder.get(), &VideoDecodeFilter::processPacket);
        QObject::connect(&source, &FormatContextSource::aboutToSeek, videoDecoder.get(), &VideoDecodeFilter::prepareForSeek);
        QObject::connect(&source, &FormatContextSource::seekCompleted, videoDecoder.get(), &VideoDecodeFilter::completeSeek);
        QObject::connect(&source, &FormatContextSource::endOfFileReached, videoDecoder.get(), &VideoDecodeFilter::drain);
        QObject::connect(videoDecoder.get(), &VideoDecodeFilter::videoFrameReady, [&](std::shared_ptr<Frame> frame) {
            if (++convertedFrames <= MAX_CONVERTED_FRAMES)
                pixelConverter->convert(std::move(frame));
        });
        QObject::connect(pixelConverter.get(), &ConvertPixelFormatFilter::convertedFrameReady, &imageFilter,
                         &ToQImageFilter::createImage);
    }
    std::unique_ptr<AudioDecodeFilter> audioDecoder;
    std::unique_ptr<AudioResampleFilter> resampler;
    int resampledFrames = 0;
    if (audioCodec) {
        audioDecoder = std::make_unique<AudioDecodeFilter>(*audioCodec);
        resampler = std::make_unique<AudioResampleFilter>(*audioCodec);
        QObject::connect(&source, &FormatContextSource::audioPacketReady, audioDecoder.get(), &AudioDecodeFilter::processAudioPacket);
        QObject::connect(&source, &FormatContextSource::aboutToSeek, audioDecoder.get(), &AudioDecodeFilter::prepareForSeek);
        QObject::connect(&source, &FormatContextSource::aboutToSeek, resampler.get(), &AudioResampleFilter::flush);
        QObject::connect(audioDecoder.get(), &AudioDecodeFilter::audioFrameReady, [&](std::shared_ptr<Frame> frame) {
            if (++resampledFrames <= MAX_RESAMPLED_FRAMES)
                resampler->resampleFrame(std::move(frame));
        });
    }
    readToEnd(source, endOfFile);
    source.seek(formatContext.duration() / 2.0);
    readToEnd(source, endOfFile);
    return 0;
}
