#pragma once

#include <string>

namespace FFmpeg {
class Frame;
}

namespace TestMedia {

// The generated clips run at this rate; frame n is presented at n / kFrameRate seconds.
constexpr double kFrameRate = 25.0;

// Full path of a file generated into the test media folder.
std::string path(const std::string& name);

// The frame number that the generated picture encodes in its row of cells, or -1 when the picture
// does not carry a readable pattern. Works for any pixel format the scaler reads.
int frameNumberOf(const FFmpeg::Frame& frame);

// The number of the frame presented at the given time, which is the latest at or before it.
int frameNumberAt(double seconds);

} // namespace TestMedia
