#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QSharedPointer>

class QAudioOutput;
class QBuffer;

namespace FFmpeg {

// Plays timed blocks of PCM audio through the default output device and holds the sound at the
// media time it is told. All queued audio lives in one growing byte buffer that the device reads
// from; every byte position maps to a media time, so the sink can place blocks by their times,
// say which media time it is playing, trim what was played and jump to any buffered time.
//
// The sink never changes the speed of the sound: audio for rate r arrives resampled to 44100 / r
// samples per media second and is played at the device rate, so one second of playing carries r
// seconds of media. Positions and media times are converted with that factor.
class AudioPlaybackSink : public QObject
{
    Q_OBJECT
public:
    enum State {
        Stopped = 0,  // stopped, paused, or ready after a format was set
        Playing = 1,  // playing, or meant to play as soon as data is there
        Error = 2     // no usable output: format not supported, or the output failed
    };

    enum SampleType { UnknownType = 0, UInt8 = 1, Int16 = 2, Float32 = 3 };

    // Special results of the time-to-position mapping.
    static constexpr long long BEFORE_START = -1;
    static constexpr long long AFTER_END = -2;

    // Starts with signed 16-bit stereo at 44100 Hz, what the resampler produces.
    explicit AudioPlaybackSink(QObject* parent = nullptr);
    ~AudioPlaybackSink() override;

    // 0 when an output with that format exists afterwards, 1 otherwise. A format the default
    // device does not support leaves the sink without output, in state Error.
    int setFormat(const QAudioFormat& format);
    int setFormat(bool stereo, SampleType sampleType, int sampleRate);

    // -1 when there is nothing to synchronise, 0 when already playing within the tolerance of the
    // media time, 1 when the read position was moved to it.
    int synchronize(double mediaTime, double tolerance);

    void setVolume(double volume);
    double volume() const;
    State state() const;
    // The media time at the read position of the output.
    double mediaTime() const;
    // Bytes not yet played, and their playing time at the output format (0.0 without output).
    int queueByteLength() const;
    double queueDuration() const;

signals:
    void notify(double mediaTime);
    void stateChanged(State state);

public slots:
    void bufferAudioData(QSharedPointer<QByteArray> data, double audioDataTime);
    void stop();
    void pause();
    void play();
    void setPlaybackRate(double rate);
    double playbackRate();

private slots:
    void limitAudioBuffer_();
    void emitNotify_();

private:
    void setState_(State state);
    void startOutput_();
    void suspendOutput_();
    void releaseOutput_();
    void clearBuffer_();
    void truncateBuffer_(int index);
    double bufferStart_() const;
    double bufferEnd_() const;
    double bufferIndexToTime_(long long index) const;
    long long timeToBufferIndex_(double time) const;

    // All members belong to the thread the sink lives in; the output reads the buffer from there.
    QAudioOutput* audioOutput_ = nullptr;  // child; exists only while a supported format is set
    QBuffer* buffer_ = nullptr;            // child; its position is the output's read position
    double volume_ = 1.0;
    double bufferStartTime_ = 0.0;  // media time of the first byte of the buffer
    State state_ = Stopped;
    double playbackRate_ = 1.0;  // media seconds per second of playing; always positive
    int maxPlayedBytes_ = 1600;  // played bytes kept before the read position; set per format
};

} // namespace FFmpeg
