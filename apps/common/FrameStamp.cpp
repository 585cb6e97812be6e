#include "common/FrameStamp.h"

#include <osg/Image>

namespace {
// The stamp is read this far up from the picture's bottom edge, as a fraction of its height: inside
// the demo clip's stamp band, which is a twelfth of the height, and anywhere in a full-height one.
constexpr double kRowFromBottom = 0.04;
// Cells are white or black; anything between these is not a stamp, so ordinary video reads as none.
// The middle third is wide enough that coding noise, scaling and screen filtering never carry a cell
// across it, and a blurred or blended cell reads as no stamp rather than as a wrong number.
constexpr int kBlackBelow = 85;
constexpr int kWhiteAbove = 170;

int cellCentre(int cell, int extent)
{
    return static_cast<int>((cell + 0.5) * extent / FrameStamp::kCells);
}
}  // namespace

int FrameStamp::decode(const std::array<int, kCells>& cellBrightness)
{
    for (int brightness : cellBrightness)
        if (brightness >= kBlackBelow && brightness <= kWhiteAbove)
            return -1;
    if (cellBrightness.front() < kWhiteAbove || cellBrightness.back() > kBlackBelow)
        return -1;
    int frame = 0;
    for (int bit = 0; bit < kCells - 2; ++bit)
        if (cellBrightness[bit + 1] > kWhiteAbove)
            frame |= 1 << bit;
    return frame;
}

int FrameStamp::read(const osg::Image& picture)
{
    // A quad still waiting for its first picture has an image without data or pixel format; OSG
    // complains about asking the components of the latter, so look at the data first.
    if (!picture.data() || picture.s() <= 0 || picture.t() <= 0 || picture.getDataType() != GL_UNSIGNED_BYTE
        || osg::Image::computeNumComponents(picture.getPixelFormat()) < 3)
        return -1;
    const int fromBottom = static_cast<int>(kRowFromBottom * picture.t());
    const int row = picture.getOrigin() == osg::Image::TOP_LEFT ? picture.t() - 1 - fromBottom : fromBottom;
    std::array<int, kCells> brightness{};
    for (int cell = 0; cell < kCells; ++cell) {
        const unsigned char* pixel = picture.data(cellCentre(cell, picture.s()), row);
        // Red and blue may be swapped; the cells are grey, so the mean serves either order.
        brightness[cell] = (pixel[0] + pixel[1] + pixel[2]) / 3;
    }
    return decode(brightness);
}

int FrameStamp::read(const QImage& image, const QRect& picture)
{
    if (picture.isEmpty() || !image.rect().contains(picture))
        return -1;
    return read(image, [&](double across, double up) {
        return QPointF(picture.left() + across * picture.width(), picture.bottom() - up * picture.height());
    });
}

int FrameStamp::read(const QImage& image, const std::function<QPointF(double across, double up)>& toScreen)
{
    std::array<int, kCells> brightness{};
    for (int cell = 0; cell < kCells; ++cell) {
        const QPointF at = toScreen((cell + 0.5) / kCells, kRowFromBottom);
        const QPoint pixel(static_cast<int>(at.x()), static_cast<int>(at.y()));
        if (!image.rect().contains(pixel))
            return -1;
        brightness[cell] = qGray(image.pixel(pixel));
    }
    return decode(brightness);
}
