// Imports many photos into the window under the offscreen platform, the
// window at 1280 x 800, and prints: time until the first thumbnail and until
// every visible one is drawn, the same after scrolling to the middle, the
// longest the GUI thread went without running its event loop, peak memory,
// how long the large view takes to show a photo after it is selected, and the
// next one by the arrow key, in the main window and in the window of the photo,
// and, once every photo's facts are read, how long a keystroke in the browser's
// filter takes to narrow the list on the screen, and a change of order.
// A figure it could not measure is an error: the run fails, saying which.
#include "app/AppDelegate.h"
#include "app/BrowserController.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/FileViewer.h"
#include "app/LargePhotoView.h"
#include "app/PhotoViewerWindow.h"
#include "bench/BenchHome.h"
#include "bench/EventWait.h"
#include "metadata/WorkerMetadataClient.h"
#include "sources/PhotoBrowserModel.h"
#include "sources/PhotoListModel.h"
#include "sources/ThumbnailLoader.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QMainWindow>
#include <QScrollBar>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

class NoFileViewer : public FileViewer {
public:
    void revealFiles(const QStringList&) override {}
    void openFolder(const QString&) override {}
};

// The rows whose cells meet the browser's viewport: found by their
// positions, which grow with the row, so that no gap between cells hides them.
std::pair<int, int> visibleRows(QListView* view) {
    const QRect area = view->viewport()->rect();
    const int rows = view->model()->rowCount();
    int low = 0, high = rows;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (view->visualRect(view->model()->index(mid, 0)).bottom() < area.top())
            low = mid + 1;
        else
            high = mid;
    }
    int end = low;
    while (end < rows && view->visualRect(view->model()->index(end, 0)).top() <= area.bottom())
        ++end;
    return {low, end};
}

bool visibleThumbnailsReady(QListView* view, int* visible, int* ready) {
    const auto [first, end] = visibleRows(view);
    *visible = end - first;
    *ready = 0;
    for (int row = first; row < end; ++row)
        *ready += !view->model()->index(row, 0).data(Qt::DecorationRole).value<QImage>().isNull();
    return *visible > 0 && *ready == *visible;
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

// The GUI thread's own processor time (ms) and how often the scheduler took
// the processor from it: a long gap with little of either is the machine's.
std::pair<double, long> guiThreadUse() {
    struct rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    return {double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0,
            usage.ru_nivcsw};
}

int failed(const char* what) {
    std::printf("  FAILED: %s\n", what);
    std::fprintf(stderr, "tv_bench_import: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const BenchHome home;
    QApplication application(argc, argv);
    BenchHome::name();
    if (argc < 3) {
        std::fprintf(stderr, "usage: tv_bench_import COUNT PHOTO...\n");
        return 2;
    }
    const int count = QString::fromLocal8Bit(argv[1]).toInt();
    if (count < 8) {
        std::fprintf(stderr, "tv_bench_import: COUNT must be 8 or more\n");
        return 2;
    }
    QStringList sources;
    // Links are made to absolute paths: a relative one would point from the
    // links' own folder.
    for (int i = 2; i < argc; ++i) {
        const QFileInfo source(QString::fromLocal8Bit(argv[i]));
        if (!source.isFile()) {
            std::fprintf(stderr, "tv_bench_import: %s is not a file\n", argv[i]);
            return 2;
        }
        sources << source.absoluteFilePath();
    }
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
    // As the window's own start does.
    metadata.startWorkers();
    // The size of a laptop's screen, whatever the offscreen screen says.
    QMainWindow* window = app.outlets().window;
    window->resize(1280, 800);
    QListView* browser = app.outlets().localImageBrowserView;
    // The window's first paint (fonts, pictures) is the start-up's, before
    // any photo is imported: it is done before the clock starts.
    window->repaint();
    {
        QElapsedTimer settle;
        settle.start();
        QTimer wake;
        wake.start(20);
        while (settle.elapsed() < 500)
            waitForEvents();
    }

    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    qint64 longestEnded = 0;
    std::pair<double, long> lastUse = guiThreadUse(), longestUse;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const auto use = guiThreadUse();
        if (now - lastTick > longestGap) {
            longestGap = now - lastTick;
            longestEnded = now;
            longestUse = {use.first - lastUse.first, use.second - lastUse.second};
        }
        lastTick = now;
        lastUse = use;
    });

    clock.start();
    ticker.start(5);
    app.openPanelDidEnd1(1, paths);
    const qint64 listed = clock.elapsed();
    qint64 firstThumbnail = -1;
    qint64 screenReady = -1;
    int perScreen = 0, ready = 0;
    while (clock.elapsed() < 60000 && screenReady < 0) {
        waitForEvents();
        browser->viewport()->repaint();
        if (visibleThumbnailsReady(browser, &perScreen, &ready))
            screenReady = clock.elapsed();
        if (firstThumbnail < 0 && ready > 0)
            firstThumbnail = clock.elapsed();
    }
    // Previews smaller than their cells show first; then the photos are
    // decoded at the cells' size.
    qint64 sharpReady = -1;
    while (clock.elapsed() < 60000 && sharpReady < 0) {
        if (app.thumbnails()->pendingCount() == 0 && app.thumbnails()->sharpeningCount() == 0)
            sharpReady = clock.elapsed();
        else
            waitForEvents();
    }
    const QSize browserSize = browser->viewport()->size();

    browser->verticalScrollBar()->setValue(browser->verticalScrollBar()->maximum() / 2);
    const qint64 scrolledAt = clock.elapsed();
    qint64 middleReady = -1;
    int middleCells = 0;
    while (clock.elapsed() - scrolledAt < 60000 && middleReady < 0) {
        waitForEvents();
        browser->viewport()->repaint();
        if (visibleThumbnailsReady(browser, &middleCells, &ready))
            middleReady = clock.elapsed() - scrolledAt;
    }
    // Measure the event loop while nothing but the loader is left to finish.
    const qint64 settleFrom = clock.elapsed();
    while (clock.elapsed() - settleFrom < 500)
        waitForEvents();

    // The large view: a photo in the middle selected, until it shows.
    const int middle = count / 2 + 1;
    const QString chosen = app.localPhotoItemArray()->itemAt(middle).filePath;
    LargePhotoView* large = app.outlets().localPhotoImageView;
    const qint64 selectedAt = clock.elapsed();
    browser->setCurrentIndex(app.shownIndexOfRow(middle));
    while (clock.elapsed() - selectedAt < 30000 && large->shownPath() != chosen)
        waitForEvents();
    const qint64 largeShown = large->shownPath() == chosen ? clock.elapsed() - selectedAt : -1;
    const QSize chosenSize = QImageReader(chosen).size();
    const auto rest = [&clock](qint64 milliseconds) {
        const qint64 from = clock.elapsed();
        QTimer wake;
        wake.start(20);
        while (clock.elapsed() - from < milliseconds)
            waitForEvents();
    };
    // The photo after it by the arrow key, a moment later as a person looks;
    // then the same in the window of the photo, at the screen's size.
    const auto untilShown = [&](LargePhotoView* view, const QString& path, auto&& step) {
        rest(1500);
        const qint64 from = clock.elapsed();
        step();
        while (clock.elapsed() - from < 30000 && view->shownPath() != path)
            waitForEvents();
        return view->shownPath() == path ? clock.elapsed() - from : -1;
    };
    const QString next = app.localPhotoItemArray()->itemAt(middle + 1).filePath;
    const qint64 nextShown = untilShown(large, next, [browser] {
        QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(browser, &right);
    });
    PhotoViewerWindow* photoWindow = app.display()->photoViewer();
    const qint64 windowShown = untilShown(photoWindow->view(), next, [browser] {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(browser, &enter);
    });
    const QString afterNext = app.localPhotoItemArray()->itemAt(middle + 2).filePath;
    // The window's own key for the next photo, as its shortcut triggers it.
    const qint64 windowNextShown = untilShown(photoWindow->view(), afterNext, [photoWindow] {
        photoWindow->findChild<QAction*>(QStringLiteral("nextPhotoItem"))->trigger();
    });
    const QSize viewPixels = photoWindow->view()->pixelSize();

    // The filter: once the facts of every photo are in, each keystroke
    // timed from the text to the narrowed list drawn.
    const PhotoListModel* list = app.localPhotoItemArray();
    const auto allRead = [list] {
        for (int row = list->rowCount() - 1; row >= 0; --row)
            if (!list->factsAt(row))
                return false;
        return true;
    };
    const qint64 factsFrom = clock.elapsed();
    while (clock.elapsed() - factsFrom < 300000 && !allRead())
        waitForEvents();
    const qint64 factsRead = allRead() ? clock.elapsed() - factsFrom : -1;
    const qint64 settled = clock.elapsed();
    while (clock.elapsed() - settled < 500)
        waitForEvents();
    const PhotoBrowserModel* shown = app.browser()->browserModel();
    QLineEdit* filter = app.outlets().photoFilterField;
    const auto timed = [&](auto change) {
        QElapsedTimer step;
        step.start();
        change();
        browser->viewport()->repaint();
        return step.elapsed();
    };
    qint64 slowestKey = 0;
    int narrowed = 0;
    for (const QString& typed :
         {QStringLiteral("c"), QStringLiteral("ca"), QStringLiteral("can"), QStringLiteral("cano"),
          QStringLiteral("canon"), QStringLiteral("canon 4")}) {
        slowestKey = std::max(slowestKey, timed([&] { filter->setText(typed); }));
        narrowed = shown->rowCount();
    }
    const qint64 cleared = timed([&] { filter->clear(); });
    QComboBox* order = app.outlets().photoOrderBox;
    const qint64 byDate = timed([&] { order->setCurrentIndex(int(PhotoOrder::DateTaken)); });
    const qint64 byName = timed([&] { order->setCurrentIndex(int(PhotoOrder::Name)); });
    order->setCurrentIndex(int(PhotoOrder::Listed));

    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("import of %d photos into the browser (offscreen, window %dx%d, browser %dx%d, "
                "%d cells on a screen):\n",
                count, window->width(), window->height(), browserSize.width(), browserSize.height(),
                perScreen);
    std::printf("  listed in                         %lld ms\n", static_cast<long long>(listed));
    std::printf("  first thumbnail drawn after       %lld ms\n",
                static_cast<long long>(firstThumbnail));
    std::printf("  first screen of thumbnails after  %lld ms\n",
                static_cast<long long>(screenReady));
    std::printf("  every one asked for sharp after   %lld ms\n",
                static_cast<long long>(sharpReady));
    std::printf("  screen after scrolling to middle  %lld ms (%d cells)\n",
                static_cast<long long>(middleReady), middleCells);
    std::printf("  longest GUI-thread stall          %lld ms (ended %lld ms after the import; "
                "%.0f ms of it the thread's own work, preempted %ld times)\n",
                static_cast<long long>(longestGap), static_cast<long long>(longestEnded),
                longestUse.first, longestUse.second);
    std::printf("  large view of a %dx%d photo       %lld ms after its selection\n",
                chosenSize.width(), chosenSize.height(), static_cast<long long>(largeShown));
    std::printf("  next photo by the arrow key       %lld ms (large view %dx%d device pixels)\n",
                static_cast<long long>(nextShown), large->pixelSize().width(),
                large->pixelSize().height());
    std::printf("  window of the photo opened        %lld ms; next photo in it %lld ms (%dx%d)\n",
                static_cast<long long>(windowShown), static_cast<long long>(windowNextShown),
                viewPixels.width(), viewPixels.height());
    std::printf("  facts of every photo read after   %lld ms more\n",
                static_cast<long long>(factsRead));
    std::printf("  filter typed, slowest keystroke   %lld ms (\"canon 4\": %d photos left); "
                "cleared %lld ms\n",
                static_cast<long long>(slowestKey), narrowed, static_cast<long long>(cleared));
    std::printf("  ordered by date taken             %lld ms; by name %lld ms\n",
                static_cast<long long>(byDate), static_cast<long long>(byName));
    std::printf("  peak RSS: window %ld MB, workers %ld MB\n", usage.ru_maxrss / 1024,
                workerPeakKb(metadata.workerProcessIds()) / 1024);
    if (perScreen == 0 || middleCells == 0)
        return failed("no thumbnail cell was on the screen: the browser measured nothing");
    if (firstThumbnail < 0 || screenReady < 0 || middleReady < 0)
        return failed("the thumbnails on the screen were not all drawn within a minute");
    if (largeShown < 0 || nextShown < 0)
        return failed("the large view did not show the selected photo within 30 s");
    if (windowShown < 0 || windowNextShown < 0)
        return failed("the window of the photo did not show it within 30 s");
    if (factsRead < 0)
        return failed("the facts of the photos were not all read within five minutes");
    return 0;
}
