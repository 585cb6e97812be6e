#include "playlist/TimeRange.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

using MediaPlayer2::TimeRange;
using orvCore::INFINITE_TIME_STAMP;
using orvCore::Seconds;
using testsupport::at;
using testsupport::ONE_MICROSECOND;

TEST(TimeRangeTest, AValidWindowIsHalfOpenForContainsAndClosedForBeforeAndAfter)
{
    const TimeRange window(at(20), at(10));  // two stamps are ordered
    ASSERT_TRUE(window.isValid());
    EXPECT_EQ(TimeRange(at(20), Seconds(-5.0)).end(), at(15));  // a begin and a duration are not

    EXPECT_TRUE(window > at(10) - ONE_MICROSECOND);
    EXPECT_FALSE(window.contains(at(10) - ONE_MICROSECOND));
    EXPECT_TRUE(window.contains(at(10)));
    EXPECT_FALSE(window > at(10) || window < at(10));
    EXPECT_FALSE(window.contains(at(20)));
    EXPECT_FALSE(window < at(20) || window > at(20));
    EXPECT_TRUE(window < at(20) + ONE_MICROSECOND);
}

TEST(TimeRangeTest, AnOpenWindowIsNeverBeforeOrAfterButStillContains)
{
    const TimeRange defaultRange;
    const TimeRange open(at(10), INFINITE_TIME_STAMP);
    EXPECT_FALSE(open.isValid() || defaultRange.isValid());
    for (const orvCore::TimeStamp& t : {orvCore::MIN_TIME_STAMP, at(10), at(1e6), INFINITE_TIME_STAMP})
        EXPECT_FALSE(open < t || open > t || defaultRange < t || defaultRange > t);
    EXPECT_FALSE(open.contains(at(10) - ONE_MICROSECOND));
    EXPECT_TRUE(open.contains(at(1e6)));
    EXPECT_FALSE(defaultRange.contains(at(10)));
}

TEST(TimeRangeTest, TouchingWindowsDoNotOverlapButEqualBeginsAlwaysDo)
{
    EXPECT_FALSE(TimeRange(at(0), at(10)).isOverlapping(TimeRange(at(10), at(20))));
    EXPECT_FALSE(TimeRange(at(10), at(20)).isOverlapping(TimeRange(at(0), at(10))));
    EXPECT_TRUE(TimeRange(at(0), at(10)).isOverlapping(TimeRange(at(10) - ONE_MICROSECOND, at(20))));
    EXPECT_TRUE(TimeRange(at(0), at(30)).isOverlapping(TimeRange(at(10), at(20))));
    EXPECT_TRUE(TimeRange(at(10), at(10)).isOverlapping(TimeRange(at(10), at(10))));
}

TEST(TimeRangeTest, ExtendCoversBothAndIgnoresInvalidRanges)
{
    const TimeRange a(at(10), at(20));
    const TimeRange both = a.extend(TimeRange(at(15), at(40)));
    EXPECT_EQ(both.begin(), at(10));
    EXPECT_EQ(both.end(), at(40));
    EXPECT_EQ(a.extend(TimeRange(at(0), INFINITE_TIME_STAMP)).end(), at(20));
    EXPECT_EQ(TimeRange().extend(a).begin(), at(10));
    EXPECT_EQ(a.extend(at(5)).begin(), at(5));
    EXPECT_EQ(a.extend(at(25)).end(), at(25));
    EXPECT_EQ(a.extend(at(15)).begin(), at(10));
    EXPECT_EQ(a.extend(at(15)).end(), at(20));
    const TimeRange fromInvalid = TimeRange().extend(at(7));
    EXPECT_EQ(fromInvalid.begin(), at(7));
    EXPECT_EQ(fromInvalid.end(), at(7));
}
