#include "playlist/ClockState.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace MediaPlayer2 {

namespace {

// Byte offsets of the fields in the serialized form.
constexpr std::size_t YEAR_OFFSET = 0;
constexpr std::size_t SECONDS_OFFSET = 2;
constexpr std::size_t FRACTION_OFFSET = 6;
constexpr std::size_t DIRECTION_OFFSET = 10;
constexpr std::size_t REAL_TIME_OFFSET = 11;
constexpr std::size_t SCALE_OFFSET = 12;

quint32 floatBits(float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatFromBits(quint32 bits)
{
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

ClockState::ClockState()
    : timeStamp_(1970, orvCore::Seconds(0.0))
{
}

ClockState::ClockState(const orvCore::Clock& clock)
    : timeStamp_(clock.currentTime())
    , direction_(clock.timeDirection())
    , realTimeMode_(clock.isRealTime() ? orvCore::REAL_TIME_ON : orvCore::REAL_TIME_OFF)
    , scaleOfRealTime_(clock.timeScale())
{
}

bool ClockState::operator==(const ClockState& other) const
{
    return timeStamp_ == other.timeStamp_ && direction_ == other.direction_
        && realTimeMode_ == other.realTimeMode_ && scaleOfRealTime_ == other.scaleOfRealTime_;
}

void ClockState::serialize(std::vector<unsigned char>& out) const
{
    out.resize(SERIALIZED_SIZE);
    unsigned char* bytes = out.data();
    const orvCore::Seconds& seconds = timeStamp_.secondsIntoYear();
    qToBigEndian(static_cast<quint16>(timeStamp_.referenceYear()), bytes + YEAR_OFFSET);
    qToBigEndian(static_cast<quint32>(seconds.wholeSeconds()), bytes + SECONDS_OFFSET);
    qToBigEndian(static_cast<quint32>(seconds.fraction()), bytes + FRACTION_OFFSET);
    bytes[DIRECTION_OFFSET] = static_cast<unsigned char>(direction_);
    bytes[REAL_TIME_OFFSET] = static_cast<unsigned char>(realTimeMode_);
    qToBigEndian(floatBits(static_cast<float>(scaleOfRealTime_)), bytes + SCALE_OFFSET);
}

int ClockState::deserialize(const std::vector<unsigned char>& in)
{
    if (in.size() != SERIALIZED_SIZE)
        return 1;
    const unsigned char* bytes = in.data();

    const int year = qFromBigEndian<qint16>(bytes + YEAR_OFFSET);
    if (year < orvCore::MIN_TIME_STAMP.referenceYear() || year > orvCore::INFINITE_TIME_STAMP.referenceYear())
        return 1;

    const orvCore::Seconds seconds(qFromBigEndian<qint32>(bytes + SECONDS_OFFSET),
                                   qFromBigEndian<qint32>(bytes + FRACTION_OFFSET));
    const orvCore::TimeStamp timeStamp(year, seconds);
    if (timeStamp < orvCore::MIN_TIME_STAMP || timeStamp >= orvCore::INFINITE_TIME_STAMP)
        return 1;

    const unsigned char direction = bytes[DIRECTION_OFFSET];
    const unsigned char realTimeMode = bytes[REAL_TIME_OFFSET];
    if (direction > orvCore::STOP || realTimeMode > orvCore::REAL_TIME_ON)
        return 1;

    // Written as "greater than zero and finite" so that NaN, which fails every comparison, fails too.
    const double scale = floatFromBits(qFromBigEndian<quint32>(bytes + SCALE_OFFSET));
    if (!(scale > 0.0) || !std::isfinite(scale))
        return 1;

    timeStamp_ = timeStamp;
    direction_ = static_cast<orvCore::TimeDirection>(direction);
    realTimeMode_ = static_cast<orvCore::RealTimeMode>(realTimeMode);
    scaleOfRealTime_ = scale;
    return 0;
}

}  // namespace MediaPlayer2
