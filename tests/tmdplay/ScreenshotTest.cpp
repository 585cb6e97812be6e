// tmdplay shows, for a stopped clock set to chosen times, the frame that the seek rules give for
// each time: its screenshots are compared with the rules worked out by FFmpeg alone, on a clip of
// key frames only, where the rules name exactly one frame.
#include "TestMedia.h"

#include "common/FrameStamp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <cmath>
#include <vector>

namespace {

constexpr const char* kClip = "mjpeg.mov";
// Small pictures draw quickly in software OpenGL; the clip is 160 x 96.
constexpr const char* kViewSize = "320x192";
// Generous for a few seconds of play on a busy machine; a hang fails the test instead.
constexpr int kRunLimitMs = 120000;
// ViewerFactory's background, and how far a drawn colour may stray from it.
const QColor kBackground(31, 36, 46);
constexpr int kBackgroundTolerance = 8;

bool isBackground(QRgb pixel)
{
    return std::abs(qRed(pixel) - kBackground.red()) <= kBackgroundTolerance
        && std::abs(qGreen(pixel) - kBackground.green()) <= kBackgroundTolerance
        && std::abs(qBlue(pixel) - kBackground.blue()) <= kBackgroundTolerance;
}

// The picture is framed in the middle of the view: walk out from the centre to the background.
QRect pictureIn(const QImage& shot)
{
    const QPoint centre = shot.rect().center();
    int left = centre.x(), right = centre.x(), top = centre.y(), bottom = centre.y();
    while (left > 0 && !isBackground(shot.pixel(left - 1, centre.y())))
        --left;
    while (right < shot.width() - 1 && !isBackground(shot.pixel(right + 1, centre.y())))
        ++right;
    while (top > 0 && !isBackground(shot.pixel(centre.x(), top - 1)))
        --top;
    while (bottom < shot.height() - 1 && !isBackground(shot.pixel(centre.x(), bottom + 1)))
        ++bottom;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

struct TmdplayRun {
    bool finished = false;
    int exitCode = -1;
    QString output;
    std::vector<int> frames;  // one per screenshot, in the order taken
};

TmdplayRun runTmdplay(const QStringList& arguments, const QString& shotDir)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The plugin must be found from the executable's place in the build tree.
    environment.remove(QStringLiteral("OSG_LIBRARY_PATH"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(TMDPLAY_EXECUTABLE),
                  arguments + QStringList{QStringLiteral("--offscreen"), QStringLiteral("--size"),
                                          QString::fromLatin1(kViewSize), QStringLiteral("--screenshot-dir"), shotDir});
    TmdplayRun run;
    run.finished = process.waitForFinished(kRunLimitMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitCode();
    run.output = QString::fromLocal8Bit(process.readAll());
    for (const QFileInfo& file : QDir(shotDir).entryInfoList({QStringLiteral("*.png")}, QDir::Files, QDir::Name)) {
        const QImage shot(file.filePath());
        run.frames.push_back(FrameStamp::read(shot, pictureIn(shot)));
    }
    return run;
}

std::vector<int> framesBySeekRules(const std::vector<double>& times)
{
    std::vector<int> frames;
    for (double time : times)
        frames.push_back(TestMedia::pictureAfterSeekRun(kClip, time));
    return frames;
}

class TmdplayScreenshots : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "tmdplay draws through an X display (scripts/test starts Xvfb)";
        ASSERT_TRUE(folder_.isValid());
    }

    QString writeTmd(const char* startTime) const
    {
        const QString path = folder_.filePath(QStringLiteral("clip.tmd"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Text));
        file.write(QStringLiteral("MediaFileName \"%1\"\nMediaStartTime %2\n")
                       .arg(QString::fromStdString(TestMedia::path(kClip)), QLatin1String(startTime))
                       .toUtf8());
        return path;
    }

    QTemporaryDir folder_;
};

}  // namespace

TEST_F(TmdplayScreenshots, StoppedClockShowsTheFrameOfTheSeekRulesThroughThePlugin)
{
    // Between frames, on frame times, at the start and on the last frame.
    const std::vector<double> times{0.0, 0.3, 1.04, 1.5, 1.98};
    QStringList arguments{writeTmd("2026-03-14T12:00:00Z"), QStringLiteral("--stopped")};
    for (double time : times)
        arguments << QStringLiteral("--screenshot") << QStringLiteral("2026-03-14T12:00:%1Z").arg(time, 5, 'f', 2, QLatin1Char('0'));

    const TmdplayRun run = runTmdplay(arguments, folder_.filePath(QStringLiteral("shots")));
    ASSERT_TRUE(run.finished) << qPrintable(run.output);
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.output);
    EXPECT_EQ(run.frames, framesBySeekRules(times)) << qPrintable(run.output);
}

TEST_F(TmdplayScreenshots, MediaFileAndRelativeTimesGoThroughTheNodesOwnLoader)
{
    // Times after the first item's start, in the order given, also backwards.
    const std::vector<double> times{1.7, 0.62};
    const TmdplayRun run = runTmdplay({QString::fromStdString(TestMedia::path(kClip)), QStringLiteral("--stopped"),
                                QStringLiteral("--screenshot"), QStringLiteral("+1.7,+0.62")},
                               folder_.filePath(QStringLiteral("shots")));
    ASSERT_TRUE(run.finished) << qPrintable(run.output);
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.output);
    EXPECT_EQ(run.frames, framesBySeekRules(times)) << qPrintable(run.output);
}

TEST_F(TmdplayScreenshots, UnreadableTmdFileFailsWithTheReason)
{
    const QString missing = folder_.filePath(QStringLiteral("missing.tmd"));
    const TmdplayRun run = runTmdplay({missing}, folder_.filePath(QStringLiteral("shots")));
    ASSERT_TRUE(run.finished);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.output.contains(QStringLiteral("not read by the osgdb_tmd plugin"))) << qPrintable(run.output);
}

TEST_F(TmdplayScreenshots, SoundOnlyItemKeepsTheLogFreeOfImageComplaints)
{
    // The item's quad waits without a picture for the whole run; the sync report must not ask OSG
    // about its formatless image on every frame.
    const TmdplayRun run = runTmdplay({QString::fromStdString(TestMedia::path("tone_stereo_44100.m4a")),
                                       QStringLiteral("--run-for"), QStringLiteral("1")},
                                      folder_.filePath(QStringLiteral("shots")));
    ASSERT_TRUE(run.finished) << qPrintable(run.output);
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.output);
    EXPECT_FALSE(run.output.contains(QStringLiteral("pixelFormat"))) << qPrintable(run.output);
}
