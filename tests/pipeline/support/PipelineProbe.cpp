#include "support/PipelineProbe.h"

#include "support/TestMedia.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using FFmpeg::PlaybackPipeline;

namespace PipelineTest {

namespace {

// Linux keeps this many bytes of a thread's name.
constexpr int kThreadNameBytes = 15;

} // namespace

std::string nameOf(Threading threading)
{
    return threading == Threading::On ? "ThreadingOn" : "ThreadingOff";
}

PipelineProbe::PipelineProbe(Threading threading)
    : pipeline_(std::make_unique<PlaybackPipeline>())
{
    pipeline_->setThreadingEnabled(threading == Threading::On);
    connect(pipeline_.get(), &PlaybackPipeline::videoFrameReady, this, [this](std::shared_ptr<FFmpeg::Frame> frame) {
        shown.push_back({TestMedia::frameNumberOf(*frame), pipeline_->mediaTime(), pipeline_->playbackState()});
    });
    connect(pipeline_.get(), &PlaybackPipeline::mediaStatusChanged, this,
            [this](PlaybackPipeline::MediaStatus status) { statuses.push_back(status); });
    connect(pipeline_.get(), &PlaybackPipeline::playbackStateChanged, this,
            [this](PlaybackPipeline::PlaybackState state) { states.push_back(state); });
}

PipelineProbe::~PipelineProbe() = default;

PlaybackPipeline& PipelineProbe::pipeline()
{
    return *pipeline_;
}

void PipelineProbe::destroyPipeline()
{
    pipeline_.reset();
}

PlaybackPipeline::LoadError PipelineProbe::load(const std::string& mediaName, bool videoOnly)
{
    return pipeline_->loadFile(QString::fromStdString(TestMedia::path(mediaName)), videoOnly);
}

int PipelineProbe::lastShown() const
{
    return shown.empty() ? -1 : shown.back().number;
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
    const QByteArray shownName = name.toUtf8().left(kThreadNameBytes);
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == shownName)
            return true;
    }
    return false;
}

} // namespace PipelineTest
