#include "support/PlaylistSignalRecorder.h"

#include "playlist/Playlist.h"
#include "playlist/PlaylistEntry.h"

#include <QWidget>

namespace testsupport {

namespace {

std::string boolText(bool value)
{
    return value ? "true" : "false";
}

std::string entryName(const MediaPlayer2::PlaylistEntry* entry)
{
    return entry ? entry->mediaParameters().filename() : "null";
}

std::string widgetName(const QWidget* widget)
{
    return widget ? widget->objectName().toStdString() : "null";
}

}  // namespace

PlaylistSignalRecorder::PlaylistSignalRecorder(std::shared_ptr<CallJournal> journal,
                                               MediaPlayer2::Playlist& playlist)
    : journal_(std::move(journal))
    , label_("playlist")
{
    recordActivations_(playlist);
    connect(&playlist, &MediaPlayer2::Playlist::mediaActiveChanged, this,
            [this](bool active) { write_("mediaActiveChanged(" + boolText(active) + ")"); });
    connect(&playlist, &MediaPlayer2::Playlist::hideWhenNotPlayingChanged, this,
            [this](bool hide) { write_("hideWhenNotPlayingChanged(" + boolText(hide) + ")"); });
}

PlaylistSignalRecorder::PlaylistSignalRecorder(std::shared_ptr<CallJournal> journal,
                                               MediaPlayer2::PlaylistEntry& entry, const std::string& label)
    : journal_(std::move(journal))
    , label_(label)
{
    recordActivations_(entry);
    connect(&entry, &MediaPlayer2::PlaylistEntry::loadingComplete, this, [this] { write_("loadingComplete()"); });
}

template <typename Source>
void PlaylistSignalRecorder::recordActivations_(Source& source)
{
    connect(&source, &Source::mediaActivated, this,
            [this](const MediaPlayer2::MediaParameters& params, const QSize& size) {
                write_("mediaActivated(" + params.filename() + ", " + std::to_string(size.width()) + "x"
                       + std::to_string(size.height()) + ")");
            });
    connect(&source, &Source::mediaPlaying, this,
            [this](QWidget* widget) { write_("mediaPlaying(" + widgetName(widget) + ")"); });
    connect(&source, &Source::entryActivated, this,
            [this](const MediaPlayer2::PlaylistEntry* entry) { write_("entryActivated(" + entryName(entry) + ")"); });
}

void PlaylistSignalRecorder::write_(const std::string& line)
{
    journal_->push_back(label_ + ": " + line);
}

}  // namespace testsupport
