#pragma once

#include "metadata/MetadataService.h"

#include <QList>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class WorkerProcess;

// The application's only way to the metadata library: requests go to
// long-lived worker processes, so a photo that crashes or hangs the library
// costs one answer and a restart, never the caller.
class WorkerMetadataClient : public MetadataService {
public:
    struct Options {
        QString program;                      // empty: tessaview-worker beside this executable
        int timeoutMs = 10000;                // per request
        qint64 memoryLimit = qint64(2) << 30; // bytes of address space per worker
        int workers = 0;                      // 0: one per core
    };

    WorkerMetadataClient();
    explicit WorkerMetadataClient(Options options);
    ~WorkerMetadataClient() override;

    Result<PhotoProperties> readProperties(const QString& path) override;
    Result<PhotoPreview> readPreview(const QString& path, int maxSide) override;
    PhotoOutcome rewrite(const RewriteJob& job) override;

    // Starts every worker not running yet, without waiting for it: the
    // window calls it once it shows, so that the first photos dropped on it
    // do not wait for the workers to load the library.
    void startWorkers();

    // The process ids of the workers that are running now.
    QList<qint64> workerProcessIds() const;

    // Why a photo's request came to nothing, as the photo's reason says it.
    enum class Failure { Died, TimedOut, Unreadable };
    static QString failureMessage(Failure failure);

private:
    struct Answer {
        bool delivered = false;
        QVariantMap message;
    };
    Answer call(const QVariantMap& request);
    std::unique_ptr<WorkerProcess> newWorker() const;
    WorkerProcess* acquire();
    void release(WorkerProcess* worker);

    Options m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_available;
    std::vector<std::unique_ptr<WorkerProcess>> m_workers;
    std::vector<WorkerProcess*> m_idle;
};
