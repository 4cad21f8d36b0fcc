// Applies the edit form to many photos through the window under the offscreen
// platform and prints how long the write took and the longest time the GUI
// thread went without running its event loop, measured by a 10 ms timer.
// The same photos are then stripped of GPS through the window for comparison.
#include "app/AppDelegate.h"
#include "app/ChangeConfirmation.h"
#include "app/ChangePreviewWindow.h"
#include "app/DateTimeField.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/EditFormController.h"
#include "app/EditFormState.h"
#include "app/FileViewer.h"
#include "app/RemovalController.h"
#include "bench/BenchHome.h"
#include "bench/EventWait.h"
#include "bench/ProcessorTime.h"
#include "metadata/WorkerMetadataClient.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class NoFileViewer : public FileViewer {
public:
    void revealFiles(const QStringList&) override {}
    void openFolder(const QString&) override {}
};

struct Stall {
    qint64 total = 0;
    qint64 longestGap = 0;
    qint64 longestEnded = 0; // when, from the command's start
    // What the GUI thread did in the longest gap: its own processor time, and
    // how often the scheduler took the processor from it (a loaded machine).
    double longestCpuMs = 0;
    long longestPreemptions = 0;
};

struct ThreadUse {
    double cpuMs = 0;
    long preemptions = 0;
};

ThreadUse guiThreadUse() {
    struct rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    return {double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0,
            usage.ru_nivcsw};
}

// Runs the command and spins the event loop until it has finished, with a
// 10 ms timer noting the longest gap between two of its ticks.
Stall measure(AppDelegate& app, const std::function<void()>& command, bool* done = nullptr) {
    QElapsedTimer clock;
    qint64 lastTick = 0;
    ThreadUse lastUse = guiThreadUse();
    Stall stall;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const ThreadUse use = guiThreadUse();
        if (now - lastTick > stall.longestGap) {
            stall.longestGap = now - lastTick;
            stall.longestEnded = now;
            stall.longestCpuMs = use.cpuMs - lastUse.cpuMs;
            stall.longestPreemptions = use.preemptions - lastUse.preemptions;
        }
        lastTick = now;
        lastUse = use;
    });
    bool finished = false;
    const auto connection =
        QObject::connect(&app, &AppDelegate::commandFinished, [&] { finished = true; });
    clock.start();
    ticker.start(10);
    command();
    while (!finished && !(done && *done) && clock.elapsed() < 600000)
        waitForEvents();
    stall.total = clock.elapsed();
    // The gap to the command's end counts too.
    stall.longestGap = std::max(stall.longestGap, stall.total - lastTick);
    QObject::disconnect(connection);
    return stall;
}

} // namespace

int main(int argc, char** argv) {
    const BenchHome home;
    QApplication application(argc, argv);
    BenchHome::name();
    if (argc < 3) {
        std::fprintf(stderr, "usage: tv_bench_apply COUNT PHOTO\n");
        return 2;
    }
    const int count = QString::fromLocal8Bit(argv[1]).toInt();
    const QString source = QString::fromLocal8Bit(argv[2]);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = home.filePath(QStringLiteral("p%1.jpg").arg(i));
        QFile::copy(source, path);
        paths << path;
    }

    WorkerMetadataClient metadata;
    NoFileViewer viewer;
    AppDelegate app(metadata, viewer);
    app.applicationDidFinishLaunching();
    app.storage().storagelocation = home.filePath(QStringLiteral("storage"));
    QDir().mkpath(app.storage().storagelocation);
    app.display()->openPanelDidEnd1(1, paths);
    app.outlets().localImageBrowserView->selectAll();
    // The thumbnails of the listed photos load first; then a quiet spell of
    // the event loop gives the machine's own noise floor.
    QElapsedTimer settle;
    settle.start();
    QTimer wake;
    wake.start(20);
    while (settle.elapsed() < 8000)
        waitForEvents();
    wake.stop();
    bool quietDone = false;
    QTimer::singleShot(3000, [&] { quietDone = true; });
    const Stall quiet = measure(
        app, [&] {}, &quietDone);

    const MainWindowOutlets& o = app.outlets();
    const auto typeFields = [&] {
        o.artistlab->setText(QStringLiteral("Bench Artist"));
        o.keywordslab->setText(QStringLiteral("lake, hills, sky"));
        o.gpsLatilab->setText(QStringLiteral("-33.8568"));
        o.gpsLongtlab->setText(QStringLiteral("151.2153"));
        o.gpsAitlab->setText(QStringLiteral("-5"));
        o.gpsDatelab->setText(QStringLiteral("2014:05:06"));
        o.gpsTimelab->setText(QStringLiteral("12:34:56"));
    };
    typeFields();
    // With several photos selected only the fields typed into are written;
    // the others show what the photos share, or "(several values)".
    std::printf("  (%lld of the form's %lld fields written)\n",
                static_cast<long long>(app.formState()->editedFields().size()),
                static_cast<long long>(o.formFields().size()));
    // With the question: its dry run reads every photo first, then Confirm.
    QElapsedTimer asking;
    QObject::connect(app.editForm()->confirmation(), &ChangeConfirmation::previewShown,
                     [&asking](ChangePreviewWindow* window) {
                         std::printf("  (question up after %lld ms)\n",
                                     static_cast<long long>(asking.elapsed()));
                         QTimer::singleShot(0, window->confirmButton, &QPushButton::click);
                     });
    const Stall asked = measure(app, [&] {
        asking.start();
        o.editApplyBtn->click();
    });
    QSettings().setValue(ChangePreviewWindow::settingsKey(), false);
    // Each run writes into an empty storage folder: the apply names its
    // copies as the photos are named and would otherwise replace the last
    // run's files, which costs the file system more than creating them, while
    // remove GPS writes new names. Best of five, the two taking turns.
    const auto emptyStorage = [&] {
        QDir storage(app.storage().storagelocation);
        for (const QString& name : storage.entryList(QDir::Files))
            storage.remove(name);
        ::sync();
    };
    Stall apply, removal;
    // Processor time of this process and the workers, steadier than the
    // clock on a shared machine's disk: the least of the rounds.
    // The window's own share is kept apart: what the workers do is the
    // engine's, what the window does is the command's.
    double applyCpu = 0, removalCpu = 0, applyWindowCpu = 0, removalWindowCpu = 0;
    const auto timed = [&](double& least, double& leastWindow, int round,
                           const std::function<void()>& command) {
        const double before = processorSeconds(metadata.workerProcessIds());
        const double windowBefore = processorSeconds({});
        const Stall stall = measure(app, command);
        const double used = processorSeconds(metadata.workerProcessIds()) - before;
        const double windowUsed = processorSeconds({}) - windowBefore;
        least = round == 0 ? used : std::min(least, used);
        leastWindow = round == 0 ? windowUsed : std::min(leastWindow, windowUsed);
        return stall;
    };
    // After a command the window reads the photos' working copies again and
    // fills the form from them: each round types its fields anew, and the
    // next command waits for that reading to be done.
    const auto settleReads = [] {
        QElapsedTimer spell;
        spell.start();
        while (spell.elapsed() < 2000)
            waitForEvents();
    };
    for (int round = 0; round < 5; ++round) {
        emptyStorage();
        settleReads();
        typeFields();
        const Stall applied =
            timed(applyCpu, applyWindowCpu, round, [&] { o.editApplyBtn->click(); });
        emptyStorage();
        settleReads();
        const Stall removed = timed(removalCpu, removalWindowCpu, round,
                                    [&] { app.removal()->RemoveGPSDataFromPhoto(); });
        // The time of the best run; the longest stall of any.
        const auto keep = [round](Stall& best, const Stall& run) {
            Stall longest = round == 0 || run.longestGap > best.longestGap ? run : best;
            if (round == 0 || run.total < best.total)
                best.total = run.total;
            best.longestGap = longest.longestGap;
            best.longestEnded = longest.longestEnded;
            best.longestCpuMs = longest.longestCpuMs;
            best.longestPreemptions = longest.longestPreemptions;
        };
        keep(apply, applied);
        keep(removal, removed);
    }

    const auto line = [](const char* what, const Stall& stall) {
        std::printf("  %-34s %6lld ms, longest stall %4lld ms (GUI thread busy %.0f ms of it, "
                    "preempted %ld times)\n",
                    what, static_cast<long long>(stall.total),
                    static_cast<long long>(stall.longestGap), stall.longestCpuMs,
                    stall.longestPreemptions);
    };
    std::printf("edit form applied to %d photos through the window (offscreen; apply and remove "
                "GPS best of 5 into an empty storage folder, the longest stall of any run):\n",
                count);
    line("idle event loop, 3 s", quiet);
    line("apply, with the question", asked);
    line("apply, without the question", apply);
    line("remove GPS, same photos", removal);
    std::printf(
        "  apply / remove GPS time                   %.2fx; processor %.2f s / %.2f s = %.2fx\n",
        double(apply.total) / double(std::max<qint64>(removal.total, 1)), applyCpu, removalCpu,
        applyCpu / std::max(removalCpu, 1e-9));
    std::printf("  of it the window process                  %.2f s / %.2f s\n", applyWindowCpu,
                removalWindowCpu);
    return 0;
}
