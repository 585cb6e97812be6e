#pragma once

#include "media/MediaFile.h"

#include <QString>

namespace MediaPlayer2 {

/// A still image as a media file: loaded once, without time. Subclasses present the picture.
class ImageFile : public MediaFile {
    Q_OBJECT

public:
    explicit ImageFile(QObject* parent = nullptr);
    ~ImageFile() override;

    /// Whether the file's extension (case-insensitive) names an image format that this Qt
    /// installation can read. Decided from the name alone; the file is not opened.
    static bool supportsFile(const QString& fileName);
};

}  // namespace MediaPlayer2
