#pragma once

#include "media/MediaFile.h"
#include "media/MediaFileFactory.h"

#include <QMap>
#include <QPointer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

using Journal = std::vector<std::string>;

/// How a recording media file behaves.
struct RecordingProfile {
    bool loadsLater = false;         ///< loading completes only when the test calls completeLoading()
    std::optional<double> duration;  ///< none: the media has no duration
    QSize nativeSize{640, 480};
    QWidget* outputWidget = nullptr;
};

/// A media file that plays nothing: it writes each command it gets into a journal shared by every
/// file of its factory, as "<file>: seekTo(2.5, 1)" (numbers in their shortest exact form), and
/// keeps the media file contract: show() emits mediaPlaying(outputWidget()), loading completes as
/// the profile says, emitting loadingComplete().
class RecordingMediaFile : public MediaPlayer2::MediaFile {
    Q_OBJECT

public:
    RecordingMediaFile(const RecordingProfile& profile, std::shared_ptr<Journal> journal, const std::string& label)
        : profile_(profile), journal_(std::move(journal)), label_(label) {}

    void setMedia(const QUrl& url) override;
    QMediaPlayer::MediaStatus mediaStatus() const override { return status_; }
    QWidget* outputWidget() const override { return profile_.outputWidget; }
    osg::Node* outputNode() const override { return nullptr; }
    double duration() const override { return profile_.duration.value_or(0.0); }
    bool hasDuration() const override { return profile_.duration.has_value(); }
    bool isLoadingComplete() const override { return status_ == QMediaPlayer::LoadedMedia; }
    QSize nativeSize() const override { return profile_.nativeSize; }

    int seekTo(double position, double allowedDelta) override
    {
        write_("seekTo", position, allowedDelta);
        return 0;
    }
    void setPlaybackRate(double rate) override { write_("setPlaybackRate", rate); }
    void setMuted(bool muted) override { write_(muted ? "setMuted(true)" : "setMuted(false)"); }
    void setVolume(int volume) override { write_("setVolume", volume); }
    void play() override { write_("play()"); }
    void pause() override { write_("pause()"); }
    void show() override;
    void completeLoading();

private:
    void write_(const std::string& call) { journal_->push_back(label_ + ": " + call); }
    void write_(const char* call, double value, std::optional<double> second = {});

    RecordingProfile profile_;
    QMediaPlayer::MediaStatus status_ = QMediaPlayer::NoMedia;
    std::shared_ptr<Journal> journal_;
    std::string label_;
};

/// Makes recording media files, each told to load at once; the files belong to the caller.
class RecordingMediaFileFactory : public MediaPlayer2::MediaFileFactory {
public:
    MediaPlayer2::MediaFile* loadMedia(const QString& filename, MediaPlayer2::MediaParameters::FileType fileType) override;
    /// The file last made for a name; null when none was made or it was destroyed.
    RecordingMediaFile* file(const QString& filename) const { return made_.value(filename).data(); }

    QMap<QString, RecordingProfile> profiles;
    QStringList refused;                              ///< names it makes no file for
    std::vector<std::string> requests;                ///< "loadMedia(<file name>, <type name>)", in order
    std::shared_ptr<Journal> journal = std::make_shared<Journal>();  ///< every file's commands, in order

private:
    QMap<QString, QPointer<RecordingMediaFile>> made_;
};

}  // namespace testsupport
