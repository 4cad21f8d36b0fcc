#include "metadata/WorkerMetadataClient.h"

#include "metadata/CompanionProgram.h"
#include "metadata/WorkerProcess.h"
#include "metadata/WorkerProtocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace {

QString defaultWorkerProgram() {
    const QByteArray fromEnvironment = qgetenv("TESSAVIEW_WORKER");
    if (!fromEnvironment.isEmpty())
        return QFile::decodeName(fromEnvironment);
    return companionProgram(QStringLiteral("tessaview-worker"),
                            QStringLiteral(TV_INSTALLED_WORKER));
}

// A worker that died while committing leaves its temporary file beside the
// output; nothing else writes that name while the request is in hand.
void removeLeftoverTemporaries(const QString& outputPath) {
    if (outputPath.isEmpty())
        return;
    const QFileInfo output(outputPath);
    QDir folder(output.absolutePath());
    const QString pattern = QLatin1Char('.') + output.fileName() + QStringLiteral(".*.part");
    for (const QString& name :
         folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
        folder.remove(name);
}

} // namespace

WorkerMetadataClient::WorkerMetadataClient() : WorkerMetadataClient(Options()) {}

WorkerMetadataClient::WorkerMetadataClient(Options options) : m_options(std::move(options)) {
    if (m_options.program.isEmpty())
        m_options.program = defaultWorkerProgram();
    if (m_options.workers <= 0)
        m_options.workers = std::max(1, QThread::idealThreadCount());
}

WorkerMetadataClient::~WorkerMetadataClient() = default;

QString WorkerMetadataClient::failureMessage(Failure failure) {
    switch (failure) {
    case Failure::Died:
        return QStringLiteral("the metadata worker died on this file");
    case Failure::TimedOut:
        return QStringLiteral("the metadata worker timed out on this file");
    case Failure::Unreadable:
        break;
    }
    return QStringLiteral("the metadata worker answered something unreadable");
}

std::unique_ptr<WorkerProcess> WorkerMetadataClient::newWorker() const {
    return std::make_unique<WorkerProcess>(
        m_options.program,
        QStringList{QStringLiteral("--memory-limit"), QString::number(m_options.memoryLimit)});
}

WorkerProcess* WorkerMetadataClient::acquire() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_idle.empty()) {
            WorkerProcess* worker = m_idle.back();
            m_idle.pop_back();
            return worker;
        }
        if (int(m_workers.size()) < m_options.workers) {
            m_workers.push_back(newWorker());
            return m_workers.back().get();
        }
        m_available.wait(lock);
    }
}

void WorkerMetadataClient::startWorkers() {
    std::lock_guard lock(m_mutex);
    while (int(m_workers.size()) < m_options.workers) {
        m_workers.push_back(newWorker());
        // One that does not start is tried again by its first request,
        // which reports why.
        (void)m_workers.back()->start();
        m_idle.push_back(m_workers.back().get());
    }
    m_available.notify_all();
}

void WorkerMetadataClient::release(WorkerProcess* worker) {
    {
        std::lock_guard lock(m_mutex);
        m_idle.push_back(worker);
    }
    m_available.notify_one();
}

WorkerMetadataClient::Answer WorkerMetadataClient::call(const QVariantMap& request) {
    WorkerProcess* worker = acquire();
    WorkerProcess::Failure failure = WorkerProcess::Failure::None;
    const QByteArray frame =
        worker->call(WorkerProtocol::encode(request), m_options.timeoutMs, &failure);
    // An answer that arrived whole but does not read comes from a worker
    // that cannot be trusted with the next photo: it goes as one that
    // failed does.
    std::optional<QVariantMap> decoded;
    if (failure == WorkerProcess::Failure::None) {
        decoded = WorkerProtocol::decode(frame);
        if (!decoded) {
            worker->stop();
            failure = WorkerProcess::Failure::BadAnswer;
        }
    }
    // A worker that failed is already stopped; the next request starts it anew.
    release(worker);
    if (failure == WorkerProcess::Failure::CouldNotStart)
        return {false,
                {{WorkerProtocol::Key::Error,
                  QStringLiteral("the metadata worker could not be started")}}};
    if (failure != WorkerProcess::Failure::None) {
        removeLeftoverTemporaries(request.value(WorkerProtocol::Key::Output).toString());
        const Failure why = failure == WorkerProcess::Failure::TimedOut    ? Failure::TimedOut
                            : failure == WorkerProcess::Failure::BadAnswer ? Failure::Unreadable
                                                                           : Failure::Died;
        return {false, {{WorkerProtocol::Key::Error, failureMessage(why)}}};
    }
    return {true, std::move(*decoded)};
}

Result<PhotoProperties> WorkerMetadataClient::readProperties(const QString& path) {
    const Answer answer = call(WorkerProtocol::readRequest(path));
    if (!answer.delivered)
        return Result<PhotoProperties>::fail(
            answer.message.value(WorkerProtocol::Key::Error).toString());
    return WorkerProtocol::propertiesOf(answer.message);
}

Result<PhotoPreview> WorkerMetadataClient::readPreview(const QString& path, int maxSide) {
    const Answer answer = call(WorkerProtocol::previewRequest(path, maxSide));
    if (!answer.delivered)
        return Result<PhotoPreview>::fail(
            answer.message.value(WorkerProtocol::Key::Error).toString());
    return WorkerProtocol::previewOf(answer.message);
}

PhotoOutcome WorkerMetadataClient::rewrite(const RewriteJob& job) {
    if (!job.refusal.isEmpty())
        return PhotoOutcome::skip(job, job.refusal);
    const Answer answer = call(WorkerProtocol::rewriteRequest(job));
    if (!answer.delivered)
        return PhotoOutcome::skip(job, answer.message.value(WorkerProtocol::Key::Error).toString());
    return WorkerProtocol::outcomeOf(answer.message, job);
}

QList<qint64> WorkerMetadataClient::workerProcessIds() const {
    std::lock_guard lock(m_mutex);
    QList<qint64> pids;
    for (const auto& worker : m_workers) {
        if (worker->isRunning())
            pids << qint64(worker->pid());
    }
    return pids;
}
