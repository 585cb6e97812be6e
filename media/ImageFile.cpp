#include "media/ImageFile.h"

#include "orvCore/String.h"

#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <string>

namespace MediaPlayer2 {

ImageFile::ImageFile(QObject* parent)
    : MediaFile(parent)
{
}

ImageFile::~ImageFile() = default;

bool ImageFile::supportsFile(const QString& fileName)
{
    const std::string extension = orvCore::getExtension(fileName.toStdString(), true);
    const std::string::size_type dot = extension.find('.');
    if (dot == std::string::npos)
        return false;
    const QString format = QString::fromStdString(extension.substr(dot + 1));
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    return std::any_of(readable.begin(), readable.end(),
                       [&format](const QByteArray& name) { return QString::fromLatin1(name) == format; });
}

}  // namespace MediaPlayer2
