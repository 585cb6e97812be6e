// Which picture a paused seek shows, with the stages wired and threaded as the playback pipeline
// wires them: source, video decoder, frame synchronisation and pixel converter in a decoder
// thread, the audio decoder in the owning thread, frame ticks sent as queued calls.

#include "ffmpeg/AudioDecodeFilter.h"
#include "ffmpeg/CodecContext.h"
#include "ffmpeg/ConvertPixelFormatFilter.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/FormatContextSource.h"
#include "ffmpeg/FrameSyncFilter.h"
#include "ffmpeg/MetaTypes.h"
#include "ffmpeg/VideoDecodeFilter.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace FFmpeg;

namespace {

// Frame ticks sent after a seek, as the pipeline's frame timer would while paused.
constexpr int kTicksAfterSeek = 5;

class WiredStages
{
public:
    explicit WiredStages(const std::string& name)
    {
        registerMetaTypes();
        if (context_.open(TestMedia::path(name)) != 0)
            return;
        videoCodec_ = TestMedia::openDecoder(context_, AVMEDIA_TYPE_VIDEO);
        audioCodec_ = TestMedia::openDecoder(context_, AVMEDIA_TYPE_AUDIO);
        if (!videoCodec_)
            return;
        source_ = new FormatContextSource(context_);
        QObject::connect(source_, &FormatContextSource::seekCompleted, &receiver_, [this] { ++seeksCompleted; });
        videoDecoder_ = new VideoDecodeFilter(*videoCodec_);
        frameSync_ = new FrameSyncFilter(*videoCodec_);
        converter_ = new ConvertPixelFormatFilter(*videoCodec_, AV_PIX_FMT_BGRA);
        QObject::connect(source_, &FormatContextSource::videoPacketReady, videoDecoder_, &VideoDecodeFilter::processPacket);
        QObject::connect(source_, &FormatContextSource::aboutToSeek, videoDecoder_, &VideoDecodeFilter::prepareForSeek);
        QObject::connect(source_, &FormatContextSource::seekCompleted, videoDecoder_, &VideoDecodeFilter::completeSeek);
        QObject::connect(videoDecoder_, &VideoDecodeFilter::videoFrameReady, frameSync_, &FrameSyncFilter::queueFrame);
        QObject::connect(source_, &FormatContextSource::aboutToSeek, frameSync_, &FrameSyncFilter::clear);
        QObject::connect(source_, &FormatContextSource::seekCompleted, frameSync_, &FrameSyncFilter::sendLatestFrame);
        QObject::connect(frameSync_, &FrameSyncFilter::frameReadyToProcess, converter_,
                         qOverload<std::shared_ptr<Frame>>(&ConvertPixelFormatFilter::convert));
        QObject::connect(converter_, &ConvertPixelFormatFilter::convertedFrameReady, &receiver_,
                         [this](std::shared_ptr<Frame> frame) { shown.push_back(TestMedia::frameNumberOf(*frame)); });
        if (audioCodec_) {
            audioDecoder_ = std::make_unique<AudioDecodeFilter>(*audioCodec_);
            QObject::connect(source_, &FormatContextSource::audioPacketReady, audioDecoder_.get(),
                             &AudioDecodeFilter::processAudioPacket);
            QObject::connect(source_, &FormatContextSource::aboutToSeek, audioDecoder_.get(),
                             &AudioDecodeFilter::prepareForSeek);
        }
        for (QObject* stage : std::initializer_list<QObject*>{source_, videoDecoder_, frameSync_, converter_}) {
            QObject::connect(&thread_, &QThread::finished, stage, &QObject::deleteLater);
            stage->moveToThread(&thread_);
        }
        thread_.start();
    }

    ~WiredStages()
    {
        thread_.quit();
        thread_.wait();
    }

    bool isReady() const { return source_ != nullptr; }

    // A paused seek: the request, then frame ticks at the target; returns once everything the
    // decoder thread made of it has reached this thread.
    bool pausedSeek(double target, int ticks)
    {
        const int before = seeksCompleted;
        source_->seek(target);
        if (!TestMedia::waitUntil([&] { return seeksCompleted > before; }))
            return false;
        for (int i = 0; i < ticks; ++i)
            QMetaObject::invokeMethod(frameSync_, "advanceTo", Qt::AutoConnection, Q_ARG(double, target));
        QMetaObject::invokeMethod(converter_, [] {}, Qt::BlockingQueuedConnection);
        QCoreApplication::processEvents();
        return true;
    }

    std::vector<int> shown;
    int seeksCompleted = 0;

private:
    FormatContext context_;
    std::unique_ptr<CodecContext> videoCodec_;
    std::unique_ptr<CodecContext> audioCodec_;
    QThread thread_;
    // Live in thread_, deleted when it finishes.
    FormatContextSource* source_ = nullptr;
    VideoDecodeFilter* videoDecoder_ = nullptr;
    FrameSyncFilter* frameSync_ = nullptr;
    ConvertPixelFormatFilter* converter_ = nullptr;
    // Lives in this thread.
    std::unique_ptr<AudioDecodeFilter> audioDecoder_;
    QObject receiver_;
};

} // namespace

TEST(PausedSeek, ShowsThePictureTheSeekRulesGive)
{
    for (const auto& [name, duration] : {std::pair{"h264_aac.mp4", 3.0}, std::pair{"h264_aac.mkv", 3.0},
                                         std::pair{"subtitles.mkv", 2.0}, std::pair{"vp9_opus.webm", 2.0},
                                         std::pair{"mpeg4_mp3.avi", 2.0}, std::pair{"theora_vorbis.ogg", 2.0},
                                         std::pair{"mjpeg.mov", 2.0}}) {
        for (double target : {0.0, 0.3, 0.5, 0.92, 0.96, 1.0, 1.25, 1.5, 1.9, 2.2, 2.5}) {
            if (target >= duration)
                continue;
            SCOPED_TRACE(std::string(name) + " at " + std::to_string(target));
            WiredStages stages(name);
            ASSERT_TRUE(stages.isReady());
            // Loading ends with a seek to 0 and no frame ticks; seeking while paused runs the
            // frame ticks at the target.
            ASSERT_TRUE(stages.pausedSeek(0.0, 0));
            const long shownBefore = target > 0.0 ? static_cast<long>(stages.shown.size()) : 0;
            if (target > 0.0) {
                ASSERT_TRUE(stages.pausedSeek(target, kTicksAfterSeek));
            }
            const std::vector<int> shownBySeek(stages.shown.begin() + shownBefore, stages.shown.end());
            EXPECT_LE(shownBySeek.size(), 1u);
            EXPECT_EQ(shownBySeek.empty() ? -1 : shownBySeek.back(), TestMedia::pictureAfterSeekRun(name, target));
        }
    }
}
