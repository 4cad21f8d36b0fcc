// The same commands through warm worker processes and in this process, side
// by side: dump and remove gps over the small photos and the large ones. Prints files/s and
// processor time per file; it passes or fails nothing.
#include "bench/ProcessorTime.h"
#include "cli/CliCommands.h"
#include "editing/WorkingCopies.h"
#include "metadata/WorkerMetadataClient.h"
#include "metadata/engine/EngineMetadataService.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList photosIn(const QString& folder) {
    QStringList paths;
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        paths << folder + QLatin1Char('/') + name;
    return paths;
}

using Workers = std::function<QList<qint64>()>;

struct Rate {
    double filesPerSecond = 0;
    double processorMsPerFile = 0;
};

Rate measureRate(const std::function<void()>& work, qsizetype files, const Workers& workers) {
    const double before = processorSeconds(workers());
    QElapsedTimer timer;
    timer.start();
    work();
    const double wall = double(timer.nsecsElapsed()) / 1e9;
    return {double(files) / wall, (processorSeconds(workers()) - before) * 1000 / double(files)};
}

struct Figures {
    Rate dump;
    Rate dumpBig;
    Rate removeSmall;
    Rate removeBig;
};

Figures measure(MetadataService& service, const QStringList& small, const QStringList& big,
                const QString& out, const Workers& workers) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    CliStreams streams;
    streams.out = sink;
    auto remove = [&](const QString& into, const QStringList& photos) {
        runCli(QStringList{QStringLiteral("remove"), QStringLiteral("gps"), QStringLiteral("--out"),
                           into} +
                   photos,
               service, streams);
    };
    auto dump = [&](const QStringList& photos) {
        for (const QString& photo : photos)
            runCli({QStringLiteral("dump"), photo}, service, streams);
    };
    Figures figures;
    figures.dump = measureRate([&] { dump(small); }, small.size(), workers);
    figures.dumpBig = measureRate([&] { dump(big); }, big.size(), workers);
    QDir(out).removeRecursively();
    figures.removeSmall =
        measureRate([&] { remove(out + QStringLiteral("/small"), small); }, small.size(), workers);
    figures.removeBig =
        measureRate([&] { remove(out + QStringLiteral("/big"), big); }, big.size(), workers);
    QDir(out).removeRecursively();
    std::fclose(sink);
    return figures;
}

void keepBest(Rate& kept, const Rate& now) {
    kept.filesPerSecond = std::max(kept.filesPerSecond, now.filesPerSecond);
    if (kept.processorMsPerFile == 0 || now.processorMsPerFile < kept.processorMsPerFile)
        kept.processorMsPerFile = now.processorMsPerFile;
}

void keepBest(Figures& kept, const Figures& now) {
    keepBest(kept.dump, now.dump);
    keepBest(kept.dumpBig, now.dumpBig);
    keepBest(kept.removeSmall, now.removeSmall);
    keepBest(kept.removeBig, now.removeBig);
}

void printRow(const char* what, const Rate& inProcess, const Rate& remote) {
    std::printf("  %-26s %8.1f files/s in process %8.1f files/s via workers (%.2fx); processor "
                "%.3f ms/file "
                "in process, %.3f via workers (%.2fx)\n",
                what, inProcess.filesPerSecond, remote.filesPerSecond,
                remote.filesPerSecond / inProcess.filesPerSecond, inProcess.processorMsPerFile,
                remote.processorMsPerFile,
                remote.processorMsPerFile / inProcess.processorMsPerFile);
}

// The floor under every request to a worker: a 4-byte message to another
// process and back over a socket pair, in microseconds. With `oneCore` both
// processes are held on the first core, so no wake-up has to cross cores.
double roundTripMicroseconds(bool oneCore) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return -1;
    cpu_set_t original;
    CPU_ZERO(&original);
    ::sched_getaffinity(0, sizeof original, &original);
    if (oneCore) {
        cpu_set_t first;
        CPU_ZERO(&first);
        CPU_SET(0, &first);
        ::sched_setaffinity(0, sizeof first, &first);
    }
    const pid_t echo = ::fork();
    if (echo == 0) {
        ::close(pair[0]);
        char byte[4];
        while (::read(pair[1], byte, sizeof byte) == ssize_t(sizeof byte) &&
               ::write(pair[1], byte, sizeof byte) == ssize_t(sizeof byte)) {
        }
        ::_exit(0);
    }
    ::close(pair[1]);
    constexpr int trips = 20000;
    char byte[4] = {};
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < trips; ++i) {
        if (::write(pair[0], byte, sizeof byte) != ssize_t(sizeof byte) ||
            ::read(pair[0], byte, sizeof byte) != ssize_t(sizeof byte))
            break;
    }
    const double micros = double(timer.nsecsElapsed()) / 1e3 / trips;
    ::close(pair[0]);
    ::waitpid(echo, nullptr, 0);
    ::sched_setaffinity(0, sizeof original, &original);
    return micros;
}

// What finding each photo's working copy and recording each output's origin
// adds to a removal, against the removal itself: the lookups in a folder that
// holds every photo's earlier copy and in one that holds none, and the
// attributes written after a run.
void printWorkingCopyCost(MetadataService& service, const QStringList& small, const QString& out,
                          double removalSeconds) {
    std::vector<SelectedPhoto> photos;
    for (const QString& path : small)
        photos.push_back({int(photos.size()), path, QFileInfo(path).fileName()});
    const QString filled = out + QStringLiteral("/copies");
    std::FILE* sink = std::fopen("/dev/null", "w");
    CliStreams streams;
    streams.out = streams.err = sink;
    runCli(QStringList{QStringLiteral("remove"), QStringLiteral("gps"), QStringLiteral("--out"),
                       filled} +
               small,
           service, streams);
    std::fclose(sink);
    const auto timed = [](const std::function<void()>& work) {
        double best = 1e9;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer timer;
            timer.start();
            work();
            best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
        }
        return best;
    };
    std::vector<BatchTarget> targets;
    const double withCopies =
        timed([&] { targets = batchTargets(photos, filled, OutputForm::NoGPS); });
    const double without = timed(
        [&] { (void)batchTargets(photos, out + QStringLiteral("/none"), OutputForm::NoGPS); });
    const double recorded = timed([&] {
        OriginRecorder origins;
        for (const BatchTarget& target : targets)
            origins.record(target.output, target.origin);
        origins.finish();
    });
    const double removal = removalSeconds * 1000;
    std::printf(
        "working copies, %lld small photos: lookup %.1f ms (each photo's copy there), "
        "%.1f ms (none there); origins recorded %.1f ms (on the batch's threads, beside the "
        "workers); lookup %.1f%% and record %.1f%% of remove gps via workers (%.1f ms)\n",
        qlonglong(small.size()), withCopies, without, recorded, 100 * without / removal,
        100 * recorded / removal, removal);
    QDir(out).removeRecursively();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: tv_bench SMALL_DIR BIG_DIR OUT_DIR\n");
        return 2;
    }
    const QStringList small = photosIn(QString::fromLocal8Bit(argv[1]));
    const QStringList big = photosIn(QString::fromLocal8Bit(argv[2]));
    const QString out = QString::fromLocal8Bit(argv[3]);

    EngineMetadataService engine;
    WorkerMetadataClient worker;
    (void)worker.readProperties(small.first()); // start a worker before timing

    // The machine's speed wanders between runs: interleave the two ways and
    // keep the best of three of each.
    Figures inProcess;
    Figures viaWorkers;
    for (int round = 0; round < 3; ++round) {
        keepBest(inProcess, measure(engine, small, big, out, [] { return QList<qint64>(); }));
        keepBest(viaWorkers,
                 measure(worker, small, big, out, [&] { return worker.workerProcessIds(); }));
    }
    std::printf("in process against warm worker processes (best of 3, outputs in %s):\n", argv[3]);
    printRow("dump, small", inProcess.dump, viaWorkers.dump);
    printRow("dump, 24-megapixel", inProcess.dumpBig, viaWorkers.dumpBig);
    printRow("remove gps, small", inProcess.removeSmall, viaWorkers.removeSmall);
    printRow("remove gps, 24-megapixel", inProcess.removeBig, viaWorkers.removeBig);
    std::printf("  a process round trip on this machine: %.1f us across cores, %.1f us on one "
                "core\n",
                roundTripMicroseconds(false), roundTripMicroseconds(true));
    printWorkingCopyCost(worker, small, out,
                         double(small.size()) / viaWorkers.removeSmall.filesPerSecond);
    return 0;
}
