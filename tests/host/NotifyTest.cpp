#include "orvNotify/Notify.h"

#include "support/NotifyCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>

TEST(Notify, StartingLevelComesFromTheEnvironmentElseThree)
{
    // Thread-safe death tests run in a fresh copy of this program, which reads the level anew.
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    const auto exitWithStartingLevel = [] { std::exit(orvNotify::notifyLevel()); };
    for (const auto& [text, level] : {std::pair{"7", 7}, {"0", 0}, {"", 3}, {"high", 3}, {"5x", 3}, {" 5", 3}}) {
        setenv("ORV_NOTIFY_LEVEL", text, 1);
        EXPECT_EXIT(exitWithStartingLevel(), ::testing::ExitedWithCode(level), "") << '"' << text << '"';
    }
    unsetenv("ORV_NOTIFY_LEVEL");
    EXPECT_EXIT(exitWithStartingLevel(), ::testing::ExitedWithCode(3), "");
}

TEST(Notify, ShowsSeveritiesUpToTheLevelOnTheChosenStreamElseStandardError)
{
    testsupport::NotifyCapture capture(3);
    EXPECT_TRUE(orvNotify::isNotifyEnabled(3));
    EXPECT_FALSE(orvNotify::isNotifyEnabled(4));

    std::ostringstream chosen;
    std::ostringstream standardError;
    std::streambuf* const previousBuffer = std::cerr.rdbuf(standardError.rdbuf());
    orvNotify::setNotifyStream(&chosen);
    orvNotify::notify(2) << "Unable to open file: " << "a.tmd" << std::endl;
    orvNotify::setNotifyStream(nullptr);
    orvNotify::notify(2) << "to standard error" << std::endl;
    std::cerr.rdbuf(previousBuffer);
    EXPECT_EQ(chosen.str(), "Unable to open file: a.tmd\n");
    EXPECT_EQ(standardError.str(), "to standard error\n");
}
