#include "media/ImageFileWithLabel.h"

#include "support/ImageFixtures.h"
#include "support/NotifyCapture.h"

#include <QLabel>
#include <gtest/gtest.h>

using MediaPlayer2::ImageFileWithLabel;
using MediaPlayer2::MediaFile;

namespace {

// Records the signals of one media file in the order they arrive, with the status seen at that moment.
class SignalLog {
public:
    explicit SignalLog(MediaFile& file)
    {
        QObject::connect(&file, &MediaFile::error, [this, &file](MediaFile::Error error) {
            events << QString("error(%1) status %2").arg(error).arg(file.mediaStatus());
        });
        QObject::connect(&file, &MediaFile::loadingComplete,
                         [this, &file] { events << QString("loadingComplete status %1").arg(file.mediaStatus()); });
        QObject::connect(&file, &MediaFile::mediaPlaying, [this](QWidget*) { events << "mediaPlaying"; });
    }
    QStringList events;
};

const QStringList LOADED = {"loadingComplete status 3"};
const QStringList FAILED = {"error(1) status 8", "loadingComplete status 8"};

}  // namespace

TEST(ImageFileTest, PicturesLoadThroughQtsReadersWithTheirNameAsTitleAndOneLoadingComplete)
{
    testsupport::ImageFixtures fixtures;
    ASSERT_TRUE(fixtures.isValid());
    testsupport::NotifyCapture notify;
    for (const QString& name : QStringList{"photo.jpg", "bitmap.bmp", QString::fromUtf8("gr\xc3\xbcn bild%.png")}) {
        SCOPED_TRACE(name.toStdString());
        ImageFileWithLabel file;
        SignalLog log(file);
        file.setMedia(fixtures.writePicture(name, 40, 30, Qt::red, Qt::blue));
        EXPECT_EQ(log.events, LOADED);
        EXPECT_TRUE(file.isLoadingComplete());
        EXPECT_EQ(file.nativeSize(), QSize(40, 30));
        QLabel label;
        file.setImageOutput(&label);
        EXPECT_EQ(file.outputWidget()->windowTitle(), name);
    }
    EXPECT_EQ(notify.text(), "");
}

TEST(ImageFileTest, UnreadableFilesAreInvalidMediaWithAResourceErrorBeforeTheirOneLoadingComplete)
{
    testsupport::ImageFixtures fixtures;
    testsupport::NotifyCapture notify;
    for (const QUrl& url : fixtures.writeBrokenPictures()) {
        SCOPED_TRACE(url.fileName().toStdString());
        ImageFileWithLabel file;
        SignalLog log(file);
        file.setMedia(url);
        EXPECT_EQ(log.events, FAILED);
        EXPECT_TRUE(file.isLoadingComplete());
        EXPECT_EQ(file.nativeSize(), QSize(0, 0));
    }
    EXPECT_EQ(notify.text(), "") << "images write no messages";
}

TEST(ImageFileTest, ALoadForgetsTheEarlierPictureAndAnImageWithoutTimeShowsOnPlay)
{
    testsupport::ImageFixtures fixtures;
    ImageFileWithLabel file;
    SignalLog log(file);
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::NoMedia);
    EXPECT_FALSE(file.isLoadingComplete());
    EXPECT_FALSE(file.nativeSize().isValid());
    file.setMedia(fixtures.writePicture("first.png", 8, 6, Qt::red, Qt::blue));
    file.setMedia(fixtures.writeBrokenPictures().last());
    EXPECT_EQ(file.nativeSize(), QSize(0, 0)) << "a failed load forgets the earlier picture";
    EXPECT_FALSE(file.hasDuration());
    EXPECT_EQ(file.seekTo(12.5, 0.1), 0);
    file.pause();
    file.play();
    EXPECT_EQ(log.events, LOADED + FAILED + QStringList{"mediaPlaying"}) << "play shows, pause does nothing";
}
