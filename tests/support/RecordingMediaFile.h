#pragma once

#include "media/MediaFile.h"
#include "media/MediaFileFactory.h"

#include <QMap>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace testsupport {

/// Commands of several media files (and whatever else a test adds) in the one order they happened.
using CallJournal = std::vector<std::string>;

/// How a recording media file behaves.
struct RecordingProfile {
    enum class Loading {
        AtOnce,  ///< setMedia completes loading before it returns, as the real media files do
        Later,   ///< loading completes only when the test calls completeLoading()
    };
    Loading loading = Loading::AtOnce;
    /// Without a value the media has no duration: hasDuration() false, duration() 0.
    std::optional<double> duration;
    QSize nativeSize{640, 480};
    QWidget* outputWidget = nullptr;
};

/// A media file that plays nothing and records every call made on it, with its arguments, in order,
/// as text such as "seekTo(2.5, 1)" (numbers in their shortest exact form, so equal text means an
/// equal value). It keeps the media file contract: show() emits mediaPlaying(outputWidget()), and
/// loading completes as the profile says, emitting loadingComplete().
class RecordingMediaFile : public MediaPlayer2::MediaFile {
    Q_OBJECT

public:
    explicit RecordingMediaFile(const RecordingProfile& profile,
                                std::shared_ptr<CallJournal> journal = std::make_shared<CallJournal>(),
                                const std::string& label = "media");

    void setMedia(const QUrl& url) override;
    QMediaPlayer::MediaStatus mediaStatus() const override { return query_("mediaStatus()", status_); }
    QWidget* outputWidget() const override { return query_("outputWidget()", profile_.outputWidget); }
    osg::Node* outputNode() const override { return query_<osg::Node*>("outputNode()", nullptr); }
    double duration() const override { return query_("duration()", profile_.duration.value_or(0.0)); }
    bool hasDuration() const override { return query_("hasDuration()", profile_.duration.has_value()); }
    bool isLoadingComplete() const override { return query_("isLoadingComplete()", status_ == QMediaPlayer::LoadedMedia); }
    QSize nativeSize() const override { return query_("nativeSize()", profile_.nativeSize); }

    int seekTo(double position, double allowedDelta) override;
    void setPlaybackRate(double multipleOfRealtime) override;
    void setMuted(bool muted) override { command_(std::string("setMuted(") + (muted ? "true" : "false") + ")"); }
    void setVolume(int volume) override { command_("setVolume(" + std::to_string(volume) + ")"); }
    void play() override { command_("play()"); }
    void pause() override { command_("pause()"); }
    void show() override;

    /// Finishes loading: status loaded, then loadingComplete(). Each further call reports again.
    void completeLoading();

    /// Every call in order, queries included ("nativeSize()").
    const std::vector<std::string>& calls() const { return calls_; }

private:
    template <typename Value>
    Value query_(const std::string& call, Value value) const
    {
        calls_.push_back(call);
        return value;
    }
    /// Records a call that acts on the media, also in the journal as "<label>: <call>".
    void command_(const std::string& call);

    RecordingProfile profile_;
    QMediaPlayer::MediaStatus status_ = QMediaPlayer::NoMedia;
    mutable std::vector<std::string> calls_;  // queries are const but are recorded too
    std::shared_ptr<CallJournal> journal_;
    std::string label_;
};

/// Makes recording media files, each told to load at once (completing as its profile says), and keeps
/// track of what it was asked for and what it made. The files belong to the caller.
class RecordingMediaFileFactory : public MediaPlayer2::MediaFileFactory {
public:
    void setProfile(const QString& filename, const RecordingProfile& profile) { profiles_.insert(filename, profile); }
    /// The factory makes no media file for this name.
    void refuse(const QString& filename) { refused_.append(filename); }

    MediaPlayer2::MediaFile* loadMedia(const QString& filename,
                                       MediaPlayer2::MediaParameters::FileType fileType) override;

    /// Every request in order, as "loadMedia(<file name>, <type name>)".
    const std::vector<std::string>& requests() const { return requests_; }
    /// The file last made for this name; null when none was made or its owner destroyed it.
    RecordingMediaFile* file(const QString& filename) const { return made_.value(filename).data(); }
    /// Commands of all files made, in order, each as "<file name>: <command>". Shared with the files,
    /// so a test may append its own lines to see them interleaved.
    std::shared_ptr<CallJournal> journal() const { return journal_; }

private:
    QMap<QString, RecordingProfile> profiles_;
    QStringList refused_;
    std::vector<std::string> requests_;
    QMap<QString, QPointer<RecordingMediaFile>> made_;
    std::shared_ptr<CallJournal> journal_ = std::make_shared<CallJournal>();
};

/// Shortest text that reads back as exactly this value ("2.5", "0.1", "-3").
std::string exactText(double value);

}  // namespace testsupport
