#pragma once

#include "support/RecordingMediaFile.h"

#include <QObject>

#include <memory>

namespace MediaPlayer2 {
class Playlist;
class PlaylistEntry;
}  // namespace MediaPlayer2

namespace testsupport {

/// Writes the signals of a playlist or an entry into a journal as they are emitted, e.g.
/// "playlist: mediaActivated(a.mp4, 640x480)", "playlist: entryActivated(null)", so a test sees them
/// interleaved with the media commands of a RecordingMediaFileFactory sharing the journal.
/// Entries are named by their record's file name, widgets by their object name.
class PlaylistSignalRecorder : public QObject {
    Q_OBJECT

public:
    PlaylistSignalRecorder(std::shared_ptr<CallJournal> journal, MediaPlayer2::Playlist& playlist);
    PlaylistSignalRecorder(std::shared_ptr<CallJournal> journal, MediaPlayer2::PlaylistEntry& entry,
                           const std::string& label);

private:
    template <typename Source>
    void recordActivations_(Source& source);
    void write_(const std::string& line);

    std::shared_ptr<CallJournal> journal_;
    std::string label_;
};

}  // namespace testsupport
