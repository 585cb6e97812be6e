#include "playlist/ClockState.h"

#include "orvCore/SimulationClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

using MediaPlayer2::ClockState;
using orvCore::Seconds;
using orvCore::TimeStamp;
using Bytes = std::vector<unsigned char>;

namespace {

const Bytes DEFAULT_BYTES = {0x07, 0xB2, 0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x01, 0x3F, 0x80, 0x00, 0x00};

ClockState sampleState()
{
    ClockState state;
    state.setTimeStamp(TimeStamp(2024, Seconds(int64_t{0x01020304}, 123456)));
    state.setDirection(orvCore::REVERSE);
    state.setRealTimeMode(orvCore::REAL_TIME_OFF);
    state.setScaleOfRealTime(2.5);
    return state;
}

void putFloat(Bytes& bytes, float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        bytes[12 + i] = static_cast<unsigned char>(bits >> (24 - 8 * i));
}

void putYear(Bytes& bytes, int year)
{
    bytes[0] = static_cast<unsigned char>(year >> 8);
    bytes[1] = static_cast<unsigned char>(year);
}

void putInt32(Bytes& bytes, std::size_t offset, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<unsigned char>(bits >> (24 - 8 * i));
}

}  // namespace

TEST(ClockStateTest, DefaultStateHasTheDocumentedBytesAndReadsBackEqual)
{
    Bytes bytes;
    ClockState().serialize(bytes);
    EXPECT_EQ(bytes, DEFAULT_BYTES);

    ClockState readBack = sampleState();
    ASSERT_EQ(readBack.deserialize(DEFAULT_BYTES), 0);
    EXPECT_EQ(readBack, ClockState());
    EXPECT_EQ(readBack.timeStamp().referenceYear(), 1970);
}

TEST(ClockStateTest, EveryFieldIsWrittenBigEndianAndReadBack)
{
    Bytes bytes;
    sampleState().serialize(bytes);
    const Bytes expected = {0x07, 0xE8, 0x01, 0x02, 0x03, 0x04, 0x00, 0x01, 0xE2, 0x40, 0x01, 0x00,
                            0x40, 0x20, 0x00, 0x00};
    EXPECT_EQ(bytes, expected);

    ClockState readBack;
    ASSERT_EQ(readBack.deserialize(bytes), 0);
    EXPECT_EQ(readBack, sampleState());
    EXPECT_EQ(readBack.timeStamp().referenceYear(), 2024);
    EXPECT_EQ(readBack.timeStamp().secondsIntoYear(), Seconds(int64_t{0x01020304}, 123456));
}

TEST(ClockStateTest, SerializeLeavesExactlySixteenBytesWhateverTheVectorHeld)
{
    Bytes longer(40, 0xAA);
    ClockState().serialize(longer);
    EXPECT_EQ(longer, DEFAULT_BYTES);

    Bytes empty;
    ClockState().serialize(empty);
    EXPECT_EQ(empty, DEFAULT_BYTES);
}

TEST(ClockStateTest, MalformedInputIsRefusedAndLeavesTheStateUnchanged)
{
    struct Case {
        const char* what;
        std::function<void(Bytes&)> spoil;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const std::vector<Case> cases = {
        {"15 bytes", [](Bytes& b) { b.pop_back(); }},
        {"17 bytes", [](Bytes& b) { b.push_back(0); }},
        {"no bytes", [](Bytes& b) { b.clear(); }},
        {"year 1969", [](Bytes& b) { putYear(b, 1969); }},
        {"year 16385", [](Bytes& b) { putYear(b, 16385); }},
        {"negative year", [](Bytes& b) { putYear(b, -2000); }},
        {"the open end itself", [](Bytes& b) { putYear(b, 16384); }},
        {"past the open end", [](Bytes& b) { putYear(b, 16384); putInt32(b, 2, 1); }},
        {"before 1970", [](Bytes& b) { putInt32(b, 2, -1); }},
        {"direction 3", [](Bytes& b) { b[10] = 3; }},
        {"direction 255", [](Bytes& b) { b[10] = 255; }},
        {"real-time mode 2", [](Bytes& b) { b[11] = 2; }},
        {"scale 0", [](Bytes& b) { putFloat(b, 0.0f); }},
        {"scale -0", [](Bytes& b) { putFloat(b, -0.0f); }},
        {"negative scale", [](Bytes& b) { putFloat(b, -1.0f); }},
        {"NaN scale", [nan](Bytes& b) { putFloat(b, nan); }},
        {"infinite scale", [infinity](Bytes& b) { putFloat(b, infinity); }},
        {"negative infinite scale", [infinity](Bytes& b) { putFloat(b, -infinity); }},
    };
    for (const Case& c : cases) {
        Bytes bytes = DEFAULT_BYTES;
        c.spoil(bytes);
        ClockState state = sampleState();
        EXPECT_EQ(state.deserialize(bytes), 1) << c.what;
        EXPECT_EQ(state, sampleState()) << c.what;
    }
}

TEST(ClockStateTest, TimesFromTheFirstInstantUpToJustBeforeTheOpenEndAreAccepted)
{
    Bytes bytes = DEFAULT_BYTES;
    ClockState state = sampleState();
    ASSERT_EQ(state.deserialize(bytes), 0);
    EXPECT_EQ(state.timeStamp(), orvCore::MIN_TIME_STAMP);

    // One microsecond before year 16384 begins, written as year 16384 minus a second plus a fraction.
    putYear(bytes, 16384);
    putInt32(bytes, 2, -1);
    putInt32(bytes, 6, 999999);
    ASSERT_EQ(state.deserialize(bytes), 0);
    EXPECT_EQ(state.timeStamp(), orvCore::INFINITE_TIME_STAMP - Seconds(0, 1));
}

TEST(ClockStateTest, ScaleTravelsInSinglePrecision)
{
    ClockState written;
    written.setScaleOfRealTime(0.1);
    Bytes bytes;
    written.serialize(bytes);
    ClockState readBack;
    ASSERT_EQ(readBack.deserialize(bytes), 0);
    EXPECT_EQ(readBack.scaleOfRealTime(), static_cast<double>(0.1f));
    EXPECT_NE(readBack, written);
}

TEST(ClockStateTest, EqualityComparesInstantsAndANaNScaleIsNeverEqual)
{
    ClockState a;
    ClockState b;
    a.setTimeStamp(TimeStamp(1971, Seconds(0.0)));
    b.setTimeStamp(TimeStamp(1970, Seconds(365.0 * 86400.0)));
    EXPECT_TRUE(a == b);

    b.setDirection(orvCore::FORWARD);
    EXPECT_TRUE(a != b);

    ClockState withNaN;
    withNaN.setScaleOfRealTime(std::nan(""));
    EXPECT_FALSE(withNaN == withNaN);
    EXPECT_TRUE(withNaN != withNaN);
}

TEST(ClockStateTest, ASnapshotReadsTheWholeClock)
{
    orvCore::SimulationClock clock;
    clock.setTime(TimeStamp(2020, Seconds(42.5)));
    clock.playReverse();
    clock.setRealTime(false);
    clock.setTimeScale(3.0);

    const ClockState state(clock);
    EXPECT_EQ(state.timeStamp(), TimeStamp(2020, Seconds(42.5)));
    EXPECT_EQ(state.direction(), orvCore::REVERSE);
    EXPECT_EQ(state.realTimeMode(), orvCore::REAL_TIME_OFF);
    EXPECT_EQ(state.scaleOfRealTime(), 3.0);

    clock.setRealTime(true);
    EXPECT_EQ(ClockState(clock).realTimeMode(), orvCore::REAL_TIME_ON);
}
