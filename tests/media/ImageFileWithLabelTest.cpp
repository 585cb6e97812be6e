#include "media/ImageFileWithLabel.h"

#include "support/ImageFixtures.h"

#include <QLabel>
#include <QSignalSpy>
#include <gtest/gtest.h>

using MediaPlayer2::ImageFileWithLabel;

TEST(ImageFileWithLabelTest, ShowPutsThePictureInTheLabelAndAnnouncesTheLabelOrNoWindowWithoutOne)
{
    testsupport::ImageFixtures fixtures;
    ImageFileWithLabel file;
    QSignalSpy playing(&file, &ImageFileWithLabel::mediaPlaying);
    file.show();
    ASSERT_EQ(playing.count(), 1);
    EXPECT_EQ(playing.at(0).at(0).value<QWidget*>(), nullptr);

    QLabel label;
    file.setImageOutput(&label);
    file.show();
    EXPECT_TRUE(label.pixmap(Qt::ReturnByValue).isNull()) << "nothing loaded yet";
    file.setMedia(fixtures.writePicture("sky.png", 10, 8, Qt::red, Qt::blue));
    file.play();
    EXPECT_EQ(playing.last().at(0).value<QWidget*>(), &label);
    EXPECT_EQ(label.windowTitle(), "sky.png");
    const QImage shown = label.pixmap(Qt::ReturnByValue).toImage();
    EXPECT_EQ(shown.size(), QSize(10, 8));
    EXPECT_EQ(shown.pixelColor(5, 0), QColor(Qt::red)) << "top row";
    EXPECT_EQ(shown.pixelColor(5, 7), QColor(Qt::blue)) << "bottom row";
    EXPECT_EQ(file.outputNode(), nullptr);

    file.setMedia(fixtures.writeBrokenPictures().first());
    file.show();
    EXPECT_TRUE(label.pixmap(Qt::ReturnByValue).isNull()) << "the failed picture replaces the earlier one";
    EXPECT_EQ(label.windowTitle(), "") << "a failed load has no title";
}
