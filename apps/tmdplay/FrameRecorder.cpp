#include "FrameRecorder.h"

#include "ScreenCapture.h"

namespace {
// JPEG quality: the frames are only the material of a video encoded afterwards.
constexpr int kQuality = 92;
}  // namespace

FrameRecorder::FrameRecorder(const QString& folder, ScreenCapture& capture)
    : folder_(folder)
    , recording_(!folder.isEmpty())
    , capture_(capture)
{
}

void FrameRecorder::beforeFrame()
{
    if (recording_)
        capture_.request();
}

bool FrameRecorder::afterFrame()
{
    if (!recording_)
        return true;
    const QImage& picture = capture_.captured();
    if (picture.isNull())
        return false;
    ++written_;
    return picture.save(folder_.filePath(QStringLiteral("frame-%1.jpg").arg(written_, 5, 10, QLatin1Char('0'))),
                        "JPG", kQuality);
}
