#pragma once

#include "ffmpeg/Frame.h"

#include <QObject>

#include <functional>
#include <memory>

namespace FFmpeg {

class CodecContext;

/// The pipeline's media clock: a media time that advances with the system clock at a settable
/// rate (0 holds it still, a negative rate runs it backwards) and can be set to any time.
/// Lives in the pipeline's thread and is used there only.
class Clock : public QObject
{
    Q_OBJECT
public:
    /// Where the clock reads the current system time, in seconds.
    using SystemTimeSource = std::function<double()>;

    /// A clock driven by the host's system time.
    explicit Clock(QObject* parent = nullptr);
    /// A clock driven by another time source, so that its users can step time themselves.
    explicit Clock(SystemTimeSource systemTime, QObject* parent = nullptr);

    void setCodec(const CodecContext* codec);
    double now() const;
    double timeRate() const;

public slots:
    void synchronizeToTime(double timeStamp);
    void synchronizeToFrame(std::shared_ptr<FFmpeg::Frame> frame);
    void setTimeRate(double multipleOfRealtime);

private:
    // All members belong to the thread the clock lives in.
    const CodecContext* codec_ = nullptr;  // not owned; turns frame time stamps into seconds
    double syncMediaTime_ = 0.0;
    double syncSystemTime_ = 0.0;
    double timeRate_ = 1.0;  // media seconds per system second
    SystemTimeSource systemTime_;
};

} // namespace FFmpeg
