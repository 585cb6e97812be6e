// Any text as a time string, read against reference years at the edges of the calendar and of int.
// A time that is read prints as ISO 8601; when the printed year has four digits, the printed text
// reads back to the same instant.

#include "orvCore/TimeFormatter.h"

#include "support/FuzzSupport.h"

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// A common year, a leap year, the edges of the stamps the system keeps, the edges of the printed
// four-digit year, and the edges of int, which forms without a year take over unchecked.
constexpr std::array<int, 9> REFERENCE_YEARS = {2026, 2024, 1969, 1970, 16384, 0, 9999, INT_MIN, INT_MAX};

// "2026-03-14T12:30:05.250000Z"
constexpr std::size_t FOUR_DIGIT_YEAR_LENGTH = 27;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const orvCore::TimeFormatterRegistry formatter(false);
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const int referenceYear : REFERENCE_YEARS) {
        orvCore::TimeStamp stamp;
        if (formatter.fromString(text, stamp, referenceYear) != 0)
            continue;
        const std::string printed = formatter.toString(stamp);
        // Years before 0 print with a sign, years after 9999 with more digits: no time string has those.
        if (printed.size() != FOUR_DIGIT_YEAR_LENGTH || printed.front() == '-')
            continue;
        orvCore::TimeStamp readBack;
        FUZZ_CHECK(formatter.fromString(printed, readBack, referenceYear) == 0);
        FUZZ_CHECK(readBack == stamp);
    }
    return 0;
}
