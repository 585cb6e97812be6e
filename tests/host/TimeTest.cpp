#include "orvCore/Time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using orvCore::Seconds;
using orvCore::TimeStamp;

namespace {

constexpr int64_t DAY = 86400;
constexpr int64_t COMMON_YEAR = 365 * DAY;
constexpr int64_t LEAP_YEAR = 366 * DAY;
constexpr int64_t INT64_MAX_VALUE = std::numeric_limits<int64_t>::max();
constexpr int64_t INT64_MIN_VALUE = std::numeric_limits<int64_t>::min();

void expectSeconds(const Seconds& actual, int64_t whole, int32_t fraction)
{
    EXPECT_EQ(actual.wholeSeconds(), whole);
    EXPECT_EQ(actual.fraction(), fraction);
}

TimeStamp stamp(int year, int64_t seconds, int32_t micros = 0)
{
    return TimeStamp(year, Seconds(seconds, micros));
}

}  // namespace

TEST(Seconds, NormalisesRoundsSaturatesAndCarries)
{
    expectSeconds(Seconds(1, 2500000), 3, 500000);
    expectSeconds(Seconds(0, -1000000), -1, 0);
    expectSeconds(Seconds(5, -2500001), 2, 499999);
    expectSeconds(Seconds(-0.25), -1, 750000);
    expectSeconds(Seconds(1.9999996), 2, 0);  // rounds up into the next whole second
    expectSeconds(Seconds(std::nan("")), 0, 0);
    expectSeconds(Seconds(std::numeric_limits<double>::infinity()), INT64_MAX_VALUE, 0);
    expectSeconds(Seconds(-std::numeric_limits<double>::infinity()), INT64_MIN_VALUE, 0);
    EXPECT_DOUBLE_EQ(Seconds(-1, 750000).toDouble(), -0.25);

    expectSeconds(Seconds(1, 600000) + Seconds(0, 500000), 2, 100000);
    expectSeconds(Seconds(0, 0) - Seconds(0, 1), -1, 999999);
    expectSeconds(-Seconds(1, 250000), -2, 750000);
    Seconds running(10, 0);
    running += Seconds(0, 999999);
    running -= Seconds(11, 999998);
    expectSeconds(running, -1, 1);
    expectSeconds(Seconds(INT64_MAX_VALUE, 0) + Seconds(1, 0), INT64_MAX_VALUE, 0);
    expectSeconds(Seconds(INT64_MIN_VALUE, 0) - Seconds(1, 0), INT64_MIN_VALUE, 0);
    expectSeconds(-Seconds(INT64_MIN_VALUE, 0), INT64_MAX_VALUE, 0);

    EXPECT_LT(Seconds(-2, 500000), Seconds(-1, 0));
    EXPECT_LT(Seconds(3, 1), Seconds(3, 2));
    EXPECT_TRUE(Seconds(3, 5) <= Seconds(3, 5) && Seconds(3, 5) >= Seconds(3, 5));
}

TEST(TimeStamp, ComparesAddsAndSubtractsByInstantAcrossReferenceYearsCountingLeapYears)
{
    EXPECT_EQ(stamp(2025, 0), stamp(2024, LEAP_YEAR));
    EXPECT_LT(stamp(2024, COMMON_YEAR), stamp(2025, 0));
    // Centuries are common years unless divisible by 400.
    EXPECT_EQ(stamp(2101, 0), stamp(2100, COMMON_YEAR));
    EXPECT_EQ(stamp(2001, 0), stamp(2000, LEAP_YEAR));
    // Seconds may lie outside their year, also before it.
    EXPECT_EQ(stamp(2026, -1), stamp(2025, COMMON_YEAR - 1));

    const TimeStamp earlier = stamp(2027, 0);
    const TimeStamp later = stamp(2026, COMMON_YEAR, 1);
    EXPECT_EQ(earlier.compare_(later), -1);
    EXPECT_EQ(later.compare_(earlier), 1);
    EXPECT_EQ(earlier.compare_(stamp(2026, COMMON_YEAR)), 0);
    EXPECT_TRUE(earlier < later && earlier <= later && earlier != later);
    EXPECT_TRUE(later > earlier && later >= earlier && !(later == earlier));
    EXPECT_EQ(stamp(2026, 6265805, 250000).secondsSinceEpoch(), Seconds(1773491405, 250000));
    EXPECT_EQ(stamp(1600, 0).secondsSinceEpoch(), Seconds(-11676096000, 0));

    // A moved stamp keeps its reference year.
    const TimeStamp moved = stamp(2026, 100, 500000) + Seconds(-0.75);
    EXPECT_EQ(moved.referenceYear(), 2026);
    EXPECT_EQ(moved.secondsIntoYear(), Seconds(99, 750000));
    EXPECT_EQ(stamp(2026, 100, 500000) - Seconds(0.75), moved);
    EXPECT_EQ(stamp(2027, 0) - stamp(2026, COMMON_YEAR - 1, 500000), Seconds(0.5));
    EXPECT_EQ(stamp(2024, 0) - stamp(2025, 0), Seconds(-LEAP_YEAR, 0));
    // 2200 is a common year: the maximum is the last microsecond of it.
    EXPECT_EQ(stamp(2201, 0) - orvCore::MAX_TIME_STAMP, Seconds(0, 1));
}

TEST(Calendar, CurrentYearHoldsTheSystemTime)
{
    const int year = orvCore::currentYear();
    const TimeStamp now(1970, Seconds(orvCore::getSystemTime()));
    EXPECT_LE(stamp(year, 0), now);
    EXPECT_GT(stamp(year + 1, 0), now);
}
