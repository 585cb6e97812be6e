#include "support/AudioOutputRig.h"

#include "ffmpeg/ThreadedAudio.h"

namespace AudioTest {

namespace {

// The pipeline's frame tick and its audio tolerance.
constexpr int FRAME_TICK_MS = 16;
constexpr double SYNCHRONIZATION_TOLERANCE_SECONDS = 0.1;

} // namespace

AudioOutputRig::AudioOutputRig(Threading threading)
{
    clock_.setTimeRate(0.0);
    clock_.synchronizeToTime(0.0);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    frameTimer_.setInterval(FRAME_TICK_MS);
    connect(&frameTimer_, &QTimer::timeout, this, &AudioOutputRig::frameTick_);

    if (threading == Threading::Off) {
        sink_ = std::make_unique<FFmpeg::AudioPlaybackSink>();
        connect(this, &AudioOutputRig::rawAudioReady, sink_.get(), &FFmpeg::AudioPlaybackSink::bufferAudioData);
        connect(this, &AudioOutputRig::aboutToSeek, sink_.get(), &FFmpeg::AudioPlaybackSink::stop);
        return;
    }

    audioThread_ = std::make_unique<QThread>();
    auto* audio = new FFmpeg::ThreadedAudio;
    audio->moveToThread(audioThread_.get());
    connect(this, &AudioOutputRig::rawAudioReady, audio, &FFmpeg::ThreadedAudio::bufferAudioData);
    connect(this, &AudioOutputRig::aboutToSeek, audio, &FFmpeg::ThreadedAudio::stop);
    connect(this, &AudioOutputRig::audioStarted, audio, &FFmpeg::ThreadedAudio::play);
    connect(this, &AudioOutputRig::audioVolumeChanged, audio, &FFmpeg::ThreadedAudio::setVolume);
    connect(this, &AudioOutputRig::audioPlaybackRateChanged, audio, &FFmpeg::ThreadedAudio::setPlaybackRate);
    connect(this, &AudioOutputRig::audioSynchronized, audio, &FFmpeg::ThreadedAudio::synchronize);
    connect(audioThread_.get(), &QThread::started, audio, &FFmpeg::ThreadedAudio::createAudio);
    connect(audioThread_.get(), &QThread::finished, audio, &QObject::deleteLater);
    audioThread_->start();
}

AudioOutputRig::~AudioOutputRig()
{
    frameTimer_.stop();
    if (audioThread_) {
        audioThread_->quit();
        audioThread_->wait();
    }
}

void AudioOutputRig::feed(const std::vector<AudioBlock>& blocks)
{
    for (const AudioBlock& block : blocks)
        emit rawAudioReady(block.data, block.time);
}

void AudioOutputRig::play()
{
    playing_ = true;
    frameTimer_.start();
    if (sink_)
        sink_->play();
    else
        emit audioStarted();
    clock_.setTimeRate(playbackRate_);
}

void AudioOutputRig::seek(double mediaTime)
{
    emit aboutToSeek(mediaTime);
    clock_.synchronizeToTime(mediaTime);
}

void AudioOutputRig::setVolume(double volume)
{
    if (sink_)
        sink_->setVolume(volume);
    else
        emit audioVolumeChanged(volume);
}

void AudioOutputRig::setPlaybackRate(double rate)
{
    playbackRate_ = rate;
    if (playing_)
        clock_.setTimeRate(rate);
    if (sink_)
        sink_->setPlaybackRate(rate);
    else
        emit audioPlaybackRateChanged(rate);
}

double AudioOutputRig::clockTime() const
{
    return clock_.now();
}

void AudioOutputRig::frameTick_()
{
    const double time = clock_.now();
    if (time < 0.0)
        return;
    const bool clockRuns = clock_.timeRate() != 0.0;
    if (sink_) {
        sink_->synchronize(time, SYNCHRONIZATION_TOLERANCE_SECONDS);
        if (sink_->state() == FFmpeg::AudioPlaybackSink::Stopped && clockRuns)
            sink_->play();
    } else {
        emit audioSynchronized(time);
        if (clockRuns)
            emit audioStarted();
    }
}

} // namespace AudioTest
