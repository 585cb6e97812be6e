#include "support/RecordingMediaFile.h"

#include <QLocale>
#include <QWidget>

#include <algorithm>

namespace testsupport {

namespace {

// Queries answer without acting on the media; commands() leaves them out.
const std::vector<std::string> QUERY_NAMES = {"mediaStatus", "outputWidget", "outputNode", "duration",
                                              "hasDuration", "isLoadingComplete", "nativeSize"};

bool isQuery(const std::string& call)
{
    const std::string name = call.substr(0, call.find('('));
    return std::find(QUERY_NAMES.begin(), QUERY_NAMES.end(), name) != QUERY_NAMES.end();
}

std::string boolText(bool value)
{
    return value ? "true" : "false";
}

std::string typeName(MediaPlayer2::MediaParameters::FileType type)
{
    switch (type) {
    case MediaPlayer2::MediaParameters::UNDEFINED:
        return "UNDEFINED";
    case MediaPlayer2::MediaParameters::AUDIO:
        return "AUDIO";
    case MediaPlayer2::MediaParameters::VIDEO:
        return "VIDEO";
    case MediaPlayer2::MediaParameters::IMAGE:
        return "IMAGE";
    }
    return std::to_string(static_cast<int>(type));
}

}  // namespace

std::string exactText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest).toStdString();
}

RecordingMediaFile::RecordingMediaFile(const RecordingProfile& profile, QObject* parent)
    : MediaFile(parent)
    , profile_(profile)
{
}

void RecordingMediaFile::setMedia(const QUrl& url)
{
    command_("setMedia(" + url.toLocalFile().toStdString() + ")");
    status_ = QMediaPlayer::LoadingMedia;
    if (profile_.loading == RecordingProfile::Loading::AtOnce)
        completeLoading();
}

QMediaPlayer::MediaStatus RecordingMediaFile::mediaStatus() const
{
    record_("mediaStatus()");
    return status_;
}

QWidget* RecordingMediaFile::outputWidget() const
{
    record_("outputWidget()");
    return profile_.outputWidget;
}

osg::Node* RecordingMediaFile::outputNode() const
{
    record_("outputNode()");
    return profile_.outputNode.get();
}

double RecordingMediaFile::duration() const
{
    record_("duration()");
    return profile_.duration.value_or(0.0);
}

bool RecordingMediaFile::hasDuration() const
{
    record_("hasDuration()");
    return profile_.duration.has_value();
}

bool RecordingMediaFile::isLoadingComplete() const
{
    record_("isLoadingComplete()");
    return status_ == QMediaPlayer::LoadedMedia;
}

QSize RecordingMediaFile::nativeSize() const
{
    record_("nativeSize()");
    return profile_.nativeSize;
}

int RecordingMediaFile::seekTo(double position, double allowedDelta)
{
    command_("seekTo(" + exactText(position) + ", " + exactText(allowedDelta) + ")");
    return 0;
}

void RecordingMediaFile::setPlaybackRate(double multipleOfRealtime)
{
    command_("setPlaybackRate(" + exactText(multipleOfRealtime) + ")");
}

void RecordingMediaFile::setMuted(bool muted)
{
    command_("setMuted(" + boolText(muted) + ")");
}

void RecordingMediaFile::setVolume(int volume)
{
    command_("setVolume(" + std::to_string(volume) + ")");
}

void RecordingMediaFile::play()
{
    command_("play()");
}

void RecordingMediaFile::pause()
{
    command_("pause()");
}

void RecordingMediaFile::show()
{
    command_("show()");
    emit mediaPlaying(profile_.outputWidget);
}

void RecordingMediaFile::completeLoading()
{
    status_ = QMediaPlayer::LoadedMedia;
    emit loadingComplete();
}

std::vector<std::string> RecordingMediaFile::commands() const
{
    std::vector<std::string> result;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(result),
                 [](const std::string& call) { return !isQuery(call); });
    return result;
}

void RecordingMediaFile::setJournal(std::shared_ptr<CallJournal> journal, const std::string& label)
{
    journal_ = std::move(journal);
    label_ = label;
}

void RecordingMediaFile::record_(const std::string& call) const
{
    calls_.push_back(call);
}

void RecordingMediaFile::command_(const std::string& call)
{
    record_(call);
    if (journal_)
        journal_->push_back(label_ + ": " + call);
}

RecordingMediaFileFactory::RecordingMediaFileFactory()
    : journal_(std::make_shared<CallJournal>())
{
}

void RecordingMediaFileFactory::setProfile(const QString& filename, const RecordingProfile& profile)
{
    profiles_.insert(filename, profile);
}

void RecordingMediaFileFactory::refuse(const QString& filename)
{
    refused_.append(filename);
}

MediaPlayer2::MediaFile* RecordingMediaFileFactory::loadMedia(const QString& filename,
                                                              MediaPlayer2::MediaParameters::FileType fileType)
{
    requests_.push_back("loadMedia(" + filename.toStdString() + ", " + typeName(fileType) + ")");
    if (refused_.contains(filename))
        return nullptr;
    auto* file = new RecordingMediaFile(profiles_.value(filename, defaultProfile_));
    file->setJournal(journal_, filename.toStdString());
    made_.insert(filename, file);
    file->setMedia(QUrl::fromLocalFile(filename));
    return file;
}

RecordingMediaFile* RecordingMediaFileFactory::file(const QString& filename) const
{
    return made_.value(filename).data();
}

}  // namespace testsupport
