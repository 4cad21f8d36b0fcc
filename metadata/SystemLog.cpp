#include "metadata/SystemLog.h"

#include <QByteArray>

#include <cstdio>
#include <syslog.h>
#include <unistd.h>

namespace SystemLog {
namespace {

const char* const Variable = "TESSAVIEW_LOG";
Destination destinationNow = Destination::Journal;
thread_local QString subject;

int priorityOf(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return LOG_DEBUG;
    case QtInfoMsg:
        return LOG_INFO;
    case QtWarningMsg:
        return LOG_WARNING;
    case QtCriticalMsg:
        return LOG_ERR;
    case QtFatalMsg:
        return LOG_CRIT;
    }
    return LOG_INFO;
}

void handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
    const QByteArray line =
        (subject.isEmpty() ? message : subject + QStringLiteral(": ") + message).toLocal8Bit();
    switch (destinationNow) {
    case Destination::Journal:
        ::syslog(priorityOf(type), "%s", line.constData());
        break;
    case Destination::StandardError:
        std::fprintf(stderr, "%s\n", line.constData());
        break;
    case Destination::Nowhere:
        break;
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void install(Destination destination, const char* program) {
    destinationNow = destination;
    // Opened now, so that a worker whose sandbox forbids new sockets still
    // reaches the journal.
    if (destination == Destination::Journal)
        ::openlog(program, LOG_PID | LOG_NDELAY, LOG_USER);
    const char* name = destination == Destination::Journal         ? "journal"
                       : destination == Destination::StandardError ? "stderr"
                                                                   : "none";
    ::setenv(Variable, name, 1);
    qInstallMessageHandler(handle);
}

Destination interactiveDefault() {
    return ::isatty(STDERR_FILENO) ? Destination::StandardError : Destination::Journal;
}

Destination inherited() {
    const QByteArray name = qgetenv(Variable);
    if (name == "stderr")
        return Destination::StandardError;
    if (name == "none")
        return Destination::Nowhere;
    return Destination::Journal;
}

void setSubject(const QString& file) {
    subject = file;
}

} // namespace SystemLog
