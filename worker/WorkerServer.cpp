#include "worker/WorkerServer.h"

#include "metadata/MetadataService.h"
#include "metadata/SystemLog.h"
#include "metadata/WorkerProtocol.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

// Tests stand a photo that breaks the library in for a real one: with
// TESSAVIEW_WORKER_FAULT=crash:NAME (or abort:, kill:, hang:, oom:,
// die-while-writing:) a request whose path contains NAME makes the worker
// fail that way.
void actOutInjectedFault(const QString& path, const QString& output) {
    static const QString fault = qEnvironmentVariable("TESSAVIEW_WORKER_FAULT");
    if (fault.isEmpty())
        return;
    const QString kind = fault.section(QLatin1Char(':'), 0, 0);
    const QString name = fault.section(QLatin1Char(':'), 1);
    if (name.isEmpty() || !path.contains(name))
        return;
    if (kind == QLatin1String("crash"))
        ::raise(SIGSEGV);
    if (kind == QLatin1String("abort"))
        std::abort();
    if (kind == QLatin1String("kill"))
        ::raise(SIGKILL);
    if (kind == QLatin1String("die-while-writing") && !output.isEmpty()) {
        const QFileInfo target(output);
        QFile part(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                   QStringLiteral(".dying.part"));
        if (part.open(QIODevice::WriteOnly))
            part.write("half a photo");
        part.close();
        ::raise(SIGKILL);
    }
    if (kind == QLatin1String("hang")) {
        for (;;)
            QThread::sleep(60);
    }
    if (kind == QLatin1String("oom")) {
        std::vector<char*> hoard;
        for (;;) {
            char* block = new char[64 << 20];
            for (size_t i = 0; i < (64u << 20); i += 4096)
                block[i] = 1;
            hoard.push_back(block);
        }
    }
}

QVariantMap answer(const QVariantMap& request, MetadataService& service) {
    namespace Op = WorkerProtocol::Op;
    namespace Key = WorkerProtocol::Key;
    const QString op = request.value(Key::Op).toString();
    const QString path = WorkerProtocol::pathOf(request);
    actOutInjectedFault(path, request.value(Key::Output).toString());
    if (op == Op::Read)
        return WorkerProtocol::propertiesAnswer(service.readProperties(path));
    if (op == Op::Preview)
        return WorkerProtocol::previewAnswer(
            service.readPreview(path, request.value(Key::MaxSide).toInt()));
    if (op == Op::Rewrite)
        return WorkerProtocol::outcomeAnswer(service.rewrite(WorkerProtocol::jobOf(request)));
    return {{Key::Ok, false}, {Key::Error, QStringLiteral("unknown request")}};
}

} // namespace

int serveRequests(int fd, MetadataService& service) {
    for (;;) {
        QByteArray frame;
        const auto status = WorkerProtocol::readFrame(fd, &frame, -1);
        if (status == WorkerProtocol::FrameStatus::Closed)
            return 0;
        if (status != WorkerProtocol::FrameStatus::Ok)
            return 2;
        const auto request = WorkerProtocol::decode(frame);
        if (!request)
            return 2;
        QVariantMap reply;
        // Whatever the libraries log while this request runs names its file.
        SystemLog::setSubject(WorkerProtocol::pathOf(*request));
        try {
            reply = answer(*request, service);
        } catch (const std::bad_alloc&) {
            // Over the memory cap: the state of the library is unknown, so the
            // worker ends and the client starts a fresh one.
            ::_exit(75);
        }
        SystemLog::setSubject(QString());
        if (!WorkerProtocol::writeFrame(fd, WorkerProtocol::encode(reply)))
            return 0;
    }
}
