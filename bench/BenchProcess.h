// What the benchmarks read about their own process and hand from a measuring child to its driver.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// A line of /proc/self/status in MB ("VmRSS", "VmHWM"); -1 when it cannot be read.
double statusMb(const char* key);

// Processor time (user and system) another process has used so far, in seconds, with that of its
// children when asked (a database server's connection processes); -1 when it cannot be read.
double processCpuSeconds(qint64 pid, bool withChildren = false);

// The "name value" lines a measuring child printed, by name.
QHash<QString, double> readMeasurements(const QByteArray& output);
