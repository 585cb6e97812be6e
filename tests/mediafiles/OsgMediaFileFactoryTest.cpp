// Which media file the scene-graph factory makes for a file and its listed type, that it has the
// file loaded before returning it, and that a load-progress observer hears of every file in time
// to count even one that loads at once.

#include "media/FFmpegOsgMultimediaFile.h"
#include "media/ImageFileWithVideoQuad.h"
#include "media/OsgMediaFileFactory.h"
#include "playlist/LoadProgressObserver.h"
#include "support/NotifyCapture.h"
#include "support/SignalLog.h"
#include "support/TestMedia.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using MediaPlayer2::FFmpegOsgMultimediaFile;
using MediaPlayer2::ImageFileWithVideoQuad;
using MediaPlayer2::MediaFile;
using MediaPlayer2::MediaParameters;
using MediaPlayer2::OsgMediaFileFactory;

namespace {

QString mediaPath(const std::string& name)
{
    return QString::fromStdString(TestMedia::path(name));
}

template <typename Kind>
bool isA(const std::unique_ptr<MediaFile>& file)
{
    return dynamic_cast<Kind*>(file.get()) != nullptr;
}

} // namespace

TEST(OsgMediaFileFactory, ReadableImageExtensionsAndImageTypesMakeImagesEverythingElseVideo)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString picture = folder.filePath("picture.png");
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(picture));

    testsupport::NotifyCapture quiet(1);
    OsgMediaFileFactory factory;
    struct Case
    {
        QString path;
        MediaParameters::FileType type;
        bool image;
        QMediaPlayer::MediaStatus status;
    };
    for (const Case& item : {
             Case{picture, MediaParameters::VIDEO, true, QMediaPlayer::LoadedMedia},
             Case{picture, MediaParameters::UNDEFINED, true, QMediaPlayer::LoadedMedia},
             Case{mediaPath("mpeg4_mp3.avi"), MediaParameters::IMAGE, true, QMediaPlayer::InvalidMedia},
             Case{mediaPath("mpeg4_mp3.avi"), MediaParameters::VIDEO, false, QMediaPlayer::LoadedMedia},
             Case{mediaPath("h264_aac.mp4"), MediaParameters::UNDEFINED, false, QMediaPlayer::LoadedMedia},
             Case{mediaPath("tone_stereo_44100.mp3"), MediaParameters::AUDIO, false, QMediaPlayer::LoadedMedia},
         }) {
        SCOPED_TRACE(item.path.toStdString() + " as type " + std::to_string(item.type));
        std::unique_ptr<MediaFile> file(factory.loadMedia(item.path, item.type));
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->parent(), nullptr);
        EXPECT_EQ(isA<ImageFileWithVideoQuad>(file), item.image);
        EXPECT_EQ(isA<FFmpegOsgMultimediaFile>(file), !item.image);
        EXPECT_TRUE(file->isLoadingComplete());
        EXPECT_EQ(file->mediaStatus(), item.status);
        EXPECT_NE(file->outputNode(), nullptr);
    }
}

TEST(OsgMediaFileFactory, MissingFilesStillYieldAMediaFileThatHasFinishedLoading)
{
    testsupport::NotifyCapture quiet(1);
    OsgMediaFileFactory factory;
    for (const char* name : {"no-such-file.mp4", "no-such-file.png"}) {
        SCOPED_TRACE(name);
        std::unique_ptr<MediaFile> file(factory.loadMedia(mediaPath(name), MediaParameters::UNDEFINED));
        ASSERT_NE(file, nullptr);
        EXPECT_TRUE(file->isLoadingComplete());
        EXPECT_NE(file->mediaStatus(), QMediaPlayer::LoadedMedia);
    }
}

TEST(OsgMediaFileFactory, TheObserverCountsEveryFileBeforeItCompletesLoading)
{
    testsupport::NotifyCapture quiet(1);
    MediaPlayer2::LoadProgressObserver observer;
    OsgMediaFileFactory factory;
    factory.setLoadProgressObserver(&observer);

    std::unique_ptr<MediaFile> video(factory.loadMedia(mediaPath("mjpeg.mov"), MediaParameters::VIDEO));
    EXPECT_EQ(observer.numFilesLoaded(), 1);
    std::unique_ptr<MediaFile> missing(factory.loadMedia(mediaPath("no-such-file.jpg"), MediaParameters::IMAGE));
    EXPECT_EQ(observer.numFilesLoaded(), 2) << "a failed load counts as loaded";

    factory.setLoadProgressObserver(nullptr);
    std::unique_ptr<MediaFile> unwatched(factory.loadMedia(mediaPath("mjpeg.mov"), MediaParameters::VIDEO));
    EXPECT_EQ(observer.numFilesLoaded(), 2);
    EXPECT_TRUE(unwatched->isLoadingComplete());
}
