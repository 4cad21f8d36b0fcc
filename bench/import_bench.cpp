// Imports many photos into the window under the offscreen platform and
// prints: time until the first thumbnail and until every visible one is
// drawn, the same after scrolling to the middle, the longest the GUI thread
// went without running its event loop, and peak memory.
#include "app/AppDelegate.h"
#include "app/DropTargets.h"
#include "app/FileViewer.h"
#include "bench/EventWait.h"
#include "metadata/WorkerMetadataClient.h"
#include "sources/PhotoListModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

class NoFileViewer : public FileViewer {
public:
    void revealFiles(const QStringList&) override {}
    void openFolder(const QString&) override {}
};

bool visibleThumbnailsReady(QListView* view, int* shown) {
    const QRect area = view->viewport()->rect();
    int visible = 0;
    int ready = 0;
    for (int row = view->indexAt(area.topLeft()).row(); row >= 0 && row < view->model()->rowCount();
         ++row) {
        const QModelIndex index = view->model()->index(row, 0);
        if (!view->visualRect(index).intersects(area))
            break;
        ++visible;
        ready += !index.data(Qt::DecorationRole).value<QImage>().isNull();
    }
    *shown = ready;
    return visible > 0 && ready == visible;
}

long workerPeakKb(const QList<qint64>& pids) {
    long total = 0;
    for (qint64 pid : pids) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                total += line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return total;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TessaviewBench"));
    QApplication::setApplicationName(QStringLiteral("TessaviewBench"));
    if (argc < 3) {
        std::fprintf(stderr, "usage: tv_bench_import COUNT PHOTO...\n");
        return 2;
    }
    const int count = QString::fromLocal8Bit(argv[1]).toInt();
    QStringList sources;
    for (int i = 2; i < argc; ++i)
        sources << QString::fromLocal8Bit(argv[i]);
    // Many names for a few real photos: links cost no disk, and every path
    // is a photo of its own to the browser and its thumbnail cache.
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString source = sources[i % sources.size()];
        const QString path =
            home.filePath(QStringLiteral("p%1.%2").arg(i).arg(QFileInfo(source).suffix()));
        QFile::link(source, path);
        paths << path;
    }

    WorkerMetadataClient metadata;
    NoFileViewer viewer;
    AppDelegate app(metadata, viewer);
    app.applicationDidFinishLaunching();
    QListView* browser = app.outlets().localImageBrowserView;

    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });

    clock.start();
    ticker.start(5);
    app.openPanelDidEnd1(1, paths);
    const qint64 listed = clock.elapsed();
    qint64 firstThumbnail = -1;
    qint64 screenReady = -1;
    int shown = 0;
    while (clock.elapsed() < 60000 && screenReady < 0) {
        waitForEvents();
        browser->viewport()->repaint();
        if (visibleThumbnailsReady(browser, &shown))
            screenReady = clock.elapsed();
        if (firstThumbnail < 0 && shown > 0)
            firstThumbnail = clock.elapsed();
    }
    const int perScreen = shown;

    browser->verticalScrollBar()->setValue(browser->verticalScrollBar()->maximum() / 2);
    const qint64 scrolledAt = clock.elapsed();
    qint64 middleReady = -1;
    while (clock.elapsed() - scrolledAt < 60000 && middleReady < 0) {
        waitForEvents();
        browser->viewport()->repaint();
        if (visibleThumbnailsReady(browser, &shown))
            middleReady = clock.elapsed() - scrolledAt;
    }
    // Measure the event loop while nothing but the loader is left to finish.
    const qint64 settleFrom = clock.elapsed();
    while (clock.elapsed() - settleFrom < 500)
        waitForEvents();

    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("import of %d photos into the browser (offscreen, %d cells on a screen):\n", count,
                perScreen);
    std::printf("  listed in                         %lld ms\n", static_cast<long long>(listed));
    std::printf("  first thumbnail drawn after       %lld ms\n",
                static_cast<long long>(firstThumbnail));
    std::printf("  first screen of thumbnails after  %lld ms\n",
                static_cast<long long>(screenReady));
    std::printf("  screen after scrolling to middle  %lld ms\n",
                static_cast<long long>(middleReady));
    std::printf("  longest GUI-thread stall          %lld ms\n",
                static_cast<long long>(longestGap));
    std::printf("  peak RSS: window %ld MB, workers %ld MB\n", usage.ru_maxrss / 1024,
                workerPeakKb(metadata.workerProcessIds()) / 1024);
    return 0;
}
