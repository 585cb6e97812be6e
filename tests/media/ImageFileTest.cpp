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
        QObject::connect(&file, &MediaFile::loadingComplete, [this, &file] {
            events << QString("loadingComplete status %1").arg(file.mediaStatus());
        });
        QObject::connect(&file, &MediaFile::endOfMedia, [this] { events << "endOfMedia"; });
        QObject::connect(&file, &MediaFile::mediaPlaying, [this](QWidget*) { events << "mediaPlaying"; });
    }
    QStringList events;
};

}  // namespace

TEST(ImageFileTest, PicturesLoadThroughQtsReadersWithTheirNameAsTitleAndOneLoadingComplete)
{
    testsupport::ImageFixtures fixtures;
    ASSERT_TRUE(fixtures.isValid());
    for (const QString& name :
         QStringList{"picture.png", "photo.jpg", "bitmap.bmp", QString::fromUtf8("gr\xc3\xbcn bild%.png")}) {
        SCOPED_TRACE(name.toStdString());
        const QUrl url = fixtures.writePicture(name, 40, 30, Qt::red, Qt::blue);
        ASSERT_FALSE(url.isEmpty());
        ImageFileWithLabel file;
        SignalLog log(file);
        testsupport::NotifyCapture notify;

        file.setMedia(url);

        EXPECT_EQ(log.events, QStringList{"loadingComplete status 3"});
        EXPECT_EQ(file.mediaStatus(), QMediaPlayer::LoadedMedia);
        EXPECT_TRUE(file.isLoadingComplete());
        EXPECT_EQ(file.nativeSize(), QSize(40, 30));
        EXPECT_EQ(notify.text(), "");
        QLabel label;
        file.setImageOutput(&label);
        EXPECT_EQ(file.outputWidget()->windowTitle(), name);
    }
}

TEST(ImageFileTest, UnreadableFilesAreInvalidMediaWithAResourceErrorBeforeTheirOneLoadingComplete)
{
    testsupport::ImageFixtures fixtures;
    ASSERT_TRUE(fixtures.isValid());
    for (const QUrl& url : fixtures.writeBrokenPictures()) {
        SCOPED_TRACE(url.fileName().toStdString());
        ImageFileWithLabel file;
        SignalLog log(file);
        testsupport::NotifyCapture notify;

        file.setMedia(url);

        EXPECT_EQ(log.events, (QStringList{"error(1) status 8", "loadingComplete status 8"}));
        EXPECT_EQ(file.mediaStatus(), QMediaPlayer::InvalidMedia);
        EXPECT_TRUE(file.isLoadingComplete());
        EXPECT_EQ(file.nativeSize(), QSize(0, 0));
        EXPECT_EQ(notify.text(), "") << "images write no messages";
    }
}

TEST(ImageFileTest, EveryLoadStartsAgainAndForgetsTheEarlierPicture)
{
    testsupport::ImageFixtures fixtures;
    const QUrl first = fixtures.writePicture("first.png", 8, 6, Qt::red, Qt::blue);
    const QUrl second = fixtures.writePicture("second.png", 20, 10, Qt::green, Qt::white);
    const QUrl broken = fixtures.writeBrokenPictures().first();
    ImageFileWithLabel file;
    QLabel label;
    file.setImageOutput(&label);
    SignalLog log(file);

    file.setMedia(first);
    file.setMedia(broken);
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::InvalidMedia);
    EXPECT_EQ(file.nativeSize(), QSize(0, 0));
    EXPECT_EQ(file.outputWidget()->windowTitle(), "") << "a failed load has no title";
    file.setMedia(second);
    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::LoadedMedia);
    EXPECT_EQ(file.nativeSize(), QSize(20, 10));
    EXPECT_EQ(file.outputWidget()->windowTitle(), "second.png");
    EXPECT_EQ(log.events, (QStringList{"loadingComplete status 3", "error(1) status 8",
                                       "loadingComplete status 8", "loadingComplete status 3"}));
}

TEST(ImageFileTest, AnImageHasNoTimeAndIgnoresEverySlotBeforeAndAfterAFailedLoad)
{
    testsupport::ImageFixtures fixtures;
    ImageFileWithLabel file;
    SignalLog log(file);
    auto driveLikeAPlaylist = [&file] {
        EXPECT_EQ(file.duration(), 0.0);
        EXPECT_FALSE(file.hasDuration());
        EXPECT_EQ(file.seekTo(12.5, 0.1), 0);
        EXPECT_EQ(file.seekTo(-3.0, 0.0), 0);
        file.setPlaybackRate(4.0);
        file.setMuted(true);
        file.setVolume(55);
        file.pause();
        file.play();
    };

    EXPECT_EQ(file.mediaStatus(), QMediaPlayer::NoMedia);
    EXPECT_FALSE(file.isLoadingComplete());
    EXPECT_FALSE(file.nativeSize().isValid());
    driveLikeAPlaylist();
    EXPECT_EQ(log.events, QStringList{"mediaPlaying"}) << "play shows, pause does nothing";

    log.events.clear();
    file.setMedia(fixtures.writeBrokenPictures().last());
    driveLikeAPlaylist();
    EXPECT_EQ(log.events, (QStringList{"error(1) status 8", "loadingComplete status 8", "mediaPlaying"}));
}
