#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <sys/resource.h>
#include <unistd.h>

// Processor time of this process and of the workers, in seconds: steadier
// than the wall clock on a shared machine.
inline double processorSeconds(const QList<qint64>& workers) {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    double seconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    for (qint64 pid : workers) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = stat.readAll().split(')').value(1).trimmed().split(' ');
        seconds += (fields.value(11).toDouble() + fields.value(12).toDouble()) /
                   double(sysconf(_SC_CLK_TCK));
    }
    return seconds;
}
