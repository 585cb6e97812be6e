#include "support/PipelineProbe.h"

#include "support/TestMedia.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using FFmpeg::PlaybackPipeline;

namespace PipelineTest {

std::string nameOf(Threading threading)
{
    return threading == Threading::On ? "ThreadingOn" : "ThreadingOff";
}

PipelineProbe::PipelineProbe(Threading threading)
    : pipeline_(std::make_unique<PlaybackPipeline>())
{
    pipeline_->setThreadingEnabled(threading == Threading::On);
    connect(pipeline_.get(), &PlaybackPipeline::videoFrameReady, this, [this](std::shared_ptr<FFmpeg::Frame> frame) {
        shown.push_back({TestMedia::frameNumberOf(*frame), pipeline_->mediaTime()});
    });
    connect(pipeline_.get(), &PlaybackPipeline::mediaStatusChanged, this,
            [this](PlaybackPipeline::MediaStatus status) { statuses.push_back(status); });
    connect(pipeline_.get(), &PlaybackPipeline::playbackStateChanged, this,
            [this](PlaybackPipeline::PlaybackState state) { states.push_back(state); });
}

PlaybackPipeline::LoadError PipelineProbe::load(const std::string& mediaName, bool videoOnly)
{
    return pipeline_->loadFile(QString::fromStdString(TestMedia::path(mediaName)), videoOnly);
}

bool PipelineProbe::waitUntil(const std::function<bool()>& condition)
{
    return TestMedia::waitUntil(condition);
}

bool PipelineProbe::waitForShown(int frameNumber)
{
    return waitUntil([&] { return lastShown() == frameNumber; });
}

bool PipelineProbe::waitForMediaTime(double mediaTime)
{
    return waitUntil([&] { return pipeline_->mediaTime() > mediaTime; });
}

bool PipelineProbe::waitForPictureOfClock(int lastFrame)
{
    return waitForShown(std::min(TestMedia::frameNumberAt(pipeline_->mediaTime()), lastFrame));
}

bool threadRunning(const QString& name)
{
    // Linux keeps 15 bytes of a thread's name.
    const QByteArray shownName = name.toUtf8().left(15);
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == shownName)
            return true;
    }
    return false;
}

} // namespace PipelineTest
