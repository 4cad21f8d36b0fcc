// The edit form's apply against remove gps on the same photos, through warm
// worker processes as the window runs them: the apply should write at the
// engine's rewrite speed. Best of five rounds each, the commands taking
// turns. Prints the times and their ratios; it passes or fails nothing.
#include "bench/ProcessorTime.h"
#include "cli/CliCommands.h"
#include "metadata/WorkerMetadataClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QStringList photosIn(const QString& folder) {
    QStringList paths;
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        paths << folder + QLatin1Char('/') + name;
    return paths;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tv_bench_edit PHOTO_DIR OUT_DIR\n");
        return 2;
    }
    const QStringList photos = photosIn(QString::fromLocal8Bit(argv[1]));
    const QString out = QString::fromLocal8Bit(argv[2]);
    if (photos.isEmpty()) {
        std::fprintf(stderr, "tv_bench_edit: no photos in %s\n", argv[1]);
        return 2;
    }
    WorkerMetadataClient service;
    (void)service.readProperties(photos.first()); // start a worker before timing
    std::FILE* sink = std::fopen("/dev/null", "w");
    CliStreams streams;
    streams.out = sink;

    const struct {
        const char* name;
        QStringList arguments;
    } commands[] = {
        {"remove gps", {QStringLiteral("remove"), QStringLiteral("gps")}},
        // Another command that writes values, for reference.
        {"dates set",
         {QStringLiteral("dates"), QStringLiteral("set"), QStringLiteral("2020:01:02 03:04:05")}},
        {"edit --artist X",
         {QStringLiteral("edit"), QStringLiteral("--artist"), QStringLiteral("X")}},
        // The window's apply: every field, a position among them.
        {"edit, all 13 fields",
         {QStringLiteral("edit"),
          QStringLiteral("--artist"),
          QStringLiteral("X"),
          QStringLiteral("--description"),
          QStringLiteral("D"),
          QStringLiteral("--copyright"),
          QStringLiteral("C"),
          QStringLiteral("--make"),
          QStringLiteral("NIKON"),
          QStringLiteral("--model"),
          QStringLiteral("M"),
          QStringLiteral("--date"),
          QStringLiteral("2020:01:02 03:04:05"),
          QStringLiteral("--comment"),
          QStringLiteral("c"),
          QStringLiteral("--keywords"),
          QStringLiteral("lake,hills"),
          QStringLiteral("--lat"),
          QStringLiteral("43.4"),
          QStringLiteral("--lon"),
          QStringLiteral("11.8"),
          QStringLiteral("--alt"),
          QStringLiteral("120"),
          QStringLiteral("--gps-date"),
          QStringLiteral("2014:05:06"),
          QStringLiteral("--gps-time"),
          QStringLiteral("12:34:56")}},
    };
    constexpr int count = int(std::size(commands));
    double best[count];
    double cpu[count];
    std::fill(std::begin(best), std::end(best), std::numeric_limits<double>::max());
    std::fill(std::begin(cpu), std::end(cpu), std::numeric_limits<double>::max());
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < count; ++i) {
            QDir(out).removeRecursively();
            const double before = processorSeconds(service.workerProcessIds());
            QElapsedTimer timer;
            timer.start();
            runCli(commands[i].arguments + QStringList{QStringLiteral("--out"), out} + photos,
                   service, streams);
            best[i] = std::min(best[i], double(timer.nsecsElapsed()) / 1e9);
            cpu[i] = std::min(cpu[i], processorSeconds(service.workerProcessIds()) - before);
        }
    }
    QDir(out).removeRecursively();
    std::fclose(sink);
    std::printf("edit against remove gps, %lld photos via workers (best of 5):\n",
                static_cast<long long>(photos.size()));
    for (int i = 0; i < count; ++i)
        std::printf("  %-22s %6.2f s (%.2fx remove gps)  processor %6.2f s (%.2fx)\n",
                    commands[i].name, best[i], best[i] / best[0], cpu[i], cpu[i] / cpu[0]);
    return 0;
}
