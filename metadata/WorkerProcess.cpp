#include "metadata/WorkerProcess.h"

#include "metadata/WorkerProtocol.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

WorkerProcess::WorkerProcess(QString program, QStringList arguments)
    : m_program(std::move(program)), m_arguments(std::move(arguments)) {}

WorkerProcess::~WorkerProcess() {
    stop();
}

Status WorkerProcess::start() {
    if (isRunning())
        return Status::ok();
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return Status::fail(QStringLiteral("cannot start the metadata worker: %1")
                                .arg(QString::fromLocal8Bit(std::strerror(errno))));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pair[1], STDOUT_FILENO);

    const QByteArray program = QFile::encodeName(m_program);
    QList<QByteArray> encoded{program};
    for (const QString& argument : m_arguments)
        encoded << argument.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (spawned != 0) {
        ::close(pair[0]);
        return Status::fail(QStringLiteral("cannot start the metadata worker %1: %2")
                                .arg(m_program, QString::fromLocal8Bit(std::strerror(spawned))));
    }
    m_pid = pid;
    m_socket = pair[0];
    return Status::ok();
}

QByteArray WorkerProcess::call(const QByteArray& request, int timeoutMs, Failure* failure) {
    *failure = Failure::None;
    if (!isRunning() && !start()) {
        *failure = Failure::CouldNotStart;
        return {};
    }
    QByteArray answer;
    WorkerProtocol::FrameStatus status = WorkerProtocol::FrameStatus::Closed;
    if (WorkerProtocol::writeFrame(m_socket, request))
        status = WorkerProtocol::readFrame(m_socket, &answer, timeoutMs);
    if (status == WorkerProtocol::FrameStatus::Ok)
        return answer;
    *failure = status == WorkerProtocol::FrameStatus::TimedOut  ? Failure::TimedOut
               : status == WorkerProtocol::FrameStatus::Invalid ? Failure::BadAnswer
                                                                : Failure::Died;
    stop();
    return {};
}

void WorkerProcess::stop() {
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_pid = -1;
}
