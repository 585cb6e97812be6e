#include "support/QueuedCallOrdering.h"

#include "ffmpeg/Frame.h"
#include "ffmpeg/Packet.h"

#include <QByteArray>
#include <QEvent>
#include <QImage>
#include <QMetaType>
#include <QSharedPointer>

#include <sanitizer/tsan_interface.h>

#include <memory>
#include <new>

namespace {

// Qt orders a call's posting before its delivery through the receiving thread's queue. One token
// for all queues is coarser: a copy made for a call to one thread is also ordered before a later
// delivery in another. With the few threads a pipeline runs that hides little, and it needs
// nothing from Qt's private headers.
char queuedCalls;

// Qt copies each argument with the type's registered constructor, in the sending thread, before
// it posts the call.
template <typename T>
void* copyForQueuedCall(void* where, const void* copy)
{
    void* const made = copy ? new (where) T(*static_cast<const T*>(copy)) : new (where) T();
    __tsan_release(&queuedCalls);
    return made;
}

// A copy is destroyed after its call is delivered, or in whatever thread drops the call undelivered
// (a receiver deleted, or its posted events removed); Qt orders both after the posting.
template <typename T>
void destroyAfterQueuedCall(void* what)
{
    __tsan_acquire(&queuedCalls);
    static_cast<T*>(what)->~T();
}

// Registered before the code under test registers the same type, so that Qt keeps this
// constructor for it.
template <typename T>
void orderCopiesOf(const char* typeName)
{
    const QMetaType::Destructor destructor = destroyAfterQueuedCall<T>;
    const QMetaType::Constructor constructor = copyForQueuedCall<T>;
    QMetaType::registerNormalizedType(QMetaObject::normalizedType(typeName), destructor, constructor,
                                      static_cast<int>(sizeof(T)),
                                      QMetaType::TypeFlags(QtPrivate::QMetaTypeTypeFlags<T>::Flags), nullptr);
}

// Runs in the receiving thread before any event is delivered.
bool acquireBeforeQueuedCall(void** notification)
{
    if (static_cast<QEvent*>(notification[1])->type() == QEvent::MetaCall)
        __tsan_acquire(&queuedCalls);
    return false;  // deliver the event as usual
}

} // namespace

void orderQueuedCallsForThreadSanitizer()
{
    // Every type the pipeline and the tests hand from one thread to another.
    orderCopiesOf<std::shared_ptr<FFmpeg::Frame>>("std::shared_ptr<FFmpeg::Frame>");
    orderCopiesOf<std::shared_ptr<FFmpeg::Packet>>("std::shared_ptr<FFmpeg::Packet>");
    orderCopiesOf<QSharedPointer<QByteArray>>("QSharedPointer<QByteArray>");
    orderCopiesOf<QSharedPointer<QImage>>("QSharedPointer<QImage>");
    QInternal::registerCallback(QInternal::EventNotifyCallback, acquireBeforeQueuedCall);
}
