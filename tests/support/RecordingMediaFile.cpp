#include "support/RecordingMediaFile.h"

#include <QLocale>

namespace testsupport {

void RecordingMediaFile::setMedia(const QUrl& url)
{
    write_("setMedia(" + url.toLocalFile().toStdString() + ")");
    status_ = QMediaPlayer::LoadingMedia;
    if (!profile_.loadsLater)
        completeLoading();
}

void RecordingMediaFile::show()
{
    write_("show()");
    emit mediaPlaying(profile_.outputWidget);
}

void RecordingMediaFile::completeLoading()
{
    status_ = QMediaPlayer::LoadedMedia;
    emit loadingComplete();
}

void RecordingMediaFile::write_(const char* call, double value, std::optional<double> second)
{
    const auto exact = [](double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest).toStdString(); };
    write_(std::string(call) + "(" + exact(value) + (second ? ", " + exact(*second) : "") + ")");
}

MediaPlayer2::MediaFile* RecordingMediaFileFactory::loadMedia(const QString& filename,
                                                              MediaPlayer2::MediaParameters::FileType fileType)
{
    static const char* const kTypeNames[] = {"UNDEFINED", "AUDIO", "VIDEO", "IMAGE"};
    requests.push_back("loadMedia(" + filename.toStdString() + ", " + kTypeNames[fileType] + ")");
    if (refused.contains(filename))
        return nullptr;
    auto* file = new RecordingMediaFile(profiles.value(filename), journal, filename.toStdString());
    made_.insert(filename, file);
    file->setMedia(QUrl::fromLocalFile(filename));
    return file;
}

}  // namespace testsupport
