#pragma once

// What the benchmark's three processes share: one clock, and readings of a process from /proc.

#include <QByteArray>
#include <QList>

#include <sys/types.h>

namespace sleevelight::bench {

// Nanoseconds of the system's monotonic clock, the same in every process of the machine.
qint64 nowNs();

// Processor time (user and system) a process has used so far, in nanoseconds; -1 when gone.
qint64 processorNs(pid_t pid);

// A field of /proc/<pid>/status in kibibytes ("VmRSS", "VmHWM"); -1 when not readable.
qint64 statusKiB(pid_t pid, const char* field);

double median(QList<double> values);

} // namespace sleevelight::bench
