#pragma once

// ThreadSanitizer does not see Qt's event queue: Qt 5 is not instrumented and its mutexes are
// futex based. A queued call's arguments are copied in the sending thread and read in the
// receiving one, and without help every such hand-over is reported as a race. This tells the tool
// what the queue guarantees. Call it once, before any queued call is made.
void orderQueuedCallsForThreadSanitizer();
