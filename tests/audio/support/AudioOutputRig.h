#pragma once

#include "support/Tones.h"

#include "ffmpeg/AudioPlaybackSink.h"
#include "ffmpeg/Clock.h"

#include <QObject>
#include <QThread>
#include <QTimer>

#include <memory>
#include <ostream>
#include <vector>

namespace AudioTest {

enum class Threading { Off, On };

inline void PrintTo(Threading threading, std::ostream* out)
{
    *out << (threading == Threading::On ? "threading on" : "threading off");
}

// Drives audio output the way the playback pipeline does, without decoding: a media clock, a
// 16 ms frame tick that synchronises the audio to it, play, seek, volume and rate. With
// threading off it calls a sink directly; with threading on it reaches a ThreadedAudio in its own
// thread through queued signals only. Audio blocks enter as the resampler's output.
class AudioOutputRig : public QObject
{
    Q_OBJECT
public:
    explicit AudioOutputRig(Threading threading);
    ~AudioOutputRig() override;

    void feed(const std::vector<AudioBlock>& blocks);
    void play();
    // What a seek does to audio: everything queued is dropped and the clock jumps to the target.
    void seek(double mediaTime);
    void setVolume(double volume);
    void setPlaybackRate(double rate);

    double clockTime() const;

signals:
    void rawAudioReady(QSharedPointer<QByteArray> rawAudio, double audioDataTime);
    void aboutToSeek(double mediaTime);
    void audioStarted();
    void audioSynchronized(double time);
    void audioVolumeChanged(double volume);
    void audioPlaybackRateChanged(double rate);

private slots:
    void frameTick_();

private:
    // All members belong to the test's thread; the threaded audio lives in audioThread_.
    FFmpeg::Clock clock_;
    QTimer frameTimer_;
    double playbackRate_ = 1.0;
    bool playing_ = false;
    std::unique_ptr<FFmpeg::AudioPlaybackSink> sink_;  // threading off
    std::unique_ptr<QThread> audioThread_;             // threading on
};

} // namespace AudioTest
