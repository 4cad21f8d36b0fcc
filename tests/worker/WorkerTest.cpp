#include "editing/PhotoSelection.h"
#include "editing/RemovalOperation.h"
#include "metadata/PropertyKeys.h"
#include "metadata/WorkerMetadataClient.h"
#include "metadata/engine/EngineMetadataService.h"
#include "support/TestPhotos.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// Workers started while this lives act out the fault on the named photo.
class InjectedFault {
public:
    InjectedFault(const char* kind, const char* name) {
        qputenv("TESSAVIEW_WORKER_FAULT", QByteArray(kind) + ':' + name);
    }
    ~InjectedFault() { qunsetenv("TESSAVIEW_WORKER_FAULT"); }
};

QString procField(qint64 pid, const QString& file, const QString& field) {
    QFile in(QStringLiteral("/proc/%1/%2").arg(pid).arg(file));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : in.readAll().split('\n')) {
        if (line.startsWith(field.toLatin1()))
            return QString::fromLatin1(line.mid(field.size())).simplified();
    }
    return {};
}

struct Batch {
    TestFolder folder;
    QString storage = folder.file(QStringLiteral("storage"));
    std::vector<SelectedPhoto> photos;

    explicit Batch(int count, int victim) {
        QDir().mkpath(storage);
        for (int i = 0; i < count; ++i) {
            const QString name =
                i == victim ? QStringLiteral("victim.jpg") : QStringLiteral("p%1.jpg").arg(i);
            photos.push_back({i, folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), name), name});
        }
    }
    QStringList storageFiles() const {
        return QDir(storage).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
};

} // namespace

TEST(Worker, aBatchOutlivesAWorkerThatDiesOnOnePhoto) {
    for (const char* kind : {"crash", "abort", "kill", "die-while-writing"}) {
        SCOPED_TRACE(kind);
        InjectedFault fault(kind, "victim");
        WorkerMetadataClient client;
        Batch batch(12, 5);
        BatchOptions options;
        options.threads = 2;
        const OperationReport report = runRemoval(RemovalKind::Gps, SourceMode::Computer,
                                                  batch.photos, batch.storage, client, options);
        ASSERT_EQ(report.skipped.size(), 1);
        EXPECT_TRUE(report.skipped.first().path.endsWith(QLatin1String("/victim.jpg")));
        EXPECT_EQ(report.skipped.first().reason,
                  WorkerMetadataClient::failureMessage(WorkerMetadataClient::Failure::Died));
        EXPECT_EQ(report.written.size(), 11);
        QStringList expected;
        for (int i = 0; i < 12; ++i) {
            if (i != 5)
                expected << QStringLiteral("NoGPS_p%1.jpg").arg(i);
        }
        QStringList files = batch.storageFiles();
        files.sort();
        expected.sort();
        EXPECT_EQ(files, expected) << "no partial file may be left";
    }
}

TEST(Worker, theWatchdogCutsARequestThatHangsAndTheNextOneIsServed) {
    InjectedFault fault("hang", "victim");
    WorkerMetadataClient::Options options;
    options.timeoutMs = 1000;
    options.workers = 1;
    WorkerMetadataClient client(options);
    TestFolder folder;
    const QString victim =
        folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("victim.jpg"));
    const QString good = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"));
    QElapsedTimer timer;
    timer.start();
    const auto hung = client.readProperties(victim);
    EXPECT_FALSE(hung.isOk());
    EXPECT_EQ(hung.error(),
              WorkerMetadataClient::failureMessage(WorkerMetadataClient::Failure::TimedOut));
    EXPECT_LT(timer.elapsed(), 5000);
    const auto next = client.readProperties(good);
    ASSERT_TRUE(next.isOk()) << qPrintable(next.error());
    EXPECT_EQ(
        next->dictionary.value(PropertyKeys::TiffSet).toMap().value(PropertyKeys::Make).toString(),
        QStringLiteral("Canon"));
}

TEST(Worker, aWorkerOverItsMemoryCapIsRestartedNotTheApplication) {
#if defined(TESSAVIEW_SANITIZED_BUILD)
    GTEST_SKIP() << "sanitized workers run without a memory cap";
#endif
    InjectedFault fault("oom", "victim");
    WorkerMetadataClient::Options options;
    options.memoryLimit = qint64(768) << 20;
    options.workers = 1;
    WorkerMetadataClient client(options);
    TestFolder folder;
    const QString victim =
        folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("victim.jpg"));
    const auto before = client.readProperties(fixturePath(QStringLiteral("Canon_40D.jpg")));
    ASSERT_TRUE(before.isOk());
    const qint64 firstWorker = client.workerProcessIds().value(0);
    const auto greedy = client.readProperties(victim);
    EXPECT_EQ(greedy.error(),
              WorkerMetadataClient::failureMessage(WorkerMetadataClient::Failure::Died));
    const auto after = client.readProperties(fixturePath(QStringLiteral("Canon_40D.jpg")));
    ASSERT_TRUE(after.isOk());
    ASSERT_EQ(client.workerProcessIds().size(), 1);
    EXPECT_NE(client.workerProcessIds().first(), firstWorker);
}

TEST(Worker, runsConfinedAndOnePerCoreForBatches) {
    WorkerMetadataClient::Options options;
    options.workers = 2;
    options.memoryLimit = qint64(1) << 30;
    WorkerMetadataClient client(options);
    Batch batch(8, -1);
    BatchOptions batchOptions;
    batchOptions.threads = 2;
    const OperationReport report = runRemoval(RemovalKind::Exif, SourceMode::Computer, batch.photos,
                                              batch.storage, client, batchOptions);
    EXPECT_EQ(report.written.size(), 8);
    const QList<qint64> pids = client.workerProcessIds();
    EXPECT_EQ(pids.size(), 2);
    for (qint64 pid : pids) {
        EXPECT_EQ(procField(pid, QStringLiteral("status"), QStringLiteral("NoNewPrivs:")),
                  QStringLiteral("1"));
        EXPECT_EQ(procField(pid, QStringLiteral("status"), QStringLiteral("Seccomp:")),
                  QStringLiteral("2"));
        EXPECT_TRUE(procField(pid, QStringLiteral("limits"), QStringLiteral("Max core file size"))
                        .startsWith(QLatin1String("0 0")));
#if !defined(TESSAVIEW_SANITIZED_BUILD)
        EXPECT_TRUE(procField(pid, QStringLiteral("limits"), QStringLiteral("Max address space"))
                        .startsWith(QStringLiteral("%1 %1").arg(qint64(1) << 30)));
#endif
    }
}

TEST(Worker, answersAsTheLibraryDoesInProcess) {
    EngineMetadataService engine;
    for (const QString& name :
         {QStringLiteral("DSCN0010.jpg"), QStringLiteral("BlueSquare.jpg"),
          QStringLiteral("multipage.tiff"), QStringLiteral("IMG_5195.HEIC")}) {
        SCOPED_TRACE(name.toStdString());
        const auto remote = workerService().readProperties(fixturePath(name));
        const auto here = engine.readProperties(fixturePath(name));
        ASSERT_TRUE(remote.isOk()) << qPrintable(remote.error());
        EXPECT_EQ(remote->dictionary, here->dictionary);
        EXPECT_EQ(remote->imageCount, here->imageCount);
        EXPECT_EQ(remote->format, here->format);
    }
    // A photo large enough to be mapped rather than copied reads the same.
    TestFolder folder;
    const QString large =
        folder.copyPhoto(QStringLiteral("Canon_40D.jpg"), QStringLiteral("large.jpg"));
    ASSERT_TRUE(QFile::resize(large, qint64(48) << 20));
    const auto remoteLarge = workerService().readProperties(large);
    ASSERT_TRUE(remoteLarge.isOk()) << qPrintable(remoteLarge.error());
    EXPECT_EQ(remoteLarge->dictionary, engine.readProperties(large)->dictionary);
    const auto largePreview = workerService().readPreview(large, 85);
    ASSERT_TRUE(largePreview.isOk()) << qPrintable(largePreview.error());
    EXPECT_EQ(largePreview->bytes, engine.readPreview(large, 85)->bytes);

    const auto refused = workerService().readProperties(
        fixturePath(QStringLiteral("riff-idit-chunk-overflow.fuzzed")));
    EXPECT_EQ(refused.error(), QStringLiteral("not a supported photo format"));

    const auto preview =
        workerService().readPreview(fixturePath(QStringLiteral("DSCN0010.jpg")), 85);
    ASSERT_TRUE(preview.isOk()) << qPrintable(preview.error());
    const QImage image = QImage::fromData(preview->bytes);
    EXPECT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), preview->size);
    EXPECT_FALSE(
        workerService()
            .readPreview(fixturePath(QStringLiteral("riff-idit-chunk-overflow.fuzzed")), 85)
            .isOk());
}

TEST(Worker, carriesRemovalsAndFloatsAcrossTheProcessBoundary) {
    TestFolder folder;
    const QString photo = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    RewriteJob job;
    job.inputPath = photo;
    job.outputPath = folder.file(QStringLiteral("out.jpg"));
    job.changes = {
        {PropertyKeys::GpsSet, QVariantMap{{PropertyKeys::Latitude, QVariant(12.5f)},
                                           {PropertyKeys::Altitude, PropertyKeys::removal()}}},
        {PropertyKeys::IptcSet, PropertyKeys::removal()}};
    const PhotoOutcome outcome = workerService().rewrite(job);
    ASSERT_TRUE(outcome.written()) << qPrintable(outcome.reason);
    const auto written = workerService().readProperties(job.outputPath);
    ASSERT_TRUE(written.isOk());
    const QVariantMap gps = written->dictionary.value(PropertyKeys::GpsSet).toMap();
    EXPECT_DOUBLE_EQ(gps.value(PropertyKeys::Latitude).toDouble(), 12.5);
    EXPECT_FALSE(gps.contains(PropertyKeys::Altitude));
}

namespace {
// Worker processes whose environment holds the marker.
QList<qint64> workersMarkedWith(const QByteArray& marker) {
    QList<qint64> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        QFile environment(QStringLiteral("/proc/%1/environ").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("tessaview-worker") &&
            environment.open(QIODevice::ReadOnly) && environment.readAll().contains(marker))
            found << pid;
    }
    return found;
}
} // namespace

TEST(Worker, endsWithTheProcessItServesEvenWhileHanging) {
    const QByteArray marker =
        "hang:orphan-" + QByteArray::number(QCoreApplication::applicationPid());
    TestFolder folder;
    const QString photo =
        folder.copyPhoto(QStringLiteral("DSCN0010.jpg"),
                         QString::fromLatin1(marker.mid(5)) + QStringLiteral(".jpg"));
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TESSAVIEW_WORKER_FAULT"), QString::fromLatin1(marker));
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(TV_CLI_BINARY), {QStringLiteral("dump"), photo});
    ASSERT_TRUE(cli.waitForStarted());
    QElapsedTimer timer;
    timer.start();
    while (workersMarkedWith(marker).isEmpty() && timer.elapsed() < 5000)
        QThread::msleep(50);
    ASSERT_FALSE(workersMarkedWith(marker).isEmpty())
        << "the worker should be hanging on the photo";
    cli.kill();
    cli.waitForFinished();
    timer.restart();
    while (!workersMarkedWith(marker).isEmpty() && timer.elapsed() < 5000)
        QThread::msleep(50);
    EXPECT_TRUE(workersMarkedWith(marker).isEmpty());
}

namespace {
// A stand-in worker: a shell script that answers every request with the
// given bytes (printf escapes) and then waits until it is stopped.
QString fakeWorker(const TestFolder& folder, const QString& name, const char* answer) {
    const QString path = folder.writeFile(name, QByteArray("#!/bin/sh\nprintf '") + answer +
                                                    "'\nexec cat >/dev/null\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}
} // namespace

TEST(Worker, aWorkerThatAnswersGarbageFailsThePhotoWithAReason) {
    const struct {
        const char* what;
        const char* answer;
    } cases[] = {
        {"text instead of a frame", "garbage, not a frame at all"},
        {"a frame that is no CBOR", "\\000\\000\\000\\020xxxxxxxxxxxxxxxx"},
        {"a frame cut short, then the end", "\\000\\000\\001\\000\\241\\141"},
        {"an empty frame", "\\000\\000\\000\\000"},
        {"a map that is no answer", "\\000\\000\\000\\004\\241\\141\\141\\001"},
        {"a state no outcome has", "\\000\\000\\000\\010\\241\\145state\\007"},
        {"a state that is a text", "\\000\\000\\000\\011\\241\\145state\\141\\060"},
        {"an error without a state", "\\000\\000\\000\\020\\242\\142ok\\364\\145error\\144nope"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestFolder folder;
        WorkerMetadataClient::Options options;
        options.program = fakeWorker(folder, QStringLiteral("fake-worker.sh"), c.answer);
        options.timeoutMs = 1000;
        options.workers = 1;
        WorkerMetadataClient client(options);
        const QString photo = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
        const QString storage = folder.file(QStringLiteral("storage"));
        QDir().mkpath(storage);

        RewriteJob job;
        job.inputPath = photo;
        job.outputPath = storage + QStringLiteral("/out.jpg");
        job.changes = {{PropertyKeys::GpsSet, PropertyKeys::removal()}};
        const PhotoOutcome outcome = client.rewrite(job);
        EXPECT_FALSE(outcome.written());
        EXPECT_TRUE(outcome.skipped());
        EXPECT_FALSE(outcome.reason.isEmpty());

        const auto read = client.readProperties(photo);
        EXPECT_FALSE(read.isOk());
        EXPECT_FALSE(read.error().isEmpty());

        const OperationReport report =
            runRemoval(RemovalKind::Gps, SourceMode::Computer,
                       {{0, photo, QStringLiteral("DSCN0010.jpg")}}, storage, client);
        EXPECT_TRUE(report.written.isEmpty());
        ASSERT_EQ(report.skipped.size(), 1);
        EXPECT_EQ(report.skipped.first().path, photo);
        EXPECT_FALSE(report.skipped.first().reason.isEmpty());
        EXPECT_TRUE(QDir(storage).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}
