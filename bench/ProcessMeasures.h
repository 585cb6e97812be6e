#pragma once

#include <QFile>

#include <ctime>

/// CPU seconds of a clock: CLOCK_PROCESS_CPUTIME_ID counts every thread of the process, so that work
/// of any decoder thread is counted too; CLOCK_THREAD_CPUTIME_ID only the calling thread.
inline double cpuSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

/// A size in KiB from the process's status (/proc/self/status), e.g. "VmHWM"; 0 where it is not there.
inline long statusKiB(const QByteArray& field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = field + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').front().toLong();
    return 0;
}

/// The process's peak resident memory so far, in KiB.
inline long peakResidentKiB()
{
    return statusKiB("VmHWM");
}
