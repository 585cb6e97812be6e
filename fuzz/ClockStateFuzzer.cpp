// Any bytes as a serialized clock state. A refused input leaves the state as it was; an accepted one
// serializes to a form that reads back to an equal state, as long as its whole seconds fit the 32
// bits the form keeps (a negative fraction read in borrows from them and may push them past).

#include "playlist/ClockState.h"

#include "support/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using MediaPlayer2::ClockState;

    const std::vector<unsigned char> bytes(data, data + size);
    ClockState state;
    if (state.deserialize(bytes) != 0) {
        FUZZ_CHECK(state == ClockState());
        return 0;
    }
    FUZZ_CHECK(size == ClockState::SERIALIZED_SIZE);

    const std::int64_t wholeSeconds = state.timeStamp().secondsIntoYear().wholeSeconds();
    using Int32 = std::numeric_limits<std::int32_t>;
    if (wholeSeconds < Int32::min() || wholeSeconds > Int32::max())
        return 0;
    std::vector<unsigned char> written;
    state.serialize(written);
    FUZZ_CHECK(written.size() == ClockState::SERIALIZED_SIZE);
    ClockState readBack;
    FUZZ_CHECK(readBack.deserialize(written) == 0);
    FUZZ_CHECK(readBack == state);
    return 0;
}
