#pragma once

#include "support/RecordingMediaFile.h"

#include <memory>
#include <string>

namespace MediaPlayer2 {
class Playlist;
class PlaylistEntry;
}  // namespace MediaPlayer2

namespace testsupport {

/// Writes the signals of a playlist or an entry into a journal as they are emitted, e.g.
/// "playlist: mediaActivated(a.mp4, 640x480)", "playlist: entryActivated(null)", so a test sees them
/// interleaved with the media commands of a RecordingMediaFileFactory sharing the journal.
/// Entries are named by their record's file name, widgets by their object name.
void recordSignals(const std::shared_ptr<CallJournal>& journal, MediaPlayer2::Playlist& playlist);
void recordSignals(const std::shared_ptr<CallJournal>& journal, MediaPlayer2::PlaylistEntry& entry,
                   const std::string& label);

}  // namespace testsupport
