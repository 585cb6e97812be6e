#include "support/ReaderRig.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace readerrig {

namespace {

// Absorbs the rounding of media times to whole frames.
constexpr double kTimeRounding = 1e-6;

}  // namespace

std::string mediaPath(const std::string& name)
{
    const char* folder = std::getenv("MP2_TEST_MEDIA_DIR");
    return std::string(folder ? folder : ".") + "/" + name;
}

orvCore::TimeStamp at(double seconds)
{
    return orvCore::TimeStamp(kYear, orvCore::Seconds(seconds));
}

std::string writeFile(const QTemporaryDir& folder, const std::string& name, const std::string& text)
{
    const QString path = folder.filePath(QString::fromStdString(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.data(), static_cast<qint64>(text.size()));
    return path.toStdString();
}

std::string writeTmd(const QTemporaryDir& folder, const std::string& name, const std::string& media,
                     double startSeconds)
{
    return writeFile(folder, name,
                     "ReferenceYear " + std::to_string(kYear) + "\nMediaFileName \"" + media + "\"\nMediaStartTime "
                         + std::to_string(startSeconds) + "\n");
}

int clipFrameAfterSeekTo(double mediaSeconds)
{
    const double target = std::max(mediaSeconds, 0.0);
    const int frame = static_cast<int>(std::floor((target + kTimeRounding) * kFrameRate)) + 1;
    return std::min(frame, kClipFrames - 1);
}

std::set<unsigned int> childrenOn(const osg::Switch& node)
{
    std::set<unsigned int> on;
    for (unsigned int i = 0; i < node.getNumChildren(); ++i)
        if (node.getValue(i))
            on.insert(i);
    return on;
}

bool isBlank(const orvVis::ProjectorTexture& texture)
{
    return texture.image() && !texture.image()->data();
}

}  // namespace readerrig
