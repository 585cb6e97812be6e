// tmdplay run as its users run it, through its executable, finding the plugin from its own place in
// the build tree; its screenshots are read with the frame-stamp reader it uses itself.
#include "common/FrameStamp.h"
#include "support/TestMedia.h"
#include "support/TextFiles.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct TmdplayRun {
    int exitCode = -1;
    QString output;
    std::vector<int> frames;  // one per screenshot, in the order taken
};

/// The picture is framed in the middle of the view: from the centre out to the background.
QRect pictureIn(const QImage& shot)
{
    const QRgb background = shot.pixel(0, 0);
    const QPoint centre = shot.rect().center();
    QRect picture(centre, centre);
    while (picture.left() > 0 && shot.pixel(picture.left() - 1, centre.y()) != background)
        picture.setLeft(picture.left() - 1);
    while (picture.right() < shot.width() - 1 && shot.pixel(picture.right() + 1, centre.y()) != background)
        picture.setRight(picture.right() + 1);
    while (picture.top() > 0 && shot.pixel(centre.x(), picture.top() - 1) != background)
        picture.setTop(picture.top() - 1);
    while (picture.bottom() < shot.height() - 1 && shot.pixel(centre.x(), picture.bottom() + 1) != background)
        picture.setBottom(picture.bottom() + 1);
    return picture;
}

TmdplayRun tmdplay(const QStringList& arguments, const QString& shots, const QString& size = QStringLiteral("320x192"))
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("OSG_LIBRARY_PATH"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(TMDPLAY_EXECUTABLE), arguments + QStringList{"--offscreen", "--size", size, "--screenshot-dir", shots});
    TmdplayRun run;
    if (!process.waitForFinished(120000))
        process.kill();
    run.exitCode = process.exitCode();
    run.output = QString::fromLocal8Bit(process.readAll());
    for (const QFileInfo& file : QDir(shots).entryInfoList({"*.png"}, QDir::Files, QDir::Name)) {
        const QImage shot(file.filePath());
        run.frames.push_back(FrameStamp::read(shot, pictureIn(shot)));
    }
    return run;
}

}  // namespace

TEST(Tmdplay, AStoppedClockShowsThePictureOfItsTimeThroughThePluginAndTheNodesOwnLoader)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "tmdplay draws through an X display (scripts/test starts Xvfb)";
    testsupport::TextFiles files;
    const std::string tmd = files.write("clip.tmd", "MediaFileName \"" + TestMedia::path("mjpeg.mov") +
                                                        "\"\nMediaStartTime 2026-03-14T12:00:00Z\n");
    // Absolute times and times after the item's start, in the order given, also backwards.
    TmdplayRun run = tmdplay({QString::fromStdString(tmd), "--stopped", "--screenshot", "2026-03-14T12:00:01.04Z",
                              "--screenshot", "+0.3,+1.98,+0"},
                             QString::fromStdString(files.path("tmd")));
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.output);
    std::vector<int> expected;
    for (double time : {1.04, 0.3, 1.98, 0.0})
        expected.push_back(TestMedia::frameAt(time));
    EXPECT_EQ(run.frames, expected) << qPrintable(run.output);

    run = tmdplay({QString::fromStdString(files.path("missing.tmd"))}, QString::fromStdString(files.path("none")));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.output.contains("not read by the osgdb_tmd plugin")) << qPrintable(run.output);
}

TEST(Tmdplay, InTheThreeDSceneEveryItemShowsThePictureOfItsTimeOnScreen)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "tmdplay draws through an X display (scripts/test starts Xvfb)";
    testsupport::TextFiles files;
    // Three clips starting 0, 0.5 and 1 s into the scene; the first is also cast onto the ground.
    const std::vector<std::pair<std::string, double>> clips = {{"h264_aac.mp4", 0.0}, {"mjpeg.mov", 0.5}, {"vp9_opus.webm", 1.0}};
    QStringList arguments;
    for (const auto& [media, start] : clips)
        arguments << QString::fromStdString(files.write(media + ".tmd", "MediaFileName \"" + TestMedia::path(media) +
                                                                            "\"\nMediaStartTime " + std::to_string(100 + start) + "\n"));
    // Between frame times, as the clips may start a few milliseconds late (Opus priming).
    const std::vector<double> times = {1.63, 1.22, 1.91};
    arguments << "--stopped" << "--screenshot" << "+1.63,+1.22,+1.91";
    const TmdplayRun run = tmdplay(arguments, QString::fromStdString(files.path("stage")), QStringLiteral("960x540"));
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.output);
    const QStringList lines = run.output.split('\n').filter("items on screen:");
    ASSERT_EQ(lines.size(), int(times.size())) << qPrintable(run.output);
    for (std::size_t shot = 0; shot < times.size(); ++shot) {
        QStringList expected;
        for (const auto& [media, start] : clips)
            expected << QString::number(TestMedia::frameAt(times[shot] - start));
        EXPECT_EQ(lines[int(shot)].section("items on screen: ", 1), expected.join(' ')) << times[shot];
    }
}
