#include "media/FFmpegMediaFile.h"

#include "orvNotify/Notify.h"

#include <QByteArray>
#include <QFileInfo>

#include <cmath>
#include <ostream>

namespace MediaPlayer2 {

namespace {

constexpr int ERROR_SEVERITY = 2;
// For a codec of one kind that cannot be decoded: the file still plays with the other stream.
constexpr int WARNING_SEVERITY = 3;

// What a media file reports before anything is loaded, so that a caller sizing its output early
// gets a usable picture size.
const QSize kSizeBeforeLoading(320, 240);

// Volumes are given in percent; the pipeline's gain of 1.0 is 100 percent.
constexpr double kVolumePercentToGain = 0.01;

// An unsupported codec of one kind still leaves the other stream to play.
bool leavesSomethingToPlay(FFmpeg::PlaybackPipeline::LoadError result)
{
    return result == FFmpeg::PlaybackPipeline::LoadSucceeded
           || result == FFmpeg::PlaybackPipeline::UnsupportedVideoCodec
           || result == FFmpeg::PlaybackPipeline::UnsupportedAudioCodec;
}

void report(int severity, const QByteArray& message)
{
    if (orvNotify::isNotifyEnabled(severity))
        orvNotify::notify(severity) << message.constData() << std::flush;
}

}  // namespace

FFmpegMediaFile::FFmpegMediaFile(QObject* parent)
    : MediaFile(parent)
{
}

FFmpegMediaFile::~FFmpegMediaFile()
{
    releasePipeline_();
}

// The pipeline goes first: its decoder thread must stop before anything it reaches disappears.
void FFmpegMediaFile::releasePipeline_()
{
    pipeline_.reset();
}

void FFmpegMediaFile::setMedia(const QUrl& url)
{
    releasePipeline_();
    pipeline_ = std::make_unique<FFmpeg::PlaybackPipeline>(this);
    pipeline_->setThreadingEnabled(threadingEnabled_);
    pipeline_->setAudioOnlyInRealTime(audioOnlyInRealTime_);
    connect(pipeline_.get(), &FFmpeg::PlaybackPipeline::mediaStatusChanged, this,
            &FFmpegMediaFile::processMediaStatusChange_);

    const FFmpeg::PlaybackPipeline::LoadError result = pipeline_->loadFile(url.toLocalFile(), !processAudio_);
    title_ = leavesSomethingToPlay(result) ? url.fileName(QUrl::FullyDecoded) : QString();
    reportLoadResult_(result, url);
    attachOutput_(*pipeline_);
    emit loadingComplete();
}

void FFmpegMediaFile::reportLoadResult_(FFmpeg::PlaybackPipeline::LoadError result, const QUrl& url)
{
    const QByteArray name = QFileInfo(url.toLocalFile()).fileName().toUtf8();
    const QByteArray videoCodec = pipeline_->videoCodecName().toUtf8();
    const QByteArray audioCodec = pipeline_->audioCodecName().toUtf8();
    switch (result) {
    case FFmpeg::PlaybackPipeline::LoadSucceeded:
        break;
    case FFmpeg::PlaybackPipeline::OpenFailed:
        report(ERROR_SEVERITY, name + ": Unable to open file.\n");
        emit error(ResourceError);
        break;
    case FFmpeg::PlaybackPipeline::UnsupportedVideoCodec:
        report(WARNING_SEVERITY, name + ": Unsupported video codec " + videoCodec + "\n");
        break;
    case FFmpeg::PlaybackPipeline::UnsupportedAudioCodec:
        report(WARNING_SEVERITY, name + ": Unsupported audio codec " + audioCodec + "\n");
        break;
    case FFmpeg::PlaybackPipeline::NoSupportedCodec:
        report(ERROR_SEVERITY, name + ": No supported audio or video codecs.\n" + "   Video Codec: " +
                                   videoCodec + "\n" + "   Audio Codec: " + audioCodec + "\n");
        emit error(FormatError);
        break;
    }
}

QMediaPlayer::MediaStatus FFmpegMediaFile::mediaStatus() const
{
    if (!pipeline_)
        return QMediaPlayer::NoMedia;
    switch (pipeline_->mediaStatus()) {
    case FFmpeg::PlaybackPipeline::NoMedia:
        return QMediaPlayer::NoMedia;
    case FFmpeg::PlaybackPipeline::InvalidMedia:
        return QMediaPlayer::InvalidMedia;
    case FFmpeg::PlaybackPipeline::LoadedMedia:
        return QMediaPlayer::LoadedMedia;
    case FFmpeg::PlaybackPipeline::EndOfMedia:
        return QMediaPlayer::EndOfMedia;
    }
    return QMediaPlayer::UnknownMediaStatus;
}

double FFmpegMediaFile::duration() const
{
    return pipeline_ ? pipeline_->duration() : 0.0;
}

bool FFmpegMediaFile::hasDuration() const
{
    if (!pipeline_)
        return false;
    const FFmpeg::PlaybackPipeline::MediaStatus status = pipeline_->mediaStatus();
    return status == FFmpeg::PlaybackPipeline::LoadedMedia || status == FFmpeg::PlaybackPipeline::EndOfMedia;
}

bool FFmpegMediaFile::isLoadingComplete() const
{
    return pipeline_ != nullptr;
}

QSize FFmpegMediaFile::nativeSize() const
{
    return pipeline_ ? pipeline_->size() : kSizeBeforeLoading;
}

void FFmpegMediaFile::setThreadingEnabled(bool enableIt)
{
    threadingEnabled_ = enableIt;
}

void FFmpegMediaFile::setProcessAudio(bool processAudio)
{
    processAudio_ = processAudio;
}

void FFmpegMediaFile::setAudioOnlyInRealTime(bool audioOnlyInRealTime)
{
    audioOnlyInRealTime_ = audioOnlyInRealTime;
    if (pipeline_)
        pipeline_->setAudioOnlyInRealTime(audioOnlyInRealTime);
}

int FFmpegMediaFile::seekTo(double position, double allowedDelta)
{
    if (!pipeline_)
        return 1;
    if (std::abs(pipeline_->mediaTime() - position) <= allowedDelta)
        return 0;
    return pipeline_->seek(position);
}

void FFmpegMediaFile::setPlaybackRate(double multipleOfRealtime)
{
    if (pipeline_)
        pipeline_->setPlaybackRate(multipleOfRealtime);
}

void FFmpegMediaFile::setMuted(bool muted)
{
    muted_ = muted;
    if (pipeline_)
        pipeline_->setVolume(effectiveMediaVolume_());
}

void FFmpegMediaFile::setVolume(int volume)
{
    volume_ = volume;
    if (pipeline_)
        pipeline_->setVolume(effectiveMediaVolume_());
}

void FFmpegMediaFile::play()
{
    if (pipeline_)
        pipeline_->play();
}

void FFmpegMediaFile::pause()
{
    if (pipeline_)
        pipeline_->stop();
}

void FFmpegMediaFile::show()
{
    emit mediaPlaying(outputWidget());
}

const QString& FFmpegMediaFile::getTitle_() const
{
    return title_;
}

void FFmpegMediaFile::processMediaStatusChange_(FFmpeg::PlaybackPipeline::MediaStatus mediaStatus)
{
    if (mediaStatus == FFmpeg::PlaybackPipeline::InvalidMedia)
        emit error(ResourceError);
    else if (mediaStatus == FFmpeg::PlaybackPipeline::EndOfMedia)
        emit endOfMedia();
}

double FFmpegMediaFile::effectiveMediaVolume_() const
{
    return muted_ ? 0.0 : volume_ * kVolumePercentToGain;
}

}  // namespace MediaPlayer2
