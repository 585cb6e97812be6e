#include "media/ImageFile.h"

#include <QImageReader>
#include <gtest/gtest.h>

using MediaPlayer2::ImageFile;

TEST(ImageFileSupportsFileTest, ReadableImageExtensionsAreAcceptedInAnyCase)
{
    ASSERT_TRUE(QImageReader::supportedImageFormats().contains("png"));
    EXPECT_TRUE(ImageFile::supportsFile("photo.png"));
    EXPECT_TRUE(ImageFile::supportsFile("photo.PNG"));
    EXPECT_TRUE(ImageFile::supportsFile("/data/some.dir/archive.tar.png"));
    EXPECT_TRUE(ImageFile::supportsFile(QString::fromUtf8("/bilder/stra\xc3\x9f" "e.Png")));
    EXPECT_EQ(ImageFile::supportsFile("scan.jpg"), QImageReader::supportedImageFormats().contains("jpg"));
}

TEST(ImageFileSupportsFileTest, OtherNamesAreRefusedWithoutOpeningAnything)
{
    EXPECT_FALSE(ImageFile::supportsFile("movie.avi"));
    EXPECT_FALSE(ImageFile::supportsFile("song.mp3"));
    EXPECT_FALSE(ImageFile::supportsFile("noextension"));
    EXPECT_FALSE(ImageFile::supportsFile("/data/some.png/noextension"));
    EXPECT_FALSE(ImageFile::supportsFile("trailingdot."));
    EXPECT_FALSE(ImageFile::supportsFile(""));
    EXPECT_FALSE(ImageFile::supportsFile("photo.png.avi"));
}
