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

    /// Loads content as item.tmd into a fresh builder and returns the loader's result.
    int load(const QByteArray& content, orvCore::FileSearch* fallback = nullptr)
    {
        builder = TmdBuilderAdapter();
        TmdFileLoader loader(builder);
        loader.setFallbackFileSearch(fallback);
        return loader.loadFile(write("item.tmd", content));
    }

    std::string inDir(const QString& name) const { return dir.filePath(name).toStdString(); }

    QTemporaryDir dir;
    TmdBuilderAdapter builder;
    testsupport::NotifyCapture messages;
};

TEST_F(TmdFileLoaderTest, EverySettingReachesTheBuilderInAnyCaseLaterOnesWinning)
{
    write("fallback/elsewhere.mp4", "x");
    orvCore::FileSearch fallback({inDir("fallback")});
    EXPECT_EQ(load("# A clip of the launch\n"
                   "ReferenceYear 2024\n"
                   "MediaFileName \"media/clip one.mp4\"   // beside this file\n"
                   "MediaStartTime 2026-03-14T12:30:05.25Z\n"
                   "\tHandleRealtimeForwardCase false\r\n"
                   "AllowableDelta 0.25 # seconds\n"),
              0);
    EXPECT_EQ(builder.filename(), inDir("media/clip one.mp4"));  // found nowhere, still accepted
    // 14 March is 72 days into 2026.
    EXPECT_EQ(builder.startTime(), TimeStamp(2026, Seconds(72 * SECONDS_PER_DAY + 12 * 3600 + 30 * 60 + 5, 250000)));
    EXPECT_FALSE(builder.realtimeForwardCase());
    EXPECT_EQ(builder.allowableDelta(), 0.25);

    EXPECT_EQ(load("mediafilename elsewhere.mp4\nHANDLEREALTIMEFORWARDCASE fAlSe\nhandleRealTimeForwardCase TRUE\n"
                   "AllowableDelta 2\nallowabledelta 0\n"
                   "MediaStartTime 2020-01-01T00:00:00Z\nMediaStartTime 2021-01-01T00:00:00Z\n",
                   &fallback),
              0);
    EXPECT_EQ(builder.filename(), inDir("fallback/elsewhere.mp4"));
    EXPECT_TRUE(builder.realtimeForwardCase());
    // Zero drift allowed means re-seeking on every difference, which is a valid choice.
    EXPECT_EQ(builder.allowableDelta(), 0.0);
    EXPECT_EQ(builder.startTime(), TimeStamp(2021, Seconds()));
    EXPECT_EQ(messages.text(), "");
}

TEST_F(TmdFileLoaderTest, StartTimeUsesTheReferenceYearInForceOnItsLine)
{
    ASSERT_NE(orvCore::currentYear(), 2001);
    struct Case {
        const char* text;
        TimeStamp expected;
    };
    const Case cases[] = {
        {"MediaStartTime 3600\nReferenceYear 2001\n", TimeStamp(orvCore::currentYear(), Seconds(3600, 0))},
        {"ReferenceYear 2001\nREFERENCEYEAR 2010\nmediastarttime 0\n", TimeStamp(2010, Seconds())},
        {"ReferenceYear 2004\nMediaStartTime 060:00:00:01.5\n", TimeStamp(2004, Seconds(59 * SECONDS_PER_DAY + 1, 500000))},
        // A time that names its own year ignores the reference year.
        {"ReferenceYear 2001\nMediaStartTime 2020:001:00:00:10\n", TimeStamp(2020, Seconds(10, 0))},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(load(c.text), 0);
        EXPECT_EQ(builder.startTime(), c.expected) << c.text;
    }
    // A year that does not parse keeps the previous one.
    EXPECT_EQ(load("ReferenceYear 2001\nReferenceYear 20x1\nMediaStartTime 3600\n"), 1);
    EXPECT_EQ(messages.text(), "Invalid reference year: 20x1\n");
    EXPECT_EQ(builder.startTime(), TimeStamp(2001, Seconds(3600, 0)));
}

TEST_F(TmdFileLoaderTest, EveryRejectedLineIsReportedWordForWordAndChangesNothing)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ReferenceYear 2026.5", "Invalid reference year: 2026.5\n"},
        {"ReferenceYear +2026", "Invalid reference year: +2026\n"},
        {"MediaStartTime \"2026-02-29 10:00:00\"", "Invalid argument to MediaStartTime: 2026-02-29 10:00:00\n"},
        {"HandleRealtimeForwardCase 1", "Invalid argument to HandleRealtimeForwardCase: 1\n"},
        {"HandleRealtimeForwardCase 'true '", "Invalid argument to HandleRealtimeForwardCase: true \n"},
        {"AllowableDelta -0.5", "Invalid argument to AllowableDelta: -0.5\n"},
        {"AllowableDelta 1.5s", "Invalid argument to AllowableDelta: 1.5s\n"},
        {"AllowableDelta nan", "Invalid argument to AllowableDelta: nan\n"},
        {"MediaFileName", "Unrecognized token or invalid number of parameters: MediaFileName\n"},
        {"AllowableDelta 1 2 # note", "Unrecognized token or invalid number of parameters: AllowableDelta\n"},
        {"\"Media FileName\" clip.mp4", "Unrecognized token or invalid number of parameters: Media FileName\n"},
    };
    for (const auto& [line, message] : cases) {
        SCOPED_TRACE(line);
        messages.clear();
        EXPECT_EQ(load(QByteArray(line) + "\n"), 1);
        EXPECT_EQ(messages.text(), message);
        EXPECT_EQ(builder.filename(), "");
        EXPECT_EQ(builder.startTime(), TimeStamp());
        EXPECT_TRUE(builder.realtimeForwardCase());
        EXPECT_EQ(builder.allowableDelta(), 1.0);
    }
}

TEST_F(TmdFileLoaderTest, EveryBadLineCountsAndTheRestIsStillRead)
{
    EXPECT_EQ(load("AllowableDelta 2.5\n"
                   "AllowableDelta -1\n"
                   "\n"
                   "Bogus\n"
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
    EXPECT_FALSE(builder.realtimeForwardCase());
    EXPECT_EQ(builder.startTime(), TimeStamp(2001, Seconds(7200, 0)));

    testsupport::NotifyCapture quiet(1);  // counted even when errors are not shown
    EXPECT_EQ(load("AllowableDelta -1\nVolume 3\n"), 2);
    EXPECT_EQ(quiet.text(), "");
}

}  // namespace
