#include "support/PlaylistSignalRecorder.h"

#include "playlist/Playlist.h"
#include "playlist/PlaylistEntry.h"

#include <QWidget>

namespace testsupport {

namespace {

template <typename Source>
void recordActivations(const std::shared_ptr<CallJournal>& journal, Source& source, const std::string& label)
{
    const auto write = [journal, label](const std::string& line) { journal->push_back(label + ": " + line); };
    QObject::connect(&source, &Source::mediaActivated, [write](const MediaPlayer2::MediaParameters& params, const QSize& size) {
        write("mediaActivated(" + params.filename() + ", " + std::to_string(size.width()) + "x"
              + std::to_string(size.height()) + ")");
    });
    QObject::connect(&source, &Source::mediaPlaying, [write](QWidget* widget) {
        write("mediaPlaying(" + (widget ? widget->objectName().toStdString() : "null") + ")");
    });
    QObject::connect(&source, &Source::entryActivated, [write](const MediaPlayer2::PlaylistEntry* entry) {
        write("entryActivated(" + (entry ? entry->mediaParameters().filename() : "null") + ")");
    });
}

}  // namespace

void recordSignals(const std::shared_ptr<CallJournal>& journal, MediaPlayer2::Playlist& playlist)
{
    recordActivations(journal, playlist, "playlist");
    QObject::connect(&playlist, &MediaPlayer2::Playlist::mediaActiveChanged, [journal](bool active) {
        journal->push_back(std::string("playlist: mediaActiveChanged(") + (active ? "true" : "false") + ")");
    });
}

void recordSignals(const std::shared_ptr<CallJournal>& journal, MediaPlayer2::PlaylistEntry& entry,
                   const std::string& label)
{
    recordActivations(journal, entry, label);
    QObject::connect(&entry, &MediaPlayer2::PlaylistEntry::loadingComplete,
                     [journal, label] { journal->push_back(label + ": loadingComplete()"); });
}

}  // namespace testsupport
