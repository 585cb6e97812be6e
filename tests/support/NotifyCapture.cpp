#include "support/NotifyCapture.h"

#include "orvNotify/Notify.h"

namespace testsupport {

NotifyCapture::NotifyCapture(int level)
    : previousLevel_(orvNotify::notifyLevel())
{
    orvNotify::setNotifyLevel(level);
    orvNotify::setNotifyStream(&stream_);
}

NotifyCapture::~NotifyCapture()
{
    orvNotify::setNotifyStream(nullptr);
    orvNotify::setNotifyLevel(previousLevel_);
}

void NotifyCapture::clear()
{
    stream_.str({});
    stream_.clear();
}

}  // namespace testsupport
