#pragma once

// Plays one media file: opens it, builds the chain of stages below, spreads them over a decoder
// thread and the owning thread, and drives them from a media clock with a read tick and a frame
// tick. Threading on (off: everything lives in the owning thread and an AudioPlaybackSink there
// takes ThreadedAudio's place):
//
//   decoder thread "<file name> Decoder"
//                    packets         a packet          frames
//     FormatContextSource ──▶ FrameStore ──▶ VideoDecodeFilter ──┐    ConvertPixelFormatFilter
//        ▲    │   ▲  ▲          │   ▲ ▲                          │          │      ▲
//        │    │   └──┴ read on, │   │ └──────────────────────────┘          │      │ the picture
//        │    │      seek ──────┘   │                                       │      │ for the time
//        │    │ audio packets       │ showAt(t, rate)   ThreadedAudio       │ BGRA └── FrameStore
//   ─────┼────┼─────────────────────┼──────────────────────▲──────▲─────────┼─────────────────────
//   owning thread                   │                      │      │         ▼
//        │    ▼                     │              blocks  │      │ audio  videoFrameReady,
//        │  AudioDecodeFilter ─▶ AudioResampleFilter ──────┘      │        ToQImageFilter ─▶
//        │                                                       │ signals  videoImageReady
//        └── readForward, seek ── PlaybackPipeline: Clock, read tick, frame tick
//
// The frame store decides which picture shows, decoding on demand from the packets read ahead (see
// FrameStore.h). Stages talk only through the connections made here; the pipeline reaches stages
// of the decoder thread through queued calls, its own signals and the source's thread-safe seek
// request.

#include "ffmpeg/Frame.h"

#include <QImage>
#include <QObject>
#include <QSharedPointer>
#include <QSize>
#include <QString>

#include <memory>
#include <mutex>

class QThread;
class QTimer;

namespace FFmpeg {

class AudioDecodeFilter;
class AudioPlaybackSink;
class AudioResampleFilter;
class Clock;
class CodecContext;
class ConvertPixelFormatFilter;
class FormatContext;
class FormatContextSource;
class FrameStore;
class ToQImageFilter;
class VideoDecodeFilter;

class PlaybackPipeline : public QObject
{
    Q_OBJECT

public:
    enum MediaStatus { NoMedia = 0, InvalidMedia = 1, LoadedMedia = 2, EndOfMedia = 3 };
    Q_ENUM(MediaStatus)

    enum PlaybackState { Stopped = 0, Playing = 1 };
    Q_ENUM(PlaybackState)

    enum LoadError {
        LoadSucceeded = 0,
        OpenFailed = 1,
        UnsupportedVideoCodec = 2,
        UnsupportedAudioCodec = 3,
        NoSupportedCodec = 4
    };
    Q_ENUM(LoadError)

    // Seconds of packets read ahead: the frame store asks for more itself when it runs short, and
    // every further second is memory in each video of a host.
    static constexpr double kDefaultBufferDuration = 1.0;

    explicit PlaybackPipeline(QObject* parent = nullptr);
    ~PlaybackPipeline() override;

    MediaStatus mediaStatus() const;
    PlaybackState playbackState() const;
    LoadError lastLoadError() const;
    double volume() const;
    double playbackRate() const;
    double bufferDuration() const;
    bool audioOnlyInRealTime() const;
    bool isQImageOutputEnabled() const;
    bool isThreadingEnabled() const;
    QString audioCodecName() const;
    QString videoCodecName() const;
    bool hasValidAudio() const;
    bool hasValidVideo() const;
    double duration() const;
    // The clock's time, limited to the media's length.
    double mediaTime() const;
    // The picture size, -1 by -1 without video.
    QSize size() const;
    // Bytes of decoded pictures the frame store may hold: MP2_FRAME_MEMORY_MIB mebibytes when set, else
    // FrameStore::kDefaultMemoryBudget.
    qint64 frameMemoryBudget() const;
    // Decoded pictures the frame store holds now.
    int heldPictures() const;
    // Media time of the latest packet read from the file; -1 before the first.
    double readTime() const;

signals:
    void videoFrameReady(std::shared_ptr<FFmpeg::Frame> frame);
    void mediaStatusChanged(FFmpeg::PlaybackPipeline::MediaStatus mediaStatus);
    void playbackStateChanged(FFmpeg::PlaybackPipeline::PlaybackState playbackState);
    void videoImageReady(QSharedPointer<QImage> image);
    // Drive the threaded audio output.
    void audioStarted();
    void audioStopped();
    void audioPaused();
    void audioSynchronized(double time);
    void audioVolumeChanged(double volume);
    void audioPlaybackRateChanged(double rate);

public slots:
    LoadError loadFile(QString filename, bool videoOnly);
    LoadError loadFile(QString filename);
    int close();
    // 1 when nothing playable is loaded, the rate is 0, or the media is at its end in the
    // direction of play.
    int play();
    int seek(double mediaTime);
    // Pauses: the position is kept.
    int stop();
    void setBufferDuration(double bufferDuration);
    void setFrameMemoryBudget(qint64 bytes);
    void setVolume(double volume);
    void setPlaybackRate(double rate);
    void setAudioOnlyInRealTime(bool audioOnlyInRealTime);
    void setQImageOutputEnabled(bool enableIt);
    // Takes effect at the next load.
    void setThreadingEnabled(bool enableIt);

private slots:
    void readMoreData_();
    void pushNextVideoFrame_();

private:
    LoadError loadFile_(const QString& filename, bool videoOnly);
    void openCodecs_(bool videoOnly);
    void createSource_(const QString& filename);
    void createVideoChain_();
    void createAudioChain_();
    void createThreadedAudio_();
    void createAudioSink_();
    int play_();
    int seek_(double mediaTime);
    void setPlaybackRate_(double rate);
    bool isValidAudioRate_() const;
    // Samples per second the resampler makes so that playing them at the device rate plays the
    // media at the present rate.
    int resampledAudioRate_() const;
    void synchronizeAudio_(double mediaTime);
    // Whether sound is heard now, so that the source must read from where the clock is.
    bool isSounding_() const;
    // Tells the frame store where the clock is and how it moves.
    void showPicture_(double mediaTime);
    // From the decoder thread: the newest converted picture waits in one slot for the owning thread,
    // which takes it when it comes to it. An owning thread that falls behind finds the newest picture
    // there, not a queue of pictures it has no time for (each a few megabytes), and a picture still
    // waiting there is converted over: the converter's pool holds two pictures, not three.
    void offerPicture_(std::shared_ptr<Frame> frame);
    std::shared_ptr<Frame> takeOfferedPicture_();
    void deliverOfferedPicture_();
    void setMediaStatus_(MediaStatus mediaStatus);
    void setPlaybackState_(PlaybackState playbackState);

    // Everything below belongs to the owning thread. The stages marked "decoder thread" live
    // there while threading is on: the pipeline only posts calls to them, and the thread deletes
    // them as it finishes.
    FormatContext* formatContext_;  // owned; opened and closed here, read by the source
    CodecContext* videoCodec_ = nullptr;  // owned
    QString videoCodecName_;
    CodecContext* audioCodec_ = nullptr;  // owned
    QString audioCodecName_;
    // Taken at load, so the owning thread never reads codec or container state the decoder
    // thread writes while it works.
    QSize videoSize_{-1, -1};
    double duration_ = 0.0;

    FormatContextSource* source_ = nullptr;               // decoder thread
    VideoDecodeFilter* videoDecoder_ = nullptr;           // decoder thread
    FrameStore* frameStore_ = nullptr;                    // decoder thread
    ConvertPixelFormatFilter* pixelConverter_ = nullptr;  // decoder thread
    ToQImageFilter* imageFilter_ = nullptr;
    AudioDecodeFilter* audioDecoder_ = nullptr;
    AudioResampleFilter* resampler_ = nullptr;
    AudioPlaybackSink* audioSink_ = nullptr;  // threading off only

    QTimer* readDataTimer_;  // child
    QTimer* frameTimer_;     // child
    Clock* clock_;           // child

    double volume_ = 1.0;
    MediaStatus mediaStatus_ = NoMedia;
    PlaybackState playbackState_ = Stopped;
    double playbackRate_ = 1.0;
    bool audioOnlyInRealTime_ = true;
    // Media seconds of packets read ahead of the clock (seconds of play above rate 1):
    // MP2_READ_AHEAD_SECONDS when the host sets it, else kDefaultBufferDuration.
    double bufferDuration_;
    bool qImageOutputEnabled_ = false;
    bool threadingEnabled_ = true;
    QThread* decoderThread_ = nullptr;  // owned
    // The one picture offered by the decoder thread and not yet delivered; guarded by the mutex.
    std::mutex offeredMutex_;
    std::shared_ptr<Frame> offered_;
    qint64 frameMemoryBudget_;
    // A paused seek may have left the source where no sound is wanted: play reads from the clock.
    bool soundToReposition_ = false;
    LoadError lastLoadError_ = LoadSucceeded;
};

} // namespace FFmpeg
