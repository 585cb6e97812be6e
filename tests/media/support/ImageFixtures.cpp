#include "support/ImageFixtures.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>

namespace testsupport {

ImageFixtures::ImageFixtures() = default;

QImage ImageFixtures::makePicture(int width, int height, QColor top, QColor bottom)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, width, height / 2, top);
    painter.fillRect(0, height / 2, width, height - height / 2, bottom);
    return picture;
}

QUrl ImageFixtures::writePicture(const QString& fileName, int width, int height, QColor top, QColor bottom)
{
    const QString path = dir_.filePath(fileName);
    if (!makePicture(width, height, top, bottom).save(path))
        return QUrl();
    return QUrl::fromLocalFile(path);
}

QList<QUrl> ImageFixtures::writeBrokenPictures()
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    makePicture(64, 64, Qt::red, Qt::blue).save(&buffer, "PNG");

    QByteArray noise(4096, '\0');
    QRandomGenerator generator(20261205);
    for (char& byte : noise)
        byte = static_cast<char>(generator.bounded(256));

    return {writeBytes_("truncated.png", png.left(png.size() / 2)), writeBytes_("noise.png", noise),
            writeBytes_("empty.jpg", QByteArray()), QUrl::fromLocalFile(dir_.filePath("missing.bmp"))};
}

QUrl ImageFixtures::writeBytes_(const QString& fileName, const QByteArray& content)
{
    QFile file(dir_.filePath(fileName));
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return QUrl::fromLocalFile(file.fileName());
}

}  // namespace testsupport
