#pragma once

#include "media/MediaParameters.h"

#include <QString>

namespace MediaPlayer2 {

class MediaFile;

/// Decides which concrete media file plays a file, and makes it.
class MediaFileFactory {
public:
    virtual ~MediaFileFactory();

    /// A new media file without Qt parent, owned by the caller, already told to load filename;
    /// null when none can be made.
    virtual MediaFile* loadMedia(const QString& filename, MediaParameters::FileType fileType) = 0;
};

}  // namespace MediaPlayer2
