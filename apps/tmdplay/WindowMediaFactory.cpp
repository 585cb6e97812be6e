#include "WindowMediaFactory.h"

#include "media/FFmpegGlWidgetMediaFile.h"
#include "media/ImageFileWithLabel.h"
#include "media/LoadProgressObserver.h"

#include <QUrl>

WindowMediaFactory::WindowMediaFactory(MediaPlayer2::LoadProgressObserver& progress)
    : progress_(progress)
{
}

WindowMediaFactory::~WindowMediaFactory() = default;

MediaPlayer2::MediaFile* WindowMediaFactory::loadMedia(const QString& filename,
                                                       MediaPlayer2::MediaParameters::FileType fileType)
{
    MediaPlayer2::MediaFile* file = nullptr;
    if (fileType == MediaPlayer2::MediaParameters::IMAGE || MediaPlayer2::ImageFile::supportsFile(filename)) {
        auto* image = new MediaPlayer2::ImageFileWithLabel;
        labels_.push_back(std::make_unique<QLabel>());
        labels_.back()->setScaledContents(true);
        image->setImageOutput(labels_.back().get());
        file = image;
    } else {
        file = new MediaPlayer2::FFmpegGlWidgetMediaFile;
    }
    progress_.watchFile(file);
    file->setMedia(QUrl::fromLocalFile(filename));
    return file;
}
