#include "ffmpeg/ScaleAndReformat.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

namespace UTILS {

ScaleAndReformat::ScaleAndReformat() : context_(nullptr) {}

ScaleAndReformat::~ScaleAndReformat()
{
    sws_freeContext(context_);
}

int ScaleAndReformat::initialize(int sourceWidth, int sourceHeight, AVPixelFormat sourceFormat,
                                 int destinationWidth, int destinationHeight, AVPixelFormat destinationFormat)
{
    // libswscale asserts on formats it does not know instead of failing; refuse them here.
    if (!sws_isSupportedInput(sourceFormat) || !sws_isSupportedOutput(destinationFormat)) {
        sws_freeContext(context_);
        context_ = nullptr;
        return 1;
    }
    // The cached form frees the old context when the values change and keeps it when they do not.
    context_ = sws_getCachedContext(context_, sourceWidth, sourceHeight, sourceFormat, destinationWidth,
                                    destinationHeight, destinationFormat, SWS_BICUBIC, nullptr, nullptr, nullptr);
    return context_ ? 0 : 1;
}

int ScaleAndReformat::initialize(int sourceWidth, int sourceHeight, AVPixelFormat sourceFormat,
                                 const AVCodecContext* destination)
{
    if (!destination)
        return 1;
    return initialize(sourceWidth, sourceHeight, sourceFormat, destination->width, destination->height,
                      destination->pix_fmt);
}

int ScaleAndReformat::initialize(const AVCodecContext& source, int destinationWidth, int destinationHeight,
                                 AVPixelFormat destinationFormat)
{
    return initialize(source.width, source.height, source.pix_fmt, destinationWidth, destinationHeight,
                      destinationFormat);
}

int ScaleAndReformat::scale(const uint8_t* const* sourcePlanes, const int* sourceStrides, int firstSourceRow,
                            int numSourceRows, uint8_t* const* destinationPlanes, const int* destinationStrides)
{
    if (!context_)
        return 0;
    return sws_scale(context_, sourcePlanes, sourceStrides, firstSourceRow, numSourceRows, destinationPlanes,
                     destinationStrides);
}

} // namespace UTILS
