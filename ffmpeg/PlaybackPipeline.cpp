#include "ffmpeg/PlaybackPipeline.h"

#include "ffmpeg/AudioDecodeFilter.h"
#include "ffmpeg/AudioPlaybackSink.h"
#include "ffmpeg/AudioResampleFilter.h"
#include "ffmpeg/Clock.h"
#include "ffmpeg/CodecContext.h"
#include "ffmpeg/ConvertPixelFormatFilter.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/FormatContextSource.h"
#include "ffmpeg/FrameStore.h"
#include "ffmpeg/MetaTypes.h"
#include "ffmpeg/ThreadedAudio.h"
#include "ffmpeg/ToQImageFilter.h"
#include "ffmpeg/VideoDecodeFilter.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace FFmpeg {

namespace {

// Keeps the source this far ahead of the clock: enough to ride out a slow disk or a burst of
// large packets, little enough to hold few decoded frames.
constexpr int READ_INTERVAL_MS = 25;
// What the sound output plays; audio for other rates is resampled so that it plays at this one.
constexpr int DEVICE_SAMPLE_RATE = 44100;
// How far audio may drift from the clock before the sink moves its read position.
constexpr double AUDIO_SYNC_TOLERANCE_SECONDS = 0.1;
// Rates at which resampled sound is still worth hearing when not only real time is allowed.
constexpr double MIN_AUDIO_RATE = 0.25;
constexpr double MAX_AUDIO_RATE = 4.0;
// Seek targets closer than this to the clock are where the media already is.
constexpr double SAME_POSITION_SECONDS = 0.000001;

// What the host sets in an environment variable, when it is a positive number.
std::optional<double> hostSetting(const char* name)
{
    bool valid = false;
    const double value = qEnvironmentVariable(name).toDouble(&valid);
    return valid && value > 0.0 ? std::optional<double>(value) : std::nullopt;
}

// The frame store's budget: what the host sets in MP2_FRAME_MEMORY_MIB, else the store's default.
qint64 initialFrameMemoryBudget()
{
    const std::optional<double> mebibytes = hostSetting("MP2_FRAME_MEMORY_MIB");
    return mebibytes ? static_cast<qint64>(*mebibytes * (1 << 20)) : FrameStore::kDefaultMemoryBudget;
}

} // namespace

PlaybackPipeline::PlaybackPipeline(QObject* parent)
    : QObject(parent)
    , formatContext_(new FormatContext)
    , readDataTimer_(new QTimer(this))
    , frameTimer_(new QTimer(this))
    , clock_(new Clock(this))
    , bufferDuration_(hostSetting("MP2_READ_AHEAD_SECONDS").value_or(kDefaultBufferDuration))
    , frameMemoryBudget_(initialFrameMemoryBudget())
{
    qRegisterMetaType<MediaStatus>("FFmpeg::PlaybackPipeline::MediaStatus");
    qRegisterMetaType<PlaybackState>("FFmpeg::PlaybackPipeline::PlaybackState");
    registerMetaTypes();
    av_log_set_level(AV_LOG_FATAL);

    // A coarse timer may stretch an interval by 5 %, which would let frames slip behind the clock.
    readDataTimer_->setTimerType(Qt::PreciseTimer);
    readDataTimer_->setInterval(READ_INTERVAL_MS);
    connect(readDataTimer_, &QTimer::timeout, this, &PlaybackPipeline::readMoreData_);
    frameTimer_->setTimerType(Qt::PreciseTimer);
    frameTimer_->setInterval(FrameStore::kShowIntervalMs);
    connect(frameTimer_, &QTimer::timeout, this, &PlaybackPipeline::pushNextVideoFrame_);

    // Stopped: the clock stands still until play.
    clock_->setTimeRate(0.0);
}

PlaybackPipeline::~PlaybackPipeline()
{
    close();
    delete formatContext_;
}

PlaybackPipeline::MediaStatus PlaybackPipeline::mediaStatus() const
{
    return mediaStatus_;
}

PlaybackPipeline::PlaybackState PlaybackPipeline::playbackState() const
{
    return playbackState_;
}

PlaybackPipeline::LoadError PlaybackPipeline::lastLoadError() const
{
    return lastLoadError_;
}

double PlaybackPipeline::volume() const
{
    return volume_;
}

double PlaybackPipeline::playbackRate() const
{
    return playbackRate_;
}

double PlaybackPipeline::bufferDuration() const
{
    return bufferDuration_;
}

bool PlaybackPipeline::audioOnlyInRealTime() const
{
    return audioOnlyInRealTime_;
}

bool PlaybackPipeline::isQImageOutputEnabled() const
{
    return qImageOutputEnabled_;
}

bool PlaybackPipeline::isThreadingEnabled() const
{
    return threadingEnabled_;
}

QString PlaybackPipeline::audioCodecName() const
{
    return audioCodecName_;
}

QString PlaybackPipeline::videoCodecName() const
{
    return videoCodecName_;
}

bool PlaybackPipeline::hasValidAudio() const
{
    return audioCodec_ != nullptr;
}

bool PlaybackPipeline::hasValidVideo() const
{
    return videoCodec_ != nullptr;
}

double PlaybackPipeline::duration() const
{
    return duration_;
}

double PlaybackPipeline::mediaTime() const
{
    return std::clamp(clock_->now(), 0.0, duration());
}

QSize PlaybackPipeline::size() const
{
    return videoSize_;
}

qint64 PlaybackPipeline::frameMemoryBudget() const
{
    return frameMemoryBudget_;
}

int PlaybackPipeline::heldPictures() const
{
    return frameStore_ ? frameStore_->heldFrames() : 0;
}

double PlaybackPipeline::readTime() const
{
    return source_ ? source_->readTime() : -1.0;
}

PlaybackPipeline::LoadError PlaybackPipeline::loadFile(QString filename, bool videoOnly)
{
    lastLoadError_ = loadFile_(filename, videoOnly);
    return lastLoadError_;
}

PlaybackPipeline::LoadError PlaybackPipeline::loadFile(QString filename)
{
    return loadFile(filename, false);
}

PlaybackPipeline::LoadError PlaybackPipeline::loadFile_(const QString& filename, bool videoOnly)
{
    close();
    if (formatContext_->open(filename.toUtf8().toStdString()) != 0)
        return OpenFailed;
    duration_ = formatContext_->duration();

    openCodecs_(videoOnly);
    // Noted before a failed decoder is dropped, to tell the two failures apart.
    const bool hadAudio = audioCodec_ != nullptr;
    const bool hadVideo = videoCodec_ != nullptr;
    if (videoCodec_ && videoCodec_->open() != 0) {
        delete videoCodec_;
        videoCodec_ = nullptr;
    }
    if (audioCodec_ && audioCodec_->open() != 0) {
        delete audioCodec_;
        audioCodec_ = nullptr;
    }
    if (videoCodec_)
        videoSize_ = QSize(videoCodec_->width(), videoCodec_->height());

    createSource_(filename);
    if (videoCodec_)
        createVideoChain_();
    if (audioCodec_)
        createAudioChain_();
    if (decoderThread_)
        decoderThread_->start();

    clock_->synchronizeToTime(0.0);
    setPlaybackState_(Stopped);
    setMediaStatus_(LoadedMedia);
    if (!videoCodec_ && !audioCodec_)
        return NoSupportedCodec;
    seek_(0.0);
    soundToReposition_ = false;  // the source reads from the start already
    if (hadAudio && !audioCodec_)
        return UnsupportedAudioCodec;
    if (hadVideo && !videoCodec_)
        return UnsupportedVideoCodec;
    return LoadSucceeded;
}

void PlaybackPipeline::openCodecs_(bool videoOnly)
{
    const int streams = formatContext_->numStreams();
    const int audioStream = formatContext_->findBestStream(AVMEDIA_TYPE_AUDIO);
    if (audioStream >= 0 && !videoOnly && audioStream < streams)
        audioCodec_ = formatContext_->codecContext(static_cast<unsigned int>(audioStream))->createCopy();
    const int videoStream = formatContext_->findBestStream(AVMEDIA_TYPE_VIDEO);
    if (videoStream >= 0 && videoStream < streams)
        videoCodec_ = formatContext_->codecContext(static_cast<unsigned int>(videoStream))->createCopy();

    const auto nameOf = [this, streams](int stream) {
        if (stream < 0 || stream >= streams)
            return QString();
        return QString::fromStdString(formatContext_->codecName(static_cast<unsigned int>(stream)));
    };
    audioCodecName_ = nameOf(audioStream);
    videoCodecName_ = nameOf(videoStream);
}

void PlaybackPipeline::createSource_(const QString& filename)
{
    source_ = new FormatContextSource(*formatContext_);
    connect(source_, &FormatContextSource::endOfFileReached, readDataTimer_, qOverload<>(&QTimer::stop));
    if (!threadingEnabled_)
        return;
    decoderThread_ = new QThread;
    decoderThread_->setObjectName(QString("%1 Decoder").arg(QFileInfo(filename).fileName()));
    connect(decoderThread_, &QThread::finished, source_, &QObject::deleteLater);
    source_->moveToThread(decoderThread_);
}

void PlaybackPipeline::createVideoChain_()
{
    videoDecoder_ = new VideoDecodeFilter(*videoCodec_);
    frameStore_ = new FrameStore(*videoCodec_);
    pixelConverter_ = new ConvertPixelFormatFilter(*videoCodec_, AV_PIX_FMT_BGRA);
    imageFilter_ = new ToQImageFilter;
    frameStore_->setMemoryBudget(frameMemoryBudget_);

    connect(source_, &FormatContextSource::videoPacketReady, frameStore_, &FrameStore::queuePacket);
    connect(source_, &FormatContextSource::aboutToSeek, frameStore_, &FrameStore::startRun);
    connect(source_, &FormatContextSource::seekCompleted, frameStore_, &FrameStore::continueRun);
    connect(source_, &FormatContextSource::endOfFileReached, frameStore_, &FrameStore::endInput);
    connect(frameStore_, &FrameStore::decodeWanted, videoDecoder_, &VideoDecodeFilter::processPacket);
    connect(frameStore_, &FrameStore::restartWanted, videoDecoder_, &VideoDecodeFilter::restart);
    connect(frameStore_, &FrameStore::drainWanted, videoDecoder_, &VideoDecodeFilter::drain);
    connect(videoDecoder_, &VideoDecodeFilter::videoFrameReady, frameStore_, &FrameStore::takeFrame);
    connect(frameStore_, &FrameStore::readWanted, source_, &FormatContextSource::readThrough);
    // Queued: the store asks while the source may be emitting to it.
    connect(frameStore_, &FrameStore::seekWanted, source_, &FormatContextSource::seek, Qt::QueuedConnection);
    // A picture the owning thread has not taken yet is converted over (offerPicture_). The converter
    // is captured: the owning thread lets go of its pointer while the decoder thread winds down.
    connect(frameStore_, &FrameStore::pictureReady, pixelConverter_,
            [this, converter = pixelConverter_](std::shared_ptr<Frame> picture) {
                converter->convert(std::move(picture), takeOfferedPicture_());
            });
    connect(pixelConverter_, &ConvertPixelFormatFilter::convertedFrameReady, this, &PlaybackPipeline::offerPicture_,
            Qt::DirectConnection);
    connect(this, &PlaybackPipeline::videoFrameReady, imageFilter_, &ToQImageFilter::createImage);
    connect(imageFilter_, &ToQImageFilter::imageReady, this, &PlaybackPipeline::videoImageReady);

    imageFilter_->setEnabled(qImageOutputEnabled_);
    if (!decoderThread_)
        return;
    for (QObject* stage : std::initializer_list<QObject*>{videoDecoder_, frameStore_, pixelConverter_}) {
        connect(decoderThread_, &QThread::finished, stage, &QObject::deleteLater);
        stage->moveToThread(decoderThread_);
    }
}

void PlaybackPipeline::createAudioChain_()
{
    audioDecoder_ = new AudioDecodeFilter(*audioCodec_);
    resampler_ = new AudioResampleFilter(*audioCodec_);
    resampler_->setOutputFormat(true, AV_SAMPLE_FMT_S16, resampledAudioRate_());
    // Audio is not decoded at rates at which it is not played, also when the rate was set before
    // the file was loaded.
    audioDecoder_->setProcessingData(isValidAudioRate_());

    connect(source_, &FormatContextSource::audioPacketReady, audioDecoder_, &AudioDecodeFilter::processAudioPacket);
    connect(source_, &FormatContextSource::aboutToSeek, audioDecoder_, &AudioDecodeFilter::prepareForSeek);
    connect(audioDecoder_, &AudioDecodeFilter::audioFrameReady, resampler_, &AudioResampleFilter::resampleFrame);
    connect(source_, &FormatContextSource::aboutToSeek, resampler_, &AudioResampleFilter::flush);

    if (decoderThread_)
        createThreadedAudio_();
    else
        createAudioSink_();
}

void PlaybackPipeline::createThreadedAudio_()
{
    auto* audio = new ThreadedAudio;
    audio->moveToThread(decoderThread_);
    connect(resampler_, &AudioResampleFilter::rawAudioReady, audio, &ThreadedAudio::bufferAudioData);
    connect(source_, &FormatContextSource::aboutToSeek, audio, &ThreadedAudio::stop);
    connect(this, &PlaybackPipeline::audioStarted, audio, &ThreadedAudio::play);
    connect(this, &PlaybackPipeline::audioStopped, audio, &ThreadedAudio::stop);
    connect(this, &PlaybackPipeline::audioPaused, audio, &ThreadedAudio::pause);
    connect(this, &PlaybackPipeline::audioVolumeChanged, audio, &ThreadedAudio::setVolume);
    connect(this, &PlaybackPipeline::audioPlaybackRateChanged, audio, &ThreadedAudio::setPlaybackRate);
    connect(this, &PlaybackPipeline::audioSynchronized, audio, &ThreadedAudio::synchronize);
    connect(decoderThread_, &QThread::started, audio, &ThreadedAudio::createAudio);
    connect(decoderThread_, &QThread::finished, audio, &QObject::deleteLater);

    // The sink is made with its defaults once the thread runs; these reach it right after.
    emit audioVolumeChanged(volume_);
    if (isValidAudioRate_())
        emit audioPlaybackRateChanged(playbackRate_);
}

void PlaybackPipeline::createAudioSink_()
{
    audioSink_ = new AudioPlaybackSink;
    audioSink_->setFormat(true, AudioPlaybackSink::Int16, DEVICE_SAMPLE_RATE);
    audioSink_->setVolume(volume_);
    if (isValidAudioRate_())
        audioSink_->setPlaybackRate(playbackRate_);
    connect(resampler_, &AudioResampleFilter::rawAudioReady, audioSink_, &AudioPlaybackSink::bufferAudioData);
    connect(source_, &FormatContextSource::aboutToSeek, audioSink_, &AudioPlaybackSink::stop);
}

int PlaybackPipeline::close()
{
    stop();
    // Quietly: the status below is then always announced as a change.
    mediaStatus_ = EndOfMedia;

    if (decoderThread_) {
        // These are deleted by the thread as it finishes.
        source_ = nullptr;
        videoDecoder_ = nullptr;
        frameStore_ = nullptr;
        pixelConverter_ = nullptr;
        decoderThread_->quit();
        decoderThread_->wait();
        delete decoderThread_;
        decoderThread_ = nullptr;
        // Frames and seek completions the stages posted before they ended belong to the closed
        // file; delivered later they would reach the next one.
        QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    }
    takeOfferedPicture_();

    delete pixelConverter_;
    pixelConverter_ = nullptr;
    delete frameStore_;
    frameStore_ = nullptr;
    delete videoDecoder_;
    videoDecoder_ = nullptr;
    delete source_;
    source_ = nullptr;
    delete audioSink_;
    audioSink_ = nullptr;
    delete resampler_;
    resampler_ = nullptr;
    delete audioDecoder_;
    audioDecoder_ = nullptr;
    delete imageFilter_;
    imageFilter_ = nullptr;
    delete audioCodec_;
    audioCodec_ = nullptr;
    delete videoCodec_;
    videoCodec_ = nullptr;
    videoSize_ = QSize(-1, -1);
    duration_ = 0.0;
    soundToReposition_ = false;

    const int result = formatContext_->close();
    setMediaStatus_(NoMedia);
    setPlaybackState_(Stopped);
    return result;
}

int PlaybackPipeline::play()
{
    if (playbackState_ == Playing)
        return 0;
    return play_();
}

int PlaybackPipeline::play_()
{
    if (playbackRate_ == 0.0 || mediaStatus_ == NoMedia || mediaStatus_ == InvalidMedia)
        return 1;
    if (mediaTime() <= 0.0 && playbackRate_ < 0.0)
        return 1;
    if (mediaTime() >= duration() && playbackRate_ > 0.0)
        return 1;

    setMediaStatus_(LoadedMedia);
    if (soundToReposition_ && isValidAudioRate_()) {
        soundToReposition_ = false;
        source_->seek(mediaTime());
    }
    readDataTimer_->start();
    frameTimer_->start();
    if (audioSink_)
        audioSink_->play();
    else
        emit audioStarted();
    clock_->setTimeRate(playbackRate_);
    setPlaybackState_(Playing);
    readMoreData_();
    return 0;
}

int PlaybackPipeline::stop()
{
    readDataTimer_->stop();
    if (audioSink_)
        audioSink_->pause();
    else if (playbackState_ == Playing)
        emit audioPaused();
    clock_->setTimeRate(0.0);
    setPlaybackState_(Stopped);
    return 0;
}

int PlaybackPipeline::seek(double mediaTime)
{
    if (mediaStatus_ == NoMedia || mediaStatus_ == InvalidMedia)
        return 1;
    const double target = std::clamp(mediaTime, 0.0, duration());
    if (std::abs(target - this->mediaTime()) < SAME_POSITION_SECONDS)
        return 0;
    return seek_(target);
}

int PlaybackPipeline::seek_(double mediaTime)
{
    if (mediaStatus_ == NoMedia || mediaStatus_ == InvalidMedia)
        return 1;
    if (mediaTime >= duration() && this->mediaTime() >= duration())
        return 0;

    const PlaybackState stateBefore = playbackState_;
    readDataTimer_->stop();
    clock_->synchronizeToTime(mediaTime);
    setMediaStatus_(LoadedMedia);
    // Pictures are the frame store's business: it seeks the source only when it holds nothing for the
    // time. Sound heard now goes on from the new time only if the source reads from there.
    if (!frameStore_ || isSounding_())
        source_->seek(mediaTime);
    else if (resampler_)
        soundToReposition_ = true;
    showPicture_(mediaTime);
    return stateBefore == Playing ? play_() : stop();
}

void PlaybackPipeline::setBufferDuration(double bufferDuration)
{
    bufferDuration_ = bufferDuration;
}

void PlaybackPipeline::setFrameMemoryBudget(qint64 bytes)
{
    frameMemoryBudget_ = bytes;
    if (frameStore_)
        QMetaObject::invokeMethod(frameStore_, "setMemoryBudget", Qt::AutoConnection, Q_ARG(qint64, bytes));
}

void PlaybackPipeline::setVolume(double volume)
{
    volume_ = std::clamp(volume, 0.0, 1.0);
    if (audioSink_)
        audioSink_->setVolume(volume_);
    else
        emit audioVolumeChanged(volume_);
}

void PlaybackPipeline::setPlaybackRate(double rate)
{
    if (rate == playbackRate_)
        return;
    setPlaybackRate_(rate);
}

void PlaybackPipeline::setPlaybackRate_(double rate)
{
    playbackRate_ = rate;
    clock_->setTimeRate(playbackState_ == Playing ? playbackRate_ : 0.0);
    if (!resampler_)
        return;

    const bool audible = isValidAudioRate_();
    audioDecoder_->setProcessingData(audible);
    if (!audible) {
        if (audioSink_)
            audioSink_->stop();
        else
            emit audioStopped();
        return;
    }
    resampler_->setOutputFormat(true, AV_SAMPLE_FMT_S16, resampledAudioRate_());
    resampler_->flush();
    if (audioSink_)
        audioSink_->setPlaybackRate(playbackRate_);
    else
        emit audioPlaybackRateChanged(playbackRate_);
    // Sound already decoded for the old rate is dropped by seeking to where the media is.
    seek_(mediaTime());
}

void PlaybackPipeline::setAudioOnlyInRealTime(bool audioOnlyInRealTime)
{
    if (audioOnlyInRealTime == audioOnlyInRealTime_)
        return;
    audioOnlyInRealTime_ = audioOnlyInRealTime;
    setPlaybackRate_(playbackRate_);
}

void PlaybackPipeline::setQImageOutputEnabled(bool enableIt)
{
    qImageOutputEnabled_ = enableIt;
    if (imageFilter_)
        imageFilter_->setEnabled(enableIt);
}

void PlaybackPipeline::setThreadingEnabled(bool enableIt)
{
    threadingEnabled_ = enableIt;
}

bool PlaybackPipeline::isValidAudioRate_() const
{
    if (audioOnlyInRealTime_)
        return playbackRate_ == 1.0;
    return playbackRate_ >= MIN_AUDIO_RATE && playbackRate_ <= MAX_AUDIO_RATE;
}

int PlaybackPipeline::resampledAudioRate_() const
{
    // At rates without sound nothing is resampled; the device rate keeps the resampler valid.
    if (!isValidAudioRate_())
        return DEVICE_SAMPLE_RATE;
    return static_cast<int>(DEVICE_SAMPLE_RATE / playbackRate_);
}

void PlaybackPipeline::readMoreData_()
{
    if (!source_) {
        readDataTimer_->stop();
        setMediaStatus_(NoMedia);
        setPlaybackState_(Stopped);
        return;
    }
    // Backwards the frame store asks the source for what it needs.
    if (playbackRate_ < 0.0)
        return;
    // Compressed packets for bufferDuration_ of media at any rate: neither a slow nor a fast clock
    // makes the source hold more. Pictures are decoded from them on demand.
    const double target = clock_->now() + bufferDuration_;
    QMetaObject::invokeMethod(source_, "readForward", Qt::AutoConnection, Q_ARG(double, target));
}

void PlaybackPipeline::pushNextVideoFrame_()
{
    if (mediaStatus_ != LoadedMedia)
        return;
    const double t = clock_->now();
    if (t >= 0.0) {
        synchronizeAudio_(t);
        showPicture_(t);
    }
    if (t > duration()) {
        stop();
        setMediaStatus_(EndOfMedia);
    } else if (t < 0.0) {
        stop();
    }
}

void PlaybackPipeline::synchronizeAudio_(double mediaTime)
{
    const bool shouldPlay = isValidAudioRate_() && clock_->timeRate() != 0.0;
    if (audioSink_) {
        audioSink_->synchronize(mediaTime, AUDIO_SYNC_TOLERANCE_SECONDS);
        if (audioSink_->state() == AudioPlaybackSink::Stopped && shouldPlay)
            audioSink_->play();
        return;
    }
    emit audioSynchronized(mediaTime);
    if (shouldPlay)
        emit audioStarted();
}

bool PlaybackPipeline::isSounding_() const
{
    return resampler_ && playbackState_ == Playing && isValidAudioRate_();
}

void PlaybackPipeline::offerPicture_(std::shared_ptr<Frame> frame)
{
    if (QThread::currentThread() == thread()) {
        emit videoFrameReady(std::move(frame));
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(offeredMutex_);
        const bool deliveryPosted = offered_ != nullptr;
        offered_ = std::move(frame);
        if (deliveryPosted)
            return;
    }
    QMetaObject::invokeMethod(this, &PlaybackPipeline::deliverOfferedPicture_, Qt::QueuedConnection);
}

std::shared_ptr<Frame> PlaybackPipeline::takeOfferedPicture_()
{
    const std::lock_guard<std::mutex> lock(offeredMutex_);
    return std::exchange(offered_, nullptr);
}

void PlaybackPipeline::deliverOfferedPicture_()
{
    if (std::shared_ptr<Frame> frame = takeOfferedPicture_())
        emit videoFrameReady(std::move(frame));
}

void PlaybackPipeline::showPicture_(double mediaTime)
{
    if (frameStore_)
        QMetaObject::invokeMethod(frameStore_, "showAt", Qt::AutoConnection, Q_ARG(double, mediaTime),
                                  Q_ARG(double, clock_->timeRate()));
}

void PlaybackPipeline::setMediaStatus_(MediaStatus mediaStatus)
{
    if (mediaStatus == mediaStatus_)
        return;
    mediaStatus_ = mediaStatus;
    emit mediaStatusChanged(mediaStatus);
}

void PlaybackPipeline::setPlaybackState_(PlaybackState playbackState)
{
    if (playbackState == playbackState_)
        return;
    playbackState_ = playbackState;
    clock_->setTimeRate(playbackState == Playing ? playbackRate_ : 0.0);
    emit playbackStateChanged(playbackState);
}

} // namespace FFmpeg
