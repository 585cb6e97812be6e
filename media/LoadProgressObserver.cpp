#include "media/LoadProgressObserver.h"

#include "media/MediaFile.h"
#include "orvNotify/Notify.h"

#include <string>

namespace MediaPlayer2 {

namespace {

// The progress trace is the most verbose output of the system.
constexpr int TRACE_SEVERITY = 7;
constexpr int ALL_LOADED_PERCENT = 100;

void trace(const std::string& text)
{
    if (orvNotify::isNotifyEnabled(TRACE_SEVERITY))
        orvNotify::notify(TRACE_SEVERITY) << "[LPO] " << text << std::endl;
}

}  // namespace

LoadProgressObserver::LoadProgressObserver(QObject* parent)
    : QObject(parent)
{
}

void LoadProgressObserver::watchFile(MediaFile* file)
{
    if (!file)
        return;
    watchedFiles_.append(file);
    if (file->isLoadingComplete())
        incrementCompleted_();
    else
        connect(file, &MediaFile::loadingComplete, this, &LoadProgressObserver::incrementCompleted_);
    emitProgress_();
}

void LoadProgressObserver::reset()
{
    for (const QPointer<MediaFile>& file : qAsConst(watchedFiles_)) {
        if (file)
            disconnect(file, &MediaFile::loadingComplete, this, &LoadProgressObserver::incrementCompleted_);
    }
    watchedFiles_.clear();
    initializationFinished_ = false;
    completed_ = 0;
    lastProgress_ = -1;
}

void LoadProgressObserver::setInitializationFinished()
{
    if (initializationFinished_)
        return;
    initializationFinished_ = true;
    if (lastProgress_ == ALL_LOADED_PERCENT || watchedFiles_.isEmpty()) {
        trace("completed() in setInitializationFinished().");
        emit completed();
    }
}

void LoadProgressObserver::incrementCompleted_()
{
    ++completed_;
    emitProgress_();
}

int LoadProgressObserver::calculateProgress_() const
{
    if (watchedFiles_.isEmpty())
        return initializationFinished_ ? ALL_LOADED_PERCENT : 0;
    return static_cast<int>(100.0 * completed_ / watchedFiles_.size());
}

void LoadProgressObserver::emitProgress_()
{
    const int progress = calculateProgress_();
    // Written on every call, also when the percentage stands still, so a trace shows each report.
    trace("Progress Update: " + std::to_string(progress) + "%");
    if (progress == lastProgress_)
        return;
    lastProgress_ = progress;
    emit progressChanged(progress);
    if (initializationFinished_ && progress == ALL_LOADED_PERCENT) {
        trace("completed() in emitProgress_().");
        emit completed();
    }
}

}  // namespace MediaPlayer2
