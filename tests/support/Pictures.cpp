#include "support/Pictures.h"

namespace testsupport {

const std::vector<std::string> kQuadrantColours = {"red", "green", "blue", "yellow"};

QImage quadrantImage(QSize size, QImage::Format format, int extra)
{
    QImage image(size + QSize(extra, 0), QImage::Format_RGB32);
    image.fill(Qt::gray);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, colours[(2 * y / size.height()) * 2 + 2 * x / size.width()]);
    return image.convertToFormat(format);
}

std::vector<std::string> quadrantsOf(QSize size, const std::function<QRgb(int x, int y)>& pixelAt)
{
    std::vector<std::string> colours;
    for (const auto& [x, y] : {std::pair{1, 1}, {3, 1}, {1, 3}, {3, 3}}) {
        const QRgb pixel = pixelAt(x * size.width() / 4, y * size.height() / 4);
        const auto level = [](int value) { return value > 160 ? 'H' : value < 90 ? 'L' : '?'; };
        const std::string key{level(qRed(pixel)), level(qGreen(pixel)), level(qBlue(pixel))};
        const std::vector<std::pair<std::string, std::string>> names = {
            {"HLL", "red"}, {"LHL", "green"}, {"LLH", "blue"}, {"HHL", "yellow"}, {"LLL", "black"}};
        const auto named = std::find_if(names.begin(), names.end(), [&](const auto& n) { return n.first == key; });
        colours.push_back(named == names.end() ? key : named->second);
    }
    return colours;
}

}  // namespace testsupport
