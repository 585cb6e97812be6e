#include "media/ImageFile.h"

#include <QImageReader>
#include <gtest/gtest.h>

using MediaPlayer2::ImageFile;

TEST(ImageFileSupportsFileTest, OnlyTheLastExtensionCountsInAnyCaseWithoutOpeningAnything)
{
    ASSERT_TRUE(QImageReader::supportedImageFormats().contains("png"));
    for (const QString& name : {QString("photo.PNG"), QString("/data/some.dir/archive.tar.png"),
                                QString::fromUtf8("/bilder/stra\xc3\x9f" "e.Png")})
        EXPECT_TRUE(ImageFile::supportsFile(name)) << name.toStdString();
    for (const char* name : {"movie.avi", "noextension", "/data/some.png/noextension", "trailingdot.", "", "photo.png.avi"})
        EXPECT_FALSE(ImageFile::supportsFile(name)) << name;
}
