// The same commands through a warm worker process and in this process, side
// by side: dump over the small photos, remove gps over the small and the
// large ones. Prints files/s; it passes or fails nothing.
#include "cli/CliCommands.h"
#include "metadata/WorkerMetadataClient.h"
#include "metadata/engine/LocalMetadataService.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

namespace {

QStringList photosIn(const QString& folder) {
    QStringList paths;
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        paths << folder + QLatin1Char('/') + name;
    return paths;
}

double filesPerSecond(const std::function<void()>& work, int files) {
    QElapsedTimer timer;
    timer.start();
    work();
    return files / (timer.nsecsElapsed() / 1e9);
}

struct Figures {
    double dump = 0;
    double removeSmall = 0;
    double removeBig = 0;
};

Figures measure(MetadataService& service, const QStringList& small, const QStringList& big,
                const QString& out) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    CliStreams streams;
    streams.out = sink;
    Figures figures;
    figures.dump = filesPerSecond(
        [&] {
            for (const QString& photo : small)
                runCli({QStringLiteral("dump"), photo}, service, streams);
        },
        int(small.size()));
    QDir(out).removeRecursively();
    figures.removeSmall = filesPerSecond(
        [&] {
            runCli(QStringList{QStringLiteral("remove"), QStringLiteral("gps"),
                               QStringLiteral("--out"), out + QStringLiteral("/small")} +
                       small,
                   service, streams);
        },
        int(small.size()));
    figures.removeBig = filesPerSecond(
        [&] {
            runCli(QStringList{QStringLiteral("remove"), QStringLiteral("gps"),
                               QStringLiteral("--out"), out + QStringLiteral("/big")} +
                       big,
                   service, streams);
        },
        int(big.size()));
    QDir(out).removeRecursively();
    std::fclose(sink);
    return figures;
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

    LocalMetadataService local;
    WorkerMetadataClient worker;
    (void)worker.readProperties(small.first()); // start a worker before timing

    // The machine's speed wanders between runs: interleave the two and keep
    // the best of three of each.
    Figures inProcess;
    Figures viaWorker;
    auto best = [](Figures& kept, const Figures& now) {
        kept.dump = std::max(kept.dump, now.dump);
        kept.removeSmall = std::max(kept.removeSmall, now.removeSmall);
        kept.removeBig = std::max(kept.removeBig, now.removeBig);
    };
    for (int round = 0; round < 3; ++round) {
        best(inProcess, measure(local, small, big, out));
        best(viaWorker, measure(worker, small, big, out));
    }

    auto row = [](const char* what, double local, double remote) {
        std::printf("  %-28s %9.1f files/s in process  %9.1f files/s via workers  (%.2fx)\n", what,
                    local, remote, remote / local);
    };
    std::printf("in process against warm worker processes (best of 3, outputs in %s):\n", argv[3]);
    row("dump, small", inProcess.dump, viaWorker.dump);
    row("remove gps, small", inProcess.removeSmall, viaWorker.removeSmall);
    row("remove gps, 24-megapixel", inProcess.removeBig, viaWorker.removeBig);
    return 0;
}
