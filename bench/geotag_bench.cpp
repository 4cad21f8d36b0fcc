// Geotagging: how long a large track log takes to read, and how soon the
// window's list and map follow a change of the clock offset over many photos
// (offscreen, the window painted before the clock stops).
#include "app/AppDelegate.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/FileViewer.h"
#include "app/GeotagController.h"
#include "app/GeotagModel.h"
#include "app/GeotagWindow.h"
#include "bench/BenchHome.h"
#include "bench/EventWait.h"
#include "bench/ProcessorTime.h"
#include "editing/GpsTrack.h"
#include "metadata/WorkerMetadataClient.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

class NoFileViewer : public FileViewer {
public:
    void revealFiles(const QStringList&) override {}
    void openFolder(const QString&) override {}
};

// Waits, running events, until the condition holds or a minute has passed.
bool waitUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(10);
    while (!condition() && clock.elapsed() < 60000)
        waitForEvents();
    return condition();
}

} // namespace

int main(int argc, char** argv) {
    const BenchHome home;
    QApplication application(argc, argv);
    BenchHome::name();
    if (argc < 3) {
        std::fprintf(stderr, "usage: tv_bench_geotag TRACK PHOTO...\n");
        return 2;
    }
    const QString trackPath = QString::fromLocal8Bit(argv[1]);
    QStringList photos;
    for (int i = 2; i < argc; ++i)
        photos << QString::fromLocal8Bit(argv[i]);

    // Reading the track: best of five, wall clock and processor time.
    double bestWall = 0, bestCpu = 0;
    qint64 points = 0;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer clock;
        clock.start();
        const double cpu = processorSeconds({});
        const auto log = readTrackLog(trackPath);
        if (!log) {
            std::fprintf(stderr, "%s\n", qPrintable(log.error()));
            return 1;
        }
        const GpsTrack track({log.value()});
        const double wall = double(clock.nsecsElapsed()) / 1e9;
        const double used = processorSeconds({}) - cpu;
        points = track.pointCount();
        bestWall = round == 0 ? wall : std::min(bestWall, wall);
        bestCpu = round == 0 ? used : std::min(bestCpu, used);
    }
    std::printf("geotag, track log of %lld points (%.1f MB), read and merged (best of 5):\n"
                "  %.3f s (processor %.3f s)\n",
                static_cast<long long>(points), double(QFile(trackPath).size()) / 1e6, bestWall,
                bestCpu);

    WorkerMetadataClient metadata;
    NoFileViewer viewer;
    AppDelegate app(metadata, viewer);
    app.applicationDidFinishLaunching();
    app.storage().storagelocation = home.filePath(QStringLiteral("storage"));
    app.display()->openPanelDidEnd1(1, photos);
    app.outlets().localImageBrowserView->selectAll();
    GeotagController* geotag = app.geotag();
    bool read = false, loaded = false;
    QObject::connect(geotag, &GeotagController::photosRead, [&] { read = true; });
    QObject::connect(geotag, &GeotagController::tracksLoaded, [&] { loaded = true; });
    QElapsedTimer opening;
    opening.start();
    geotag->GeotagFromTrackAction();
    // The photos are copies of one that has a position: the track replaces it.
    geotag->geotagWindow()->overwriteBox->setChecked(true);
    geotag->addTrackFiles({trackPath});
    if (!waitUntil([&] { return read && loaded; })) {
        std::fprintf(stderr, "the window did not read the photos and the track\n");
        return 1;
    }
    const qint64 opened = opening.elapsed();
    GeotagWindow* window = geotag->geotagWindow();
    window->repaint();
    // Each change: the offset typed, every photo matched again, the list and
    // the map with its pins painted.
    std::vector<double> latencies;
    for (int round = 0; round < 21; ++round) {
        QElapsedTimer clock;
        clock.start();
        window->offsetField->setText(QStringLiteral("+00:%1:%2")
                                         .arg(round / 60, 2, 10, QLatin1Char('0'))
                                         .arg(round % 60, 2, 10, QLatin1Char('0')));
        window->repaint();
        latencies.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("geotag window over %lld photos and that track (offscreen):\n"
                "  photos and track read, window shown   %lld ms\n"
                "  offset changed to list and map painted: median %.1f ms, longest %.1f ms "
                "(21 changes), %d photos placed\n",
                static_cast<long long>(photos.size()), static_cast<long long>(opened),
                latencies[latencies.size() / 2], latencies.back(), geotag->model()->placedCount());
    return 0;
}
