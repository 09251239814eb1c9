// The clocks and the one statistic the benches share: wall time since a timer started, processor
// time of this thread or the whole process, and the median of a set of runs.
#pragma once

#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <ctime>

namespace BenchClock {

inline double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

inline double cpuMs(clockid_t clock)
{
    timespec now {};
    clock_gettime(clock, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// This thread's processor time: what the work costs when other processes share the machine.
inline double threadCpuMs()
{
    return cpuMs(CLOCK_THREAD_CPUTIME_ID);
}

// Every thread of the process: a client's network thread too.
inline double processCpuMs()
{
    return cpuMs(CLOCK_PROCESS_CPUTIME_ID);
}

inline double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace BenchClock
