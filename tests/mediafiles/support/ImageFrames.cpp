#include "ImageFrames.h"

#include <osg/GL>

namespace MediaFileTest {

namespace {

// The pattern: ten cells side by side; cell 0 white, cell 9 black, cells 1..8 bits 0..7.
constexpr int kNumCells = 10;
constexpr int kNumBits = 8;
// Grey levels beyond these are clearly white or black; anything between means no pattern.
constexpr int kWhiteAbove = 170;
constexpr int kBlackBelow = 85;
constexpr int kBytesPerPixel = 4;

// 1 for white, 0 for black, -1 for neither. The pictures are grey, so the mean of the colour
// bytes is their grey level.
int cellValue(const osg::Image& image, int cell)
{
    const int x = (2 * cell + 1) * image.s() / (2 * kNumCells);
    const unsigned char* pixel = image.data(x, image.t() / 2);
    const int level = (pixel[0] + pixel[1] + pixel[2]) / 3;
    if (level > kWhiteAbove)
        return 1;
    if (level < kBlackBelow)
        return 0;
    return -1;
}

} // namespace

int frameNumberOf(const osg::Image& image)
{
    if (image.s() < kNumCells || image.t() < 1 || !image.data() || image.getPixelFormat() != GL_BGRA
        || image.getDataType() != GL_UNSIGNED_BYTE || image.getPixelSizeInBits() != kBytesPerPixel * 8)
        return -1;
    if (cellValue(image, 0) != 1 || cellValue(image, kNumCells - 1) != 0)
        return -1;
    int number = 0;
    for (int bit = 0; bit < kNumBits; ++bit) {
        const int value = cellValue(image, bit + 1);
        if (value < 0)
            return -1;
        number |= value << bit;
    }
    return number;
}

void FrameLog::modified(osg::BufferData* data) const
{
    const osg::Image* image = data->asImage();
    frames_.push_back(image ? frameNumberOf(*image) : -1);
}

std::vector<int> FrameLog::framesFrom(std::size_t index) const
{
    if (index >= frames_.size())
        return {};
    return std::vector<int>(frames_.begin() + long(index), frames_.end());
}

} // namespace MediaFileTest
