#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>

#include <array>
#include <functional>

namespace osg {
class Image;
}

/// Reads the frame number that a picture carries in its frame stamp: a row of sixteen cells across
/// the bottom of the picture, the first white, the last black, cells 1 to 14 bits 0 to 13 of the frame
/// number (white = 1). The test media and the demo clip carry it; other pictures give -1. The one
/// reader for tmdplay's sync report and every test that asks which picture it got.
class FrameStamp {
public:
    static constexpr int kCells = 16;

    /// The frame number from the brightness (0-255) of each cell, or -1 when the cells do not
    /// read as a stamp.
    static int decode(const std::array<int, kCells>& cellBrightness);
    /// From a picture as a media file writes it: 8-bit RGB(A) or BGR(A) rows with the image's origin.
    static int read(const osg::Image& picture);
    /// From the part of an image that shows the picture: a screenshot, or a whole grey picture.
    static int read(const QImage& image, const QRect& picture);
    /// From a screenshot that shows the picture in perspective: toScreen gives the pixel where a point
    /// of the picture lands, the point given across (0 left to 1 right) and up (0 bottom to 1 top).
    static int read(const QImage& image, const std::function<QPointF(double across, double up)>& toScreen);
};
