#include "playlist/ClockState.h"

#include <gtest/gtest.h>

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

/// Writes value big-endian over size bytes from offset.
void put(Bytes& bytes, std::size_t offset, uint32_t value, std::size_t size = 4)
{
    for (std::size_t i = 0; i < size; ++i)
        bytes[offset + i] = static_cast<unsigned char>(value >> (8 * (size - 1 - i)));
}

void putScale(Bytes& bytes, float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    put(bytes, 12, bits);
}

}  // namespace

TEST(ClockStateTest, WritesExactlySixteenBigEndianBytesAndReadsThemBack)
{
    Bytes bytes(40, 0xAA);
    ClockState().serialize(bytes);
    EXPECT_EQ(bytes, DEFAULT_BYTES);

    sampleState().serialize(bytes);
    EXPECT_EQ(bytes, (Bytes{0x07, 0xE8, 0x01, 0x02, 0x03, 0x04, 0x00, 0x01, 0xE2, 0x40, 0x01, 0x00, 0x40, 0x20, 0, 0}));
    ClockState readBack;
    ASSERT_EQ(readBack.deserialize(bytes), 0);
    EXPECT_EQ(readBack, sampleState());
    EXPECT_EQ(readBack.timeStamp().referenceYear(), 2024);

    // One microsecond before year 16384 begins, written as year 16384 minus a second plus a fraction.
    bytes = DEFAULT_BYTES;
    put(bytes, 0, 16384, 2);
    put(bytes, 2, uint32_t(-1));
    put(bytes, 6, 999999);
    ASSERT_EQ(readBack.deserialize(bytes), 0);
    EXPECT_EQ(readBack.timeStamp(), orvCore::INFINITE_TIME_STAMP - Seconds(0, 1));
}

TEST(ClockStateTest, MalformedInputIsRefusedAndLeavesTheStateUnchanged)
{
    const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> cases = {
        {"15 bytes", [](Bytes& b) { b.pop_back(); }},
        {"17 bytes", [](Bytes& b) { b.push_back(0); }},
        {"year 1969", [](Bytes& b) { put(b, 0, 1969, 2); }},
        {"negative year", [](Bytes& b) { put(b, 0, uint32_t(-2000), 2); }},
        {"the open end itself", [](Bytes& b) { put(b, 0, 16384, 2); }},
        {"before 1970", [](Bytes& b) { put(b, 2, uint32_t(-1)); }},
        {"direction 3", [](Bytes& b) { b[10] = 3; }},
        {"real-time mode 2", [](Bytes& b) { b[11] = 2; }},
        {"scale 0", [](Bytes& b) { putScale(b, 0.0f); }},
        {"negative scale", [](Bytes& b) { putScale(b, -1.0f); }},
        {"NaN scale", [](Bytes& b) { putScale(b, std::numeric_limits<float>::quiet_NaN()); }},
        {"infinite scale", [](Bytes& b) { putScale(b, std::numeric_limits<float>::infinity()); }},
    };
    for (const auto& [what, spoil] : cases) {
        Bytes bytes = DEFAULT_BYTES;
        spoil(bytes);
        ClockState state = sampleState();
        EXPECT_EQ(state.deserialize(bytes), 1) << what;
        EXPECT_EQ(state, sampleState()) << what;
    }
}
