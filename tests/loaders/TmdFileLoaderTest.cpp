#include "loaders/TmdBuilderAdapter.h"
#include "loaders/TmdFileLoader.h"

#include "support/NotifyCapture.h"

#include "orvCore/FileSearch.h"
#include "orvCore/Time.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

using MediaPlayer2::TmdBuilderAdapter;
using MediaPlayer2::TmdFileLoader;
using orvCore::Seconds;
using orvCore::TimeStamp;

constexpr int64_t SECONDS_PER_DAY = 86400;

class TmdFileLoaderTest : public ::testing::Test {
protected:
    std::string write(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(content);
        return path.toStdString();
    }

    /// Loads content as item.tmd into builder and returns the loader's result.
    int load(const QByteArray& content, orvCore::FileSearch* fallback = nullptr)
    {
        TmdFileLoader loader(builder);
        loader.setFallbackFileSearch(fallback);
        return loader.loadFile(write("item.tmd", content));
    }

    std::string inDir(const QString& name) const { return dir.filePath(name).toStdString(); }

    void expectDefaults() const
    {
        EXPECT_EQ(builder.filename(), "");
        EXPECT_EQ(builder.startTime(), TimeStamp());
        EXPECT_TRUE(builder.realtimeForwardCase());
        EXPECT_EQ(builder.allowableDelta(), 1.0);
    }

    QTemporaryDir dir;
    TmdBuilderAdapter builder;
    testsupport::NotifyCapture messages;
};

TEST_F(TmdFileLoaderTest, EverySettingReachesTheBuilderInAnyCaseLaterOnesWinning)
{
    EXPECT_EQ(load("MediaFileName clip.mp4\n"), 0);
    EXPECT_EQ(builder.filename(), inDir("clip.mp4"));
    builder = TmdBuilderAdapter();
    expectDefaults();

    write("media/clip one.mp4", "x");
    EXPECT_EQ(load("# A clip of the launch\n"
                   "ReferenceYear 2024\n"
                   "MediaFileName \"media/clip one.mp4\"   // beside this file\n"
                   "MediaStartTime 2026-03-14T12:30:05.25Z\n"
                   "\tHandleRealtimeForwardCase false\r\n"
                   "AllowableDelta 0.25 # seconds\n"),
              0);
    EXPECT_EQ(builder.filename(), inDir("media/clip one.mp4"));
    // 14 March is 72 days into 2026.
    EXPECT_EQ(builder.startTime(), TimeStamp(2026, Seconds(72 * SECONDS_PER_DAY + 12 * 3600 + 30 * 60 + 5, 250000)));
    EXPECT_FALSE(builder.realtimeForwardCase());
    EXPECT_EQ(builder.allowableDelta(), 0.25);

    EXPECT_EQ(load("mediafilename a.mp4\nHANDLEREALTIMEFORWARDCASE FALSE\nallowabledelta 3\n"), 0);
    EXPECT_EQ(builder.filename(), inDir("a.mp4"));
    EXPECT_FALSE(builder.realtimeForwardCase());
    EXPECT_EQ(builder.allowableDelta(), 3.0);

    EXPECT_EQ(load("HandleRealtimeForwardCase fAlSe\nhandleRealTimeForwardCase TRUE\n"), 0);
    EXPECT_TRUE(builder.realtimeForwardCase());

    EXPECT_EQ(load("MediaFileName first.mp4\nAllowableDelta 2\nMediaFileName second.mp4\nAllowableDelta 0\n"
                   "MediaStartTime 2020-01-01T00:00:00Z\nMediaStartTime 2021-01-01T00:00:00Z\n"),
              0);
    EXPECT_EQ(builder.filename(), inDir("second.mp4"));
    // Zero drift allowed means re-seeking on every difference, which is a valid choice.
    EXPECT_EQ(builder.allowableDelta(), 0.0);
    EXPECT_EQ(builder.startTime(), TimeStamp(2021, Seconds()));
    EXPECT_EQ(messages.text(), "");
}

TEST_F(TmdFileLoaderTest, StartTimeUsesTheReferenceYearInForceOnItsLine)
{
    // Seconds into the reference year, and day of year of the reference year.
    EXPECT_EQ(load("MediaStartTime 3600\nReferenceYear 2001\n"), 0);
    EXPECT_EQ(builder.startTime(), TimeStamp(orvCore::currentYear(), Seconds(3600, 0)));
    ASSERT_NE(orvCore::currentYear(), 2001);

    EXPECT_EQ(load("ReferenceYear 2001\nMediaStartTime 3600\n"), 0);
    EXPECT_EQ(builder.startTime(), TimeStamp(2001, Seconds(3600, 0)));

    EXPECT_EQ(load("ReferenceYear 2004\nMediaStartTime 060:00:00:01.5\n"), 0);
    EXPECT_EQ(builder.startTime(), TimeStamp(2004, Seconds(59 * SECONDS_PER_DAY + 1, 500000)));

    // A time that names its own year ignores the reference year.
    EXPECT_EQ(load("ReferenceYear 2001\nMediaStartTime 2020:001:00:00:10\n"), 0);
    EXPECT_EQ(builder.startTime(), TimeStamp(2020, Seconds(10, 0)));

    // Each line uses the year in force when it is read.
    EXPECT_EQ(load("ReferenceYear 2001\nREFERENCEYEAR 2010\nmediastarttime 0\n"), 0);
    EXPECT_EQ(builder.startTime(), TimeStamp(2010, Seconds()));

    // A year that does not parse keeps the previous one.
    EXPECT_EQ(load("ReferenceYear 2001\nReferenceYear 20x1\nMediaStartTime 3600\n"), 1);
    EXPECT_EQ(messages.text(), "Invalid reference year: 20x1\n");
    EXPECT_EQ(builder.startTime(), TimeStamp(2001, Seconds(3600, 0)));
}

TEST_F(TmdFileLoaderTest, EveryRejectedLineIsReportedWordForWordAndChangesNothing)
{
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"ReferenceYear abc", "Invalid reference year: abc\n"},
        {"ReferenceYear 2026.5", "Invalid reference year: 2026.5\n"},
        {"MediaStartTime yesterday", "Invalid argument to MediaStartTime: yesterday\n"},
        {"MediaStartTime \"2026-02-29 10:00:00\"", "Invalid argument to MediaStartTime: 2026-02-29 10:00:00\n"},
        {"MediaStartTime 12:00x", "Invalid argument to MediaStartTime: 12:00x\n"},
        {"HandleRealtimeForwardCase yes", "Invalid argument to HandleRealtimeForwardCase: yes\n"},
        {"HandleRealtimeForwardCase 1", "Invalid argument to HandleRealtimeForwardCase: 1\n"},
        {"HandleRealtimeForwardCase 'true '", "Invalid argument to HandleRealtimeForwardCase: true \n"},
        {"AllowableDelta -0.5", "Invalid argument to AllowableDelta: -0.5\n"},
        {"AllowableDelta abc", "Invalid argument to AllowableDelta: abc\n"},
        {"AllowableDelta 1.5s", "Invalid argument to AllowableDelta: 1.5s\n"},
        {"MediaFileName", "Unrecognized token or invalid number of parameters: MediaFileName\n"},
        {"MediaFileName my file.mp4", "Unrecognized token or invalid number of parameters: MediaFileName\n"},
        {"AllowableDelta 1 2 # note", "Unrecognized token or invalid number of parameters: AllowableDelta\n"},
        {"Volume 3", "Unrecognized token or invalid number of parameters: Volume\n"},
        {"\"Media FileName\" clip.mp4", "Unrecognized token or invalid number of parameters: Media FileName\n"},
        {"clip.mp4", "Unrecognized token or invalid number of parameters: clip.mp4\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        builder = TmdBuilderAdapter();
        messages.clear();
        EXPECT_EQ(load(QByteArray(c.line) + "\n"), 1);
        EXPECT_EQ(messages.text(), c.message);
        expectDefaults();
    }

    messages.clear();
    const std::string missing = inDir("missing.tmd");
    EXPECT_EQ(TmdFileLoader(builder).loadFile(missing), 1);
    EXPECT_EQ(messages.text(), "Unable to open file: " + missing + "\n");
    expectDefaults();
}

TEST_F(TmdFileLoaderTest, EveryBadLineCountsAndTheRestIsStillRead)
{
    EXPECT_EQ(load("AllowableDelta 2.5\n"
                   "AllowableDelta -1\n"
                   "\n"
                   "MediaFileName clip.mp4\n"
                   "Bogus\n"
                   "# note\n"
                   "HandleRealtimeForwardCase false\n"
                   "HandleRealtimeForwardCase maybe\n"
                   "ReferenceYear 2001\n"
                   "MediaStartTime 7200\n"),
              3);
    EXPECT_EQ(messages.text(),
              "Invalid argument to AllowableDelta: -1\n"
              "Unrecognized token or invalid number of parameters: Bogus\n"
              "Invalid argument to HandleRealtimeForwardCase: maybe\n");
    EXPECT_EQ(builder.allowableDelta(), 2.5);
    EXPECT_EQ(builder.filename(), inDir("clip.mp4"));
    EXPECT_FALSE(builder.realtimeForwardCase());
    EXPECT_EQ(builder.startTime(), TimeStamp(2001, Seconds(7200, 0)));

    testsupport::NotifyCapture quiet(1);  // counted even when errors are not shown
    EXPECT_EQ(load("AllowableDelta -1\nVolume 3\n"), 2);
    EXPECT_EQ(quiet.text(), "");
}

TEST_F(TmdFileLoaderTest, MediaFileNameIsFoundBesideTheFileThenThroughTheFallbackSearch)
{
    write("fallback/elsewhere.mp4", "x");
    write("fallback/both.mp4", "x");
    write("both.mp4", "x");
    write("other/absolute.mp4", "x");
    orvCore::FileSearch fallback({inDir("fallback")});

    EXPECT_EQ(load("MediaFileName both.mp4\n", &fallback), 0);
    EXPECT_EQ(builder.filename(), inDir("both.mp4"));

    EXPECT_EQ(load("MediaFileName elsewhere.mp4\n", &fallback), 0);
    EXPECT_EQ(builder.filename(), inDir("fallback/elsewhere.mp4"));


    EXPECT_EQ(load(QByteArray("MediaFileName \"") + inDir("other/absolute.mp4").c_str() + "\"\n", &fallback), 0);
    EXPECT_EQ(builder.filename(), inDir("other/absolute.mp4"));

    // A file found nowhere is still accepted; it fails only when the media is opened.
    EXPECT_EQ(load("MediaFileName \"not here # 2.mp4\"\n", &fallback), 0);
    EXPECT_EQ(builder.filename(), inDir("not here # 2.mp4"));
    EXPECT_EQ(messages.text(), "");
}

}  // namespace
