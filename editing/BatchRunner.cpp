#include "editing/BatchRunner.h"

#include "editing/WorkingCopies.h"
#include "metadata/AtomicFile.h"
#include "metadata/CanonicalPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>

#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Groups the jobs into lanes: two jobs share a lane when they share a file.
std::vector<std::vector<int>> lanesOf(const std::vector<BatchTask>& jobs) {
    std::vector<int> parent(jobs.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&](int i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    QHash<QString, int> owner;
    CanonicalPaths canonical;
    QStringList paths;
    for (const BatchTask& job : jobs)
        paths << job.inputPath << job.outputPath;
    canonical.expect(paths);
    for (int i = 0; i < int(jobs.size()); ++i) {
        for (const QString& path : {jobs[i].inputPath, jobs[i].outputPath}) {
            if (path.isEmpty())
                continue;
            const QString key = canonical.of(path);
            auto it = owner.find(key);
            if (it == owner.end())
                owner.insert(key, i);
            else
                parent[find(i)] = find(it.value());
        }
    }
    std::vector<std::vector<int>> lanes;
    QHash<int, int> laneOfRoot;
    for (int i = 0; i < int(jobs.size()); ++i) {
        const int root = find(i);
        auto it = laneOfRoot.find(root);
        if (it == laneOfRoot.end()) {
            it = laneOfRoot.insert(root, int(lanes.size()));
            lanes.emplace_back();
        }
        lanes[it.value()].push_back(i);
    }
    return lanes;
}

// Asks the disk now for a photo that a worker will read soon, so that its
// bytes are in memory by then instead of the worker waiting for them. Only
// regular files: the descriptor is opened without waiting, as the worker
// opens it, and nothing is read here.
void readAhead(const QString& path) {
    if (path.isEmpty())
        return;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    ::close(fd);
}

// Every job a task hands the service goes with the batch's sidecar policy.
class SidecarPolicyService : public MetadataService {
public:
    SidecarPolicyService(MetadataService& service, SidecarPolicy policy)
        : m_service(service), m_policy(policy) {}
    Result<PhotoProperties> readProperties(const QString& path) override {
        return m_service.readProperties(path);
    }
    Result<PhotoPreview> readPreview(const QString& path, int maxSide) override {
        return m_service.readPreview(path, maxSide);
    }
    PhotoOutcome rewrite(const RewriteJob& job) override {
        RewriteJob withPolicy = job;
        withPolicy.sidecar = m_policy;
        return m_service.rewrite(withPolicy);
    }

private:
    MetadataService& m_service;
    const SidecarPolicy m_policy;
};

} // namespace

std::vector<PhotoOutcome> runBatch(const std::vector<RewriteJob>& jobs, MetadataService& service,
                                   const BatchOptions& options, const QStringList& origins) {
    std::vector<BatchTask> tasks;
    tasks.reserve(jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) {
        const RewriteJob& job = jobs[i];
        tasks.push_back({job.inputPath, job.outputPath,
                         [job](MetadataService& metadata) { return metadata.rewrite(job); },
                         origins.value(qsizetype(i))});
    }
    return runTasks(tasks, service, options);
}

std::vector<PhotoOutcome> runTasks(const std::vector<BatchTask>& jobs, MetadataService& service,
                                   const BatchOptions& options) {
    std::vector<PhotoOutcome> outcomes(jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) {
        outcomes[i].inputPath = jobs[i].inputPath;
        outcomes[i].outputPath = jobs[i].outputPath;
    }
    const std::vector<std::vector<int>> lanes = lanesOf(jobs);
    std::atomic<size_t> nextLane{0};
    std::atomic<int> done{0};
    const int total = int(jobs.size());
    const int threadCount = std::max(
        1, std::min<int>(options.threads > 0 ? options.threads : QThread::idealThreadCount(),
                         int(lanes.size())));
    // Two rounds of lanes ahead: far enough for the disk to answer while
    // the photos in hand are worked on.
    const size_t ahead = size_t(2 * threadCount);
    SidecarPolicyService withPolicy(service, options.sidecar);
    // Recorded in the lanes, where the threads would otherwise wait on the workers.
    OriginRecorder origins;
    for (size_t lane = threadCount; lane < std::min(lanes.size(), ahead); ++lane)
        readAhead(jobs[lanes[lane].front()].inputPath);
    auto work = [&] {
        for (size_t lane = nextLane++; lane < lanes.size(); lane = nextLane++) {
            if (lane + ahead < lanes.size())
                readAhead(jobs[lanes[lane + ahead].front()].inputPath);
            for (int index : lanes[lane]) {
                if (options.cancel && options.cancel->load())
                    return;
                outcomes[index] = jobs[index].run(withPolicy);
                if (outcomes[index].written() && !jobs[index].origin.isEmpty())
                    origins.record(outcomes[index].outputPath, jobs[index].origin);
                const int finished = ++done;
                if (options.progress)
                    options.progress(finished, total);
            }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 1; t < threadCount; ++t)
        threads.emplace_back(work);
    work();
    for (std::thread& thread : threads)
        thread.join();
    origins.finish();

    QSet<QString> folders;
    for (const PhotoOutcome& outcome : outcomes) {
        if (outcome.written() && outcome.needsSync)
            folders.insert(QFileInfo(outcome.outputPath).absolutePath());
    }
    // A photo is written only once it is on the disk: where the flush
    // fails, the photos of that folder are reported with the reason.
    for (const QString& folder : folders) {
        const Status synced = syncFileSystem(folder);
        if (synced)
            continue;
        for (PhotoOutcome& outcome : outcomes) {
            if (outcome.written() && outcome.needsSync &&
                QFileInfo(outcome.outputPath).absolutePath() == folder) {
                outcome.state = PhotoOutcome::State::Skipped;
                outcome.reason =
                    QStringLiteral("it could not be flushed to the disk: %1").arg(synced.error());
            }
        }
    }
    return outcomes;
}
