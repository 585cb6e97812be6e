#include "support/RecordingMediaFile.h"

#include <QLocale>

namespace testsupport {

std::string exactText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest).toStdString();
}

RecordingMediaFile::RecordingMediaFile(const RecordingProfile& profile, std::shared_ptr<CallJournal> journal,
                                       const std::string& label)
    : profile_(profile)
    , journal_(std::move(journal))
    , label_(label)
{
}

void RecordingMediaFile::setMedia(const QUrl& url)
{
    command_("setMedia(" + url.toLocalFile().toStdString() + ")");
    status_ = QMediaPlayer::LoadingMedia;
    if (profile_.loading == RecordingProfile::Loading::AtOnce)
        completeLoading();
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

void RecordingMediaFile::command_(const std::string& call)
{
    calls_.push_back(call);
    journal_->push_back(label_ + ": " + call);
}

MediaPlayer2::MediaFile* RecordingMediaFileFactory::loadMedia(const QString& filename,
                                                              MediaPlayer2::MediaParameters::FileType fileType)
{
    static const char* const TYPE_NAMES[] = {"UNDEFINED", "AUDIO", "VIDEO", "IMAGE"};
    requests_.push_back("loadMedia(" + filename.toStdString() + ", " + TYPE_NAMES[fileType] + ")");
    if (refused_.contains(filename))
        return nullptr;
    auto* file = new RecordingMediaFile(profiles_.value(filename), journal_, filename.toStdString());
    made_.insert(filename, file);
    file->setMedia(QUrl::fromLocalFile(filename));
    return file;
}

}  // namespace testsupport
