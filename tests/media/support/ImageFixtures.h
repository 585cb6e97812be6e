#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace testsupport {

/// Picture files written by Qt's own image writers into a private temporary folder, and files that
/// no image reader accepts.
class ImageFixtures {
public:
    ImageFixtures();

    bool isValid() const { return dir_.isValid(); }

    /// A picture whose upper half is `top` and lower half `bottom`, saved in the format that the
    /// file name's extension names.
    QUrl writePicture(const QString& fileName, int width, int height, QColor top, QColor bottom);
    /// Broken files named like images: a truncated PNG, random bytes, an empty file and one that
    /// does not exist. Returns their URLs.
    QList<QUrl> writeBrokenPictures();

    static QImage makePicture(int width, int height, QColor top, QColor bottom);

private:
    QUrl writeBytes_(const QString& fileName, const QByteArray& content);

    QTemporaryDir dir_;
};

}  // namespace testsupport
