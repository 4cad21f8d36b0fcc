#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// One metadata worker process, spoken to over a socket pair on its standard
// input and output. Used by one thread at a time.
class WorkerProcess {
public:
    WorkerProcess(QString program, QStringList arguments);
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    bool isRunning() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    Status start();

    enum class Failure { None, CouldNotStart, Died, TimedOut, BadAnswer };
    // Sends one request and waits at most timeoutMs for its answer. On any
    // failure the process is gone afterwards (killed when it hung).
    QByteArray call(const QByteArray& request, int timeoutMs, Failure* failure);

    void stop();

private:
    QString m_program;
    QStringList m_arguments;
    pid_t m_pid = -1;
    int m_socket = -1;
};
