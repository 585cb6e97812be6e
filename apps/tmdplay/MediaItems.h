#pragma once

#include "media/MediaParameters.h"
#include "orvCore/Time.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace orvCore {
class FileSearch;
}

/// The item records of what tmdplay plays, read with the public loaders beside the playlist node
/// (which keeps its playlist to itself): where the time line starts, and which item each scene
/// child shows.
class MediaItems {
public:
    enum class Kind { Tmd, Playlist, Media };
    static Kind kindOf(const QString& fileName);

    /// A TMD or playlist file's items; a media file is one item at mediaStart.
    static MediaItems read(const QString& fileName, const orvCore::TimeStamp& mediaStart,
                           orvCore::FileSearch* fileSearch);

    bool isEmpty() const { return records_.empty(); }
    /// The earliest start; the default stamp when there is no item.
    orvCore::TimeStamp firstStart() const;
    /// The record whose scene child has this index: the playlist node appends one child per
    /// item in ascending start time and refuses items with a start time already taken.
    const MediaPlayer2::MediaParameters* recordOfChild(int index) const;

    /// A time string, or "+seconds" counted from origin; nothing when text is neither.
    static std::optional<orvCore::TimeStamp> resolveTime(const QString& text, const orvCore::TimeStamp& origin);

private:
    // Ascending start time, one per start time.
    std::vector<MediaPlayer2::MediaParameters> records_;
};
