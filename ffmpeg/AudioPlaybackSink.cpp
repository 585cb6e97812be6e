#include "ffmpeg/AudioPlaybackSink.h"

#include <QAudioDeviceInfo>
#include <QAudioOutput>
#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace FFmpeg {

namespace {

// What the pipeline's resampler produces.
constexpr int DEFAULT_SAMPLE_RATE = 44100;

// Played audio kept before the read position, so that trimming stays rare.
constexpr qint64 PLAYED_AUDIO_KEPT_MICROSECONDS = 2000000;

// The output reports (and the sink trims) once per second of processed audio.
constexpr int OUTPUT_NOTIFY_INTERVAL_MS = 1000;

// The read position stands for what is audible, so the device may hold only a small part of the
// pipeline's 0.1 s synchronisation tolerance ahead of it, also at rates above 1 where every
// playing second carries more media. Two of the PulseAudio backend's 20 ms periods keep the
// device fed without an audible lead; a device default (often 250 ms or more) would make every
// frame tick find the sound ahead of the clock and jump back.
constexpr qint64 OUTPUT_BUFFER_MICROSECONDS = 40000;

// Blocks that start this close to the end of the queued audio are taken as continuous: the
// resampler stamps a block with its first input sample although it may lead with samples held
// back from earlier frames.
constexpr double CONTINUITY_TOLERANCE_SECONDS = 0.025;

// Rates and volumes closer than this count as equal, and a volume below it as silent.
constexpr double NEGLIGIBLE = 1e-6;

constexpr double SECONDS_PER_MICROSECOND = 1e-6;

} // namespace

AudioPlaybackSink::AudioPlaybackSink(QObject* parent)
    : QObject(parent)
    , buffer_(new QBuffer(this))
{
    buffer_->open(QIODevice::ReadWrite);
    setFormat(true, Int16, DEFAULT_SAMPLE_RATE);
}

AudioPlaybackSink::~AudioPlaybackSink()
{
    // Before the Qt children go, while the sink is still whole: the output's teardown may run
    // queued calls to this sink.
    releaseOutput_();
}

int AudioPlaybackSink::setFormat(const QAudioFormat& format)
{
    if (audioOutput_ && audioOutput_->format() == format)
        return 0;

    releaseOutput_();
    clearBuffer_();
    maxPlayedBytes_ = format.bytesForDuration(PLAYED_AUDIO_KEPT_MICROSECONDS);

    const QAudioDeviceInfo device = QAudioDeviceInfo::defaultOutputDevice();
    if (device.isNull() || !device.isFormatSupported(format)) {
        setState_(Error);
        return 1;
    }
    audioOutput_ = new QAudioOutput(device, format, this);
    audioOutput_->setCategory(QStringLiteral("media"));
    audioOutput_->setNotifyInterval(OUTPUT_NOTIFY_INTERVAL_MS);
    audioOutput_->setBufferSize(format.bytesForDuration(OUTPUT_BUFFER_MICROSECONDS));
    connect(audioOutput_, &QAudioOutput::notify, this, &AudioPlaybackSink::limitAudioBuffer_);
    connect(audioOutput_, &QAudioOutput::notify, this, &AudioPlaybackSink::emitNotify_);
    setState_(Stopped);
    return 0;
}

int AudioPlaybackSink::setFormat(bool stereo, SampleType sampleType, int sampleRate)
{
    QAudioFormat format;
    switch (sampleType) {
    case UInt8:
        format.setSampleSize(8);
        format.setSampleType(QAudioFormat::UnSignedInt);
        break;
    case Int16:
        format.setSampleSize(16);
        format.setSampleType(QAudioFormat::SignedInt);
        break;
    case Float32:
        format.setSampleSize(32);
        format.setSampleType(QAudioFormat::Float);
        break;
    case UnknownType:
        return 1;
    }
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleRate(sampleRate);
    format.setChannelCount(stereo ? 2 : 1);
    return setFormat(format);
}

int AudioPlaybackSink::synchronize(double mediaTime, double tolerance)
{
    if (!audioOutput_ || buffer_->size() == 0)
        return -1;
    if (std::abs(this->mediaTime() - mediaTime) < tolerance && state_ == Playing &&
        audioOutput_->state() == QAudio::ActiveState)
        return 0;

    const long long index = timeToBufferIndex_(mediaTime);
    if (index == BEFORE_START) {
        // Waits at the first buffered byte until the clock reaches it.
        buffer_->seek(0);
        suspendOutput_();
    } else if (index == AFTER_END) {
        // Nothing buffered is wanted any more; waits for new audio.
        clearBuffer_();
        suspendOutput_();
    } else {
        buffer_->seek(index);
        if (state_ == Playing)
            startOutput_();
    }
    emit notify(mediaTime);
    return 1;
}

void AudioPlaybackSink::setVolume(double volume)
{
    volume_ = std::clamp(volume, 0.0, 1.0);
    if (!audioOutput_)
        return;
    if (state_ == Playing)
        startOutput_();
    audioOutput_->setVolume(volume_);
}

double AudioPlaybackSink::volume() const
{
    return volume_;
}

AudioPlaybackSink::State AudioPlaybackSink::state() const
{
    return state_;
}

double AudioPlaybackSink::mediaTime() const
{
    return bufferIndexToTime_(buffer_->pos());
}

int AudioPlaybackSink::queueByteLength() const
{
    return static_cast<int>(buffer_->size() - buffer_->pos());
}

double AudioPlaybackSink::queueDuration() const
{
    if (!audioOutput_)
        return 0.0;
    return audioOutput_->format().durationForBytes(queueByteLength()) * SECONDS_PER_MICROSECOND;
}

void AudioPlaybackSink::bufferAudioData(QSharedPointer<QByteArray> data, double audioDataTime)
{
    if (!data || data->isEmpty() || !audioOutput_)
        return;

    // Newer data replaces what is queued from its own time on.
    if (bufferEnd_() > audioDataTime) {
        const long long index = timeToBufferIndex_(audioDataTime);
        if (index == BEFORE_START)
            clearBuffer_();
        else
            truncateBuffer_(static_cast<int>(index));
    }

    if (buffer_->size() > 0) {
        const double gap = audioDataTime - bufferEnd_();
        if (std::abs(gap) > CONTINUITY_TOLERANCE_SECONDS)
            bufferStartTime_ += gap;  // the block's first byte gets exactly its own time
    } else {
        bufferStartTime_ = audioDataTime;
    }

    const qint64 readPosition = buffer_->pos();
    buffer_->seek(buffer_->size());
    buffer_->write(*data);
    buffer_->seek(std::min(readPosition, buffer_->size()));

    if (state_ == Playing)
        play();  // starts or resumes an output that had run dry
}

void AudioPlaybackSink::stop()
{
    // The sink's time stays where playing stopped.
    bufferStartTime_ = mediaTime();
    if (audioOutput_)
        audioOutput_->stop();
    clearBuffer_();
    setState_(Stopped);
}

void AudioPlaybackSink::pause()
{
    if (audioOutput_)
        audioOutput_->suspend();
    setState_(Stopped);
}

void AudioPlaybackSink::play()
{
    if (!audioOutput_) {
        setState_(Error);
        return;
    }
    const QAudio::Error error = audioOutput_->error();
    if (error == QAudio::UnderrunError) {
        // Ran dry: the next call starts it afresh from the read position.
        audioOutput_->stop();
        return;
    }
    if (error != QAudio::NoError) {
        setState_(Error);
        return;
    }
    startOutput_();
    setState_(audioOutput_->error() == QAudio::NoError ? Playing : Stopped);
}

void AudioPlaybackSink::setPlaybackRate(double rate)
{
    if (std::abs(rate - playbackRate_) < NEGLIGIBLE || rate <= 0.0)
        return;
    // The queued audio was made for the old rate, so its time is read before the rate changes.
    bufferStartTime_ = mediaTime();
    playbackRate_ = rate;
    if (audioOutput_)
        audioOutput_->stop();
    clearBuffer_();
}

double AudioPlaybackSink::playbackRate()
{
    return playbackRate_;
}

void AudioPlaybackSink::limitAudioBuffer_()
{
    const qint64 readPosition = buffer_->pos();
    if (readPosition <= maxPlayedBytes_)
        return;
    bufferStartTime_ = bufferIndexToTime_(readPosition);
    buffer_->buffer().remove(0, static_cast<int>(readPosition));
    buffer_->seek(0);
}

void AudioPlaybackSink::emitNotify_()
{
    emit notify(mediaTime());
}

void AudioPlaybackSink::setState_(State state)
{
    if (state == state_)
        return;
    state_ = state;
    emit stateChanged(state);
}

void AudioPlaybackSink::startOutput_()
{
    if (!audioOutput_ || buffer_->pos() >= buffer_->size())
        return;
    if (std::abs(volume_) < NEGLIGIBLE) {
        // Silence is produced by not playing.
        suspendOutput_();
        return;
    }
    if (audioOutput_->state() == QAudio::StoppedState)
        audioOutput_->start(buffer_);
    else if (audioOutput_->state() == QAudio::SuspendedState)
        audioOutput_->resume();
    audioOutput_->setVolume(volume_);
}

void AudioPlaybackSink::suspendOutput_()
{
    if (!audioOutput_)
        return;
    const QAudio::State outputState = audioOutput_->state();
    if (outputState == QAudio::ActiveState || outputState == QAudio::IdleState)
        audioOutput_->suspend();
}

void AudioPlaybackSink::releaseOutput_()
{
    // Stopped before it is deleted: an output deleted while running may still serve a queued
    // feed request after it has let go of its stream.
    if (QAudioOutput* output = std::exchange(audioOutput_, nullptr)) {
        output->stop();
        delete output;
    }
}

void AudioPlaybackSink::clearBuffer_()
{
    buffer_->buffer().clear();
    buffer_->seek(0);
    suspendOutput_();
}

void AudioPlaybackSink::truncateBuffer_(int index)
{
    buffer_->buffer().truncate(index);
    if (buffer_->pos() > buffer_->size()) {
        suspendOutput_();
        buffer_->seek(buffer_->size());
    }
}

double AudioPlaybackSink::bufferStart_() const
{
    return bufferStartTime_;
}

double AudioPlaybackSink::bufferEnd_() const
{
    return bufferIndexToTime_(buffer_->size());
}

double AudioPlaybackSink::bufferIndexToTime_(long long index) const
{
    if (!audioOutput_ || playbackRate_ == 0.0)
        return bufferStartTime_;
    const qint64 playingMicroseconds = audioOutput_->format().durationForBytes(static_cast<qint32>(index));
    return bufferStartTime_ + playingMicroseconds * SECONDS_PER_MICROSECOND * playbackRate_;
}

long long AudioPlaybackSink::timeToBufferIndex_(double time) const
{
    if (!audioOutput_)
        return 0;
    const double start = bufferStart_();
    const double end = bufferEnd_();
    if (time < start)
        return BEFORE_START;
    if (time > end)
        return AFTER_END;
    const double fraction = end == start ? 1.0 : (time - start) / (end - start);
    const auto index = static_cast<long long>(buffer_->size() * fraction);
    const int bytesPerFrame = audioOutput_->format().bytesPerFrame();
    return index - index % bytesPerFrame;
}

} // namespace FFmpeg
