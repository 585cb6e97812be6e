#include "media/ImageFileWithLabel.h"

#include "support/ImageFixtures.h"

#include <QLabel>
#include <QSignalSpy>
#include <gtest/gtest.h>


using MediaPlayer2::ImageFileWithLabel;

namespace {

QWidget* playingWidget(const QSignalSpy& spy, int index)
{
    return spy.at(index).at(0).value<QWidget*>();
}

}  // namespace

TEST(ImageFileWithLabelTest, PlayShowsThePictureInTheLabelTitledWithTheFileAndAnnouncesTheLabel)
{
    testsupport::ImageFixtures fixtures;
    ImageFileWithLabel file;
    QLabel label;
    file.setImageOutput(&label);
    QSignalSpy playing(&file, &ImageFileWithLabel::mediaPlaying);
    file.setMedia(fixtures.writePicture("sky.png", 10, 8, Qt::red, Qt::blue));

    file.play();

    ASSERT_EQ(playing.count(), 1);
    EXPECT_EQ(playingWidget(playing, 0), &label);
    EXPECT_EQ(label.windowTitle(), "sky.png");
    const QImage shown = label.pixmap(Qt::ReturnByValue).toImage();
    EXPECT_EQ(shown.size(), QSize(10, 8));
    EXPECT_EQ(shown.pixelColor(5, 0), QColor(Qt::red)) << "top row";
    EXPECT_EQ(shown.pixelColor(5, 7), QColor(Qt::blue)) << "bottom row";
    EXPECT_EQ(file.outputNode(), nullptr);
}

TEST(ImageFileWithLabelTest, WithoutAPictureTheLabelIsClearedAndWithoutALabelNoWindowIsAnnounced)
{
    testsupport::ImageFixtures fixtures;
    ImageFileWithLabel file;
    QSignalSpy playing(&file, &ImageFileWithLabel::mediaPlaying);

    file.show();
    EXPECT_EQ(file.outputWidget(), nullptr);
    ASSERT_EQ(playing.count(), 1);
    EXPECT_EQ(playingWidget(playing, 0), nullptr);

    QLabel label;
    file.setImageOutput(&label);
    file.show();
    EXPECT_TRUE(label.pixmap(Qt::ReturnByValue).isNull()) << "nothing loaded yet";

    file.setMedia(fixtures.writePicture("shown.png", 4, 4, Qt::green, Qt::green));
    file.show();
    ASSERT_FALSE(label.pixmap(Qt::ReturnByValue).isNull());
    file.setMedia(fixtures.writeBrokenPictures().first());
    file.show();
    EXPECT_TRUE(label.pixmap(Qt::ReturnByValue).isNull()) << "the failed picture replaces the earlier one";
    EXPECT_EQ(playingWidget(playing, playing.count() - 1), &label);
}
