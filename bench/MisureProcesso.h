#pragma once

#include <QtGlobal>

// What the benchmarks read of their own process.

// CPU time the whole process has used, in nanoseconds.
qint64 cpuNs();
// Resident memory of this process, or of process `pid`, in MB; -1 when it cannot be read.
double residenteMb(qint64 pid = 0);
