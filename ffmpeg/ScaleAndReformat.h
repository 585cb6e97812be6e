#pragma once

// Before the FFmpeg headers, which need the C99 integer constant macros in C++.
#include <cstdint>

extern "C" {
#include <libavutil/pixfmt.h>
}


struct AVCodecContext;
struct SwsContext;

namespace UTILS {

// A picture scaler and pixel-format converter. Initialising again with the same values reuses the
// scaler; a failed initialisation leaves it unusable until a later one succeeds.
class ScaleAndReformat
{
public:
    ScaleAndReformat();
    ScaleAndReformat(const ScaleAndReformat&) = delete;
    ScaleAndReformat& operator=(const ScaleAndReformat&) = delete;
    ~ScaleAndReformat();

    int initialize(int sourceWidth, int sourceHeight, AVPixelFormat sourceFormat, int destinationWidth,
                   int destinationHeight, AVPixelFormat destinationFormat);
    // Destination size and format taken from the codec context.
    int initialize(int sourceWidth, int sourceHeight, AVPixelFormat sourceFormat,
                   const AVCodecContext* destination);
    // Source size and format taken from the codec context.
    int initialize(const AVCodecContext& source, int destinationWidth, int destinationHeight,
                   AVPixelFormat destinationFormat);

    // The height of the output slice, or 0 when not initialised.
    int scale(const uint8_t* const* sourcePlanes, const int* sourceStrides, int firstSourceRow,
              int numSourceRows, uint8_t* const* destinationPlanes, const int* destinationStrides);

private:
    SwsContext* context_;
};

} // namespace UTILS
