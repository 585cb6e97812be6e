#pragma once

#include "orvCore/Time.h"

#include <functional>
#include <limits>
#include <string>

namespace FFmpeg {
class Frame;
}

// The generated test media (tests/fixtures/generate-media.sh) and the waits of asynchronous tests.
namespace TestMedia {

// Clips run at this rate; frame n is presented at n / kFrameRate seconds.
constexpr double kFrameRate = 25.0;
// Test times lie in this year, so files can give them as seconds into it.
constexpr int kYear = 2026;

// Full path of a generated file.
std::string path(const std::string& name);
// The stamp `seconds` into the test year.
orvCore::TimeStamp at(double seconds);
// The number of the frame presented at `seconds`: the latest at or before it; the first before
// the start, the last from the end on.
int frameAt(double seconds, int lastFrame = std::numeric_limits<int>::max());
// When a generated file's first picture is presented, from the start of the file: after 0 where
// the container shifts every stream for sound that starts earlier.
double firstPictureTime(const std::string& name);
// The frame number a picture carries in its stamp, whatever its pixel format; -1 when none.
int frameNumberOf(const FFmpeg::Frame& frame);

// Runs the event loop until the condition holds; false when the time runs out.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);
// Runs the event loop for a while: work that should have stopped would go on meanwhile.
void runEventsFor(int ms);

} // namespace TestMedia
