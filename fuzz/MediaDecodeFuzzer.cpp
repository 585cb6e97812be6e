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

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

namespace {

// Event-loop passes of reading, before and after the seek: one packet each. Enough for the seed
// clips (a few frames) and for what mutation makes of them, short enough to keep inputs fast.
constexpr int MAX_READ_PASSES = 512;
// Conversion costs far more than decoding; a few frames reach every conversion path.
constexpr int MAX_CONVERTED_FRAMES = 8;
constexpr int MAX_RESAMPLED_FRAMES = 32;
// Read as far ahead as the file goes.
constexpr double READ_EVERYTHING = std::numeric_limits<double>::max();

// The opened decoder for a stream, copied as the pipeline does it; null when there is none.
std::unique_ptr<FFmpeg::CodecContext> openDecoder(const FFmpeg::FormatContext& formatContext, AVMediaType type)
{
    const int stream = formatContext.findBestStream(type);
    if (stream < 0 || stream >= formatContext.numStreams())
        return nullptr;
    std::unique_ptr<FFmpeg::CodecContext> decoder(
        formatContext.codecContext(static_cast<unsigned int>(stream))->createCopy());
    return decoder->open() == 0 ? std::move(decoder) : nullptr;
}

class DecodeRun {
public:
    explicit DecodeRun(FFmpeg::FormatContext& formatContext)
        : source_(formatContext)
        , videoCodec_(openDecoder(formatContext, AVMEDIA_TYPE_VIDEO))
        , audioCodec_(openDecoder(formatContext, AVMEDIA_TYPE_AUDIO))
    {
        QObject::connect(&source_, &FFmpeg::FormatContextSource::endOfFileReached, [this] { endOfFile_ = true; });
        QObject::connect(&source_, &FFmpeg::FormatContextSource::aboutToSeek, [this] { endOfFile_ = false; });
        if (videoCodec_)
            wireVideo_();
        if (audioCodec_)
            wireAudio_();
    }

    void readToEnd()
    {
        for (int pass = 0; pass < MAX_READ_PASSES && !endOfFile_; ++pass) {
            // Reading pauses at a packet without a time; asking again resumes it.
            source_.readForward(READ_EVERYTHING);
            QCoreApplication::processEvents();
        }
    }

    void seek(double mediaTime) { source_.seek(mediaTime); }

private:
    void wireVideo_()
    {
        videoDecoder_ = std::make_unique<FFmpeg::VideoDecodeFilter>(*videoCodec_);
        pixelConverter_ = std::make_unique<FFmpeg::ConvertPixelFormatFilter>(*videoCodec_, AV_PIX_FMT_BGRA);
        QObject::connect(&source_, &FFmpeg::FormatContextSource::videoPacketReady, videoDecoder_.get(),
                         &FFmpeg::VideoDecodeFilter::processPacket);
        QObject::connect(&source_, &FFmpeg::FormatContextSource::aboutToSeek, videoDecoder_.get(),
                         &FFmpeg::VideoDecodeFilter::prepareForSeek);
        QObject::connect(&source_, &FFmpeg::FormatContextSource::seekCompleted, videoDecoder_.get(),
                         &FFmpeg::VideoDecodeFilter::completeSeek);
        QObject::connect(&source_, &FFmpeg::FormatContextSource::endOfFileReached, videoDecoder_.get(),
                         &FFmpeg::VideoDecodeFilter::drain);
        QObject::connect(videoDecoder_.get(), &FFmpeg::VideoDecodeFilter::videoFrameReady,
                         [this](std::shared_ptr<FFmpeg::Frame> frame) {
                             if (++convertedFrames_ <= MAX_CONVERTED_FRAMES)
                                 pixelConverter_->convert(std::move(frame));
                         });
        QObject::connect(pixelConverter_.get(), &FFmpeg::ConvertPixelFormatFilter::convertedFrameReady,
                         &imageFilter_, &FFmpeg::ToQImageFilter::createImage);
    }

    void wireAudio_()
    {
        audioDecoder_ = std::make_unique<FFmpeg::AudioDecodeFilter>(*audioCodec_);
        resampler_ = std::make_unique<FFmpeg::AudioResampleFilter>(*audioCodec_);
        QObject::connect(&source_, &FFmpeg::FormatContextSource::audioPacketReady, audioDecoder_.get(),
                         &FFmpeg::AudioDecodeFilter::processAudioPacket);
        QObject::connect(&source_, &FFmpeg::FormatContextSource::aboutToSeek, audioDecoder_.get(),
                         &FFmpeg::AudioDecodeFilter::prepareForSeek);
        QObject::connect(&source_, &FFmpeg::FormatContextSource::aboutToSeek, resampler_.get(),
                         &FFmpeg::AudioResampleFilter::flush);
        QObject::connect(audioDecoder_.get(), &FFmpeg::AudioDecodeFilter::audioFrameReady,
                         [this](std::shared_ptr<FFmpeg::Frame> frame) {
                             if (++resampledFrames_ <= MAX_RESAMPLED_FRAMES)
                                 resampler_->resampleFrame(std::move(frame));
                         });
    }

    // The stages come after the decoders they hold references to, so they are destroyed first.
    FFmpeg::FormatContextSource source_;
    std::unique_ptr<FFmpeg::CodecContext> videoCodec_;
    std::unique_ptr<FFmpeg::CodecContext> audioCodec_;

    std::unique_ptr<FFmpeg::VideoDecodeFilter> videoDecoder_;
    std::unique_ptr<FFmpeg::ConvertPixelFormatFilter> pixelConverter_;
    FFmpeg::ToQImageFilter imageFilter_;
    std::unique_ptr<FFmpeg::AudioDecodeFilter> audioDecoder_;
    std::unique_ptr<FFmpeg::AudioResampleFilter> resampler_;

    bool endOfFile_ = false;
    int convertedFrames_ = 0;
    int resampledFrames_ = 0;
};

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

    FFmpeg::FormatContext formatContext;
    if (formatContext.open(files.writeSingleFile(data, size)) != 0)
        return 0;
    formatContext.dumpFormat();
    DecodeRun run(formatContext);
    run.readToEnd();
    run.seek(formatContext.duration() / 2.0);
    run.readToEnd();
    return 0;
}
