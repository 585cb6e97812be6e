// Which media file the scene-graph factory makes for a file and its listed type, that it has the
// file loaded before returning it, and that a load-progress observer hears of every file in time
// to count even one that loads at once.

#include "media/FFmpegOsgMultimediaFile.h"
#include "media/ImageFileWithVideoQuad.h"
#include "media/OsgMediaFileFactory.h"
#include "media/LoadProgressObserver.h"
#include "support/NotifyCapture.h"
#include "support/TestMedia.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using MediaPlayer2::MediaFile;
using MediaPlayer2::MediaParameters;

TEST(OsgMediaFileFactory, ReadableImageExtensionsAndImageTypesMakeImagesEverythingElseVideo)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString picture = folder.filePath("picture.png");
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(picture));
    const auto media = [](const char* name) { return QString::fromStdString(TestMedia::path(name)); };

    testsupport::NotifyCapture quiet(1);
    MediaPlayer2::LoadProgressObserver observer;
    MediaPlayer2::OsgMediaFileFactory factory;
    factory.setLoadProgressObserver(&observer);
    struct Case
    {
        QString path;
        MediaParameters::FileType type;
        bool image;
        QMediaPlayer::MediaStatus status;
    };
    int count = 0;
    for (const Case& item : {
             Case{picture, MediaParameters::VIDEO, true, QMediaPlayer::LoadedMedia},
             Case{picture, MediaParameters::UNDEFINED, true, QMediaPlayer::LoadedMedia},
             Case{media("mpeg4_mp3.avi"), MediaParameters::IMAGE, true, QMediaPlayer::InvalidMedia},
             Case{media("mpeg4_mp3.avi"), MediaParameters::VIDEO, false, QMediaPlayer::LoadedMedia},
             Case{media("h264_aac.mp4"), MediaParameters::UNDEFINED, false, QMediaPlayer::LoadedMedia},
             Case{media("tone_stereo_44100.mp3"), MediaParameters::AUDIO, false, QMediaPlayer::LoadedMedia},
             // Files that are missing still yield a media file that has finished loading, and count.
             Case{media("no-such-file.mp4"), MediaParameters::UNDEFINED, false, QMediaPlayer::NoMedia},
             Case{media("no-such-file.png"), MediaParameters::UNDEFINED, true, QMediaPlayer::InvalidMedia},
         }) {
        SCOPED_TRACE(item.path.toStdString() + " as type " + std::to_string(item.type));
        std::unique_ptr<MediaFile> file(factory.loadMedia(item.path, item.type));
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->parent(), nullptr);
        EXPECT_EQ(dynamic_cast<MediaPlayer2::ImageFileWithVideoQuad*>(file.get()) != nullptr, item.image);
        EXPECT_EQ(dynamic_cast<MediaPlayer2::FFmpegOsgMultimediaFile*>(file.get()) != nullptr, !item.image);
        EXPECT_TRUE(file->isLoadingComplete());
        EXPECT_EQ(file->mediaStatus(), item.status);
        EXPECT_NE(file->outputNode(), nullptr);
        EXPECT_EQ(observer.numFilesLoaded(), ++count);
    }

    factory.setLoadProgressObserver(nullptr);
    std::unique_ptr<MediaFile> unwatched(factory.loadMedia(media("mjpeg.mov"), MediaParameters::VIDEO));
    EXPECT_EQ(observer.numFilesLoaded(), count);
}
