#pragma once

#include <QImage>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

/// Red top left, green top right, blue bottom left, yellow bottom right, then `extra` grey columns:
/// tells every flip, mirror and swap of colour channels apart.
QImage quadrantImage(QSize size, QImage::Format format = QImage::Format_RGB32, int extra = 0);
/// The colours shown at the centres of the quadrants of an area of that size, by name ("red",
/// "black", ...), so that coding and filtering do not matter.
std::vector<std::string> quadrantsOf(QSize size, const std::function<QRgb(int x, int y)>& pixelAt);
extern const std::vector<std::string> kQuadrantColours;

}  // namespace testsupport
