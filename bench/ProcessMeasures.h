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

/// The process's peak resident memory so far (VmHWM), in KiB; 0 where /proc is not there.
inline long peakResidentKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return 0;
}
