#pragma once

#include "media/MediaFileFactory.h"

#include <QLabel>

#include <memory>
#include <vector>

namespace MediaPlayer2 {
class LoadProgressObserver;
}

/// Makes media files that show themselves in windows, as a windowed host does: images in labels,
/// everything else in an OpenGL video window with sound. Every file is announced to the progress
/// observer before it starts loading.
class WindowMediaFactory : public MediaPlayer2::MediaFileFactory {
public:
    explicit WindowMediaFactory(MediaPlayer2::LoadProgressObserver& progress);
    ~WindowMediaFactory() override;

    MediaPlayer2::MediaFile* loadMedia(const QString& filename, MediaPlayer2::MediaParameters::FileType fileType) override;

private:
    MediaPlayer2::LoadProgressObserver& progress_;
    // The image files' windows. Image files only borrow their label, so the factory keeps them and
    // must outlive the playlist that holds the files.
    std::vector<std::unique_ptr<QLabel>> labels_;
};
