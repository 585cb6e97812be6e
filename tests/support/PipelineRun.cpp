#include "support/PipelineRun.h"

#include "support/TestMedia.h"

#include <QDir>
#include <QFile>


using FFmpeg::PlaybackPipeline;

namespace testsupport {

PipelineRun::PipelineRun(bool threaded)
{
    pipeline.setThreadingEnabled(threaded);
    QObject::connect(&pipeline, &PlaybackPipeline::videoFrameReady, [this](std::shared_ptr<FFmpeg::Frame> frame) {
        shown.push_back({TestMedia::frameNumberOf(*frame), pipeline.mediaTime()});
    });
    QObject::connect(&pipeline, &PlaybackPipeline::mediaStatusChanged,
                     [this](PlaybackPipeline::MediaStatus status) { statuses.push_back(status); });
    QObject::connect(&pipeline, &PlaybackPipeline::playbackStateChanged,
                     [this](PlaybackPipeline::PlaybackState state) { states.push_back(state); });
}

PlaybackPipeline::LoadError PipelineRun::load(const std::string& mediaName, bool videoOnly)
{
    return pipeline.loadFile(QString::fromStdString(TestMedia::path(mediaName)), videoOnly);
}

bool PipelineRun::waitForShown(int frameNumber)
{
    return TestMedia::waitUntil([&] { return !shown.empty() && shown.back().number == frameNumber; });
}

bool PipelineRun::waitForMediaTime(double mediaTime)
{
    return TestMedia::waitUntil([&] { return pipeline.mediaTime() > mediaTime; });
}

bool threadRunning(const QString& name)
{
    const QByteArray shownName = name.toUtf8().left(15);
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == shownName)
            return true;
    }
    return false;
}

}  // namespace testsupport
