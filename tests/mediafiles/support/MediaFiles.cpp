#include "support/MediaFiles.h"

#include "support/TestMedia.h"

namespace MediaFileTest {

QUrl urlOf(const std::string& mediaName)
{
    return QUrl::fromLocalFile(QString::fromStdString(TestMedia::path(mediaName)));
}

FFmpeg::PlaybackPipeline* pipelineOf(const QObject& file)
{
    return file.findChild<FFmpeg::PlaybackPipeline*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace MediaFileTest
