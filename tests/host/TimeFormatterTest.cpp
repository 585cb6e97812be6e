#include "orvCore/TimeFormatter.h"

#include "support/NotifyCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using orvCore::Seconds;
using orvCore::TimeFormatterRegistry;
using orvCore::TimeStamp;

namespace {

constexpr int64_t DAY = 86400;
// 2026-03-14 is day 73; 12:30:05 into it.
constexpr int64_t MARCH_14_123005 = 72 * DAY + 12 * 3600 + 30 * 60 + 5;

}  // namespace

TEST(TimeFormatter, AcceptsEveryFormUpToTheLongest)
{
    const TimeStamp piDay(2026, Seconds(MARCH_14_123005, 250000));
    const std::vector<std::tuple<std::string, int, TimeStamp>> cases = {
        {"2026-03-14T12:30:05.25Z", 1999, piDay},
        {"2026-03-14 12:30:05.25", 1999, piDay},
        {"2026-03-14T12:30:05Z", 1999, TimeStamp(2026, Seconds(MARCH_14_123005, 0))},
        {"2024-02-29T00:00:00Z", 1999, TimeStamp(2024, Seconds(59 * DAY, 0))},
        {"2024-12-31T23:59:59.999999Z", 1999, TimeStamp(2024, Seconds(366 * DAY - 1, 999999))},
        {"2026:073:12:30:05.25", 1999, piDay},
        {"2024:366:23:59:59.5", 1999, TimeStamp(2024, Seconds(366 * DAY - 1, 500000))},
        {"073:12:30:05.25", 2026, piDay},
        {"366:00:00:00", 2024, TimeStamp(2024, Seconds(365 * DAY, 0))},
        {"007.000001", 2026, TimeStamp(2026, Seconds(7, 1))},
        {"40000000", 2026, TimeStamp(2026, Seconds(40000000, 0))},
    };
    for (const auto& [text, referenceYear, expected] : cases) {
        SCOPED_TRACE(text);
        TimeStamp stamp(1980, Seconds(1, 0));
        ASSERT_EQ(TimeFormatterRegistry(false).fromString(text, stamp, referenceYear), 0);
        EXPECT_EQ(stamp, expected);
        EXPECT_EQ(stamp.secondsIntoYear(), expected.secondsIntoYear());
    }
}

TEST(TimeFormatter, RejectsMalformedTextLeavingTheStampAndReportsOnlyWhenVerbose)
{
    const std::vector<std::string> malformed = {
        "", "abc", " 2026-03-14T12:30:05", "2026-03-14T12:30:05Zx", "2026-03-14t12:30:05", "2026-03-14T12:30:05,25",
        "2026-03-14", "2026-3-14T12:30:05",
        // calendar and clock fields out of range
        "2026-13-01T00:00:00", "2026-01-00T00:00:00", "2026-04-31T00:00:00", "2026-02-29T00:00:00",
        "2100-02-29T00:00:00", "2026-01-01T24:00:00", "2026-01-01T23:60:00", "2026-01-01T23:59:60",
        // fractions: at most six digits, at least one after the point
        "2026-01-01T00:00:00.1234567", "2026-01-01T00:00:00.", "1.1234567",
        // day of year
        "2026:000:00:00:00", "2026:366:00:00:00", "2024:367:00:00:00", "366:00:00:00", "73:12:30:05",
        // plain seconds
        "12345.", ".5", "-5", "+5", "1e3", "99999999999999999999",
        // long garbage is refused, not matched to exhaustion
        std::string(1000000, '1'), "2026-" + std::string(1000000, '1'),
    };
    testsupport::NotifyCapture capture(2);
    for (const std::string& text : malformed) {
        SCOPED_TRACE("\"" + text.substr(0, 40) + "\"");
        TimeStamp stamp(1980, Seconds(1, 2));
        EXPECT_NE(TimeFormatterRegistry(false).fromString(text, stamp, 2026), 0);
        EXPECT_EQ(stamp.referenceYear(), 1980);
        EXPECT_EQ(stamp.secondsIntoYear(), Seconds(1, 2));
    }
    EXPECT_EQ(capture.text(), "");  // only a verbose registry reports failures
    TimeStamp stamp;
    EXPECT_NE(TimeFormatterRegistry(true).fromString("nonsense", stamp, 2026), 0);
    EXPECT_EQ(capture.text(), "Invalid time string: nonsense\n");
    capture.clear();
    TimeFormatterRegistry(true).fromString("2026-01-01T00:00:00", stamp, 2026);
    EXPECT_EQ(capture.text(), "");
}

TEST(TimeFormatter, PrintsIso8601WithMicrosecondsAndReadsItBack)
{
    const TimeFormatterRegistry formatter(false);
    // The same instant named from the year before.
    EXPECT_EQ(formatter.toString(TimeStamp(2025, Seconds(365 * DAY + MARCH_14_123005, 250000))),
              "2026-03-14T12:30:05.250000Z");
    EXPECT_EQ(formatter.toString(TimeStamp(2024, Seconds(59 * DAY, 1))), "2024-02-29T00:00:00.000001Z");
    EXPECT_EQ(formatter.toString(TimeStamp(1970, Seconds(-0.5))), "1969-12-31T23:59:59.500000Z");
    EXPECT_EQ(formatter.toString(TimeStamp(1600, Seconds(0, 0))), "1600-01-01T00:00:00.000000Z");
    EXPECT_EQ(formatter.toString(orvCore::MAX_TIME_STAMP), "2200-12-31T23:59:59.999999Z");
    EXPECT_EQ(formatter.toString(orvCore::INFINITE_TIME_STAMP), "16384-01-01T00:00:00.000000Z");

    for (const TimeStamp& original : {TimeStamp(2024, Seconds(366 * DAY - 1, 999999)),
                                      TimeStamp(2023, Seconds(400 * DAY + 17, 3)), TimeStamp(1999, Seconds(-1, 0))}) {
        const std::string text = formatter.toString(original);
        SCOPED_TRACE(text);
        TimeStamp parsed;
        ASSERT_EQ(formatter.fromString(text, parsed, 2000), 0);
        EXPECT_EQ(parsed, original);
    }
}
