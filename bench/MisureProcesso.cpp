#include "MisureProcesso.h"

#include <QByteArray>
#include <QFile>

#include <ctime>

qint64 cpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double residenteMb(qint64 pid)
{
    QFile stato(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid)
                        : QStringLiteral("/proc/self/status"));
    if (!stato.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray &riga : stato.readAll().split('\n')) {
        if (riga.startsWith("VmRSS:")) {
            return riga.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return -1;
}
