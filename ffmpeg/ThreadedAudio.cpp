#include "ffmpeg/ThreadedAudio.h"

#include "ffmpeg/AudioPlaybackSink.h"

#include <QMetaType>

namespace FFmpeg {

namespace {

// The pipeline keeps audio within this distance of its media clock before moving it.
constexpr double SYNCHRONIZATION_TOLERANCE_SECONDS = 0.1;

// What the pipeline's resampler produces.
constexpr int SAMPLE_RATE = 44100;

} // namespace

ThreadedAudio::ThreadedAudio()
{
    // Audio blocks reach the slots through queued connections.
    static const int blockTypeId = qRegisterMetaType<QSharedPointer<QByteArray>>("QSharedPointer<QByteArray>");
    Q_UNUSED(blockTypeId)
}

ThreadedAudio::~ThreadedAudio() = default;

void ThreadedAudio::createAudio()
{
    if (audio_)
        return;
    audio_ = std::make_shared<AudioPlaybackSink>();
    audio_->setFormat(true, AudioPlaybackSink::Int16, SAMPLE_RATE);
}

void ThreadedAudio::play()
{
    if (audio_ && audio_->state() != AudioPlaybackSink::Playing)
        audio_->play();
}

void ThreadedAudio::pause()
{
    if (audio_)
        audio_->pause();
}

void ThreadedAudio::stop()
{
    if (audio_)
        audio_->stop();
}

void ThreadedAudio::synchronize(double time)
{
    if (audio_)
        audio_->synchronize(time, SYNCHRONIZATION_TOLERANCE_SECONDS);
}

void ThreadedAudio::setVolume(double volume)
{
    if (audio_)
        audio_->setVolume(volume);
}

void ThreadedAudio::setPlaybackRate(double rate)
{
    if (audio_)
        audio_->setPlaybackRate(rate);
}

void ThreadedAudio::bufferAudioData(QSharedPointer<QByteArray> data, double audioDataTime)
{
    if (audio_)
        audio_->bufferAudioData(data, audioDataTime);
}

} // namespace FFmpeg
