#pragma once

#include <QByteArray>
#include <QObject>
#include <QSharedPointer>

#include <memory>

namespace FFmpeg {

class AudioPlaybackSink;

// Lets the pipeline drive an audio sink that lives in another thread through queued signals
// only. The sink is made by createAudio() in the calling thread, which is this object's own
// thread when the call comes from that thread's started() signal; until then every slot does
// nothing.
class ThreadedAudio : public QObject
{
    Q_OBJECT
public:
    ThreadedAudio();
    // Deletes the sink in whichever thread destroys the wrapper.
    ~ThreadedAudio() override;

public slots:
    void createAudio();
    void play();
    void pause();
    void stop();
    void synchronize(double time);
    void setVolume(double volume);
    void setPlaybackRate(double rate);
    void bufferAudioData(QSharedPointer<QByteArray> data, double audioDataTime);

private:
    // Belongs to the thread that created it (the decoder thread when wired by the pipeline).
    std::shared_ptr<AudioPlaybackSink> audio_;
};

} // namespace FFmpeg
