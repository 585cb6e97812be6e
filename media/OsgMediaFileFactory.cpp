#include "media/OsgMediaFileFactory.h"

#include "media/FFmpegOsgMultimediaFile.h"
#include "media/ImageFile.h"
#include "media/ImageFileWithVideoQuad.h"
#include "media/LoadProgressObserver.h"

#include <QUrl>

namespace MediaPlayer2 {

OsgMediaFileFactory::OsgMediaFileFactory() = default;

OsgMediaFileFactory::~OsgMediaFileFactory() = default;

void OsgMediaFileFactory::setLoadProgressObserver(LoadProgressObserver* observer)
{
    loadProgressObserver_ = observer;
}

MediaFile* OsgMediaFileFactory::loadMedia(const QString& filename, MediaParameters::FileType fileType)
{
    const bool readableImage = ImageFile::supportsFile(filename);
    MediaFile* file = nullptr;
    if (fileType != MediaParameters::IMAGE && !readableImage)
        file = new FFmpegOsgMultimediaFile;
    else
        file = new ImageFileWithVideoQuad;
    // Before loading, so that the observer hears the loadingComplete() emitted inside setMedia.
    if (loadProgressObserver_)
        loadProgressObserver_->watchFile(file);
    file->setMedia(QUrl::fromLocalFile(filename));
    return file;
}

}  // namespace MediaPlayer2
