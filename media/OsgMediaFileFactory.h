#pragma once

#include "media/MediaFileFactory.h"

namespace MediaPlayer2 {

class LoadProgressObserver;

/// Makes media files that show themselves in the scene graph: still images on a quad, everything
/// else through FFmpeg on a quad. Can announce every file it makes to a load-progress observer
/// before the file starts loading, so that even a file that loads at once is counted.
class OsgMediaFileFactory : public MediaFileFactory {
public:
    OsgMediaFileFactory();
    ~OsgMediaFileFactory() override;

    /// Not owned; null stops the reporting.
    void setLoadProgressObserver(LoadProgressObserver* observer);

    /// A file whose extension names a readable image format, or any file typed as an image, becomes
    /// an image; anything else is decoded by FFmpeg. Loads synchronously; never null.
    MediaFile* loadMedia(const QString& filename, MediaParameters::FileType fileType) override;

private:
    LoadProgressObserver* loadProgressObserver_ = nullptr;  // not owned
};

}  // namespace MediaPlayer2
