#include "editing/BatchRunner.h"
#include "editing/OutputNaming.h"
#include "editing/PhotoSelection.h"
#include "editing/RemovalOperation.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(OutputNaming, prefixesTheNameAndNeverLeavesTheStorageFolder) {
    const struct {
        OutputForm form;
        const char* name;
        const char* path; // nullptr: refused
    } cases[] = {
        {OutputForm::NoExif, "a.jpg", "/s/NoExif_a.jpg"},
        {OutputForm::NoGPS, "a.jpg", "/s/NoGPS_a.jpg"},
        {OutputForm::NoIPTC, "a.jpg", "/s/NoIPTC_a.jpg"},
        {OutputForm::NoExifAndGPS, "a.jpg", "/s/NoExifAndGPS_a.jpg"},
        {OutputForm::NoExifLowercase, "a.jpg", "/s/noExif_a.jpg"},
        {OutputForm::PlainName, "a.jpg", "/s/a.jpg"},
        {OutputForm::NoGPS, "NoExif_a.jpg", "/s/NoGPS_NoExif_a.jpg"},
        {OutputForm::PlainName, "my..photo.jpg", "/s/my..photo.jpg"},
        {OutputForm::PlainName, "..", nullptr},
        {OutputForm::NoGPS, "..", nullptr},
        {OutputForm::PlainName, ".", nullptr},
        {OutputForm::PlainName, "", nullptr},
        {OutputForm::NoGPS, "../escape.jpg", nullptr},
        {OutputForm::PlainName, "sub/a.jpg", nullptr},
    };
    for (const auto& c : cases) {
        const auto path = outputPath(QStringLiteral("/s"), c.form, QString::fromLatin1(c.name));
        SCOPED_TRACE(c.name);
        if (c.path) {
            ASSERT_TRUE(path.isOk());
            EXPECT_EQ(path.value().toStdString(), c.path);
        } else {
            EXPECT_FALSE(path.isOk());
            EXPECT_TRUE(path.error().contains(QLatin1String("storage folder")));
        }
    }
}

TEST(PhotoSelection, visitsSelectedPositionsInAscendingOrderWithinTheList) {
    const QList<ListedPhoto> list = {{QStringLiteral("/p/a.jpg"), QStringLiteral("a.jpg")},
                                     {QStringLiteral("/p/b.jpg"), QStringLiteral("b.jpg")},
                                     {QStringLiteral("/q/a.jpg"), QStringLiteral("a.jpg")},
                                     {QStringLiteral("/p/../x"), QStringLiteral("..")}};
    const auto computer = selectPhotos(SourceMode::Computer, list, {7, 2, 0}, QStringLiteral("/s"));
    ASSERT_EQ(computer.size(), 2u);
    EXPECT_EQ(computer[0].position, 0);
    EXPECT_EQ(computer[1].position, 2);
    EXPECT_EQ(computer[1].inputPath, QStringLiteral("/q/a.jpg"));

    const auto device = selectPhotos(SourceMode::Device, list, {1, 3}, QStringLiteral("/s"));
    ASSERT_EQ(device.size(), 2u);
    EXPECT_EQ(device[0].inputPath, QStringLiteral("/s/b.jpg"));
    EXPECT_TRUE(device[1].inputPath.isEmpty())
        << "a device name must not reach outside the storage folder";

    EXPECT_TRUE(selectPhotos(SourceMode::Computer, list, {}, QStringLiteral("/s")).empty());
    EXPECT_TRUE(selectPhotos(SourceMode::Computer, {}, {0}, QStringLiteral("/s")).empty());
}

TEST(Pipeline, skipsBadInputWithAReasonAndGoesOn) {
    TestFolder folder;
    const QString storage = folder.file(QStringLiteral("storage"));
    QDir().mkpath(storage);
    const QByteArray jpeg = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    const QString pipe = folder.file(QStringLiteral("pipe.jpg"));
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    const std::vector<SelectedPhoto> photos = {
        {0, folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("good1.jpg")),
         QStringLiteral("good1.jpg")},
        {1, folder.writeFile(QStringLiteral("empty.jpg"), QByteArray()),
         QStringLiteral("empty.jpg")},
        {2, folder.writeFile(QStringLiteral("half.jpg"), jpeg.left(jpeg.size() / 2)),
         QStringLiteral("half.jpg")},
        {3, folder.writeFile(QStringLiteral("notes.jpg"), "shopping list"),
         QStringLiteral("notes.jpg")},
        {4, folder.copyPhoto(QStringLiteral("riff-idit-chunk-overflow.fuzzed")),
         QStringLiteral("riff-idit-chunk-overflow.fuzzed")},
        {5, folder.copyPhoto(QStringLiteral("IMG_5195.HEIC")), QStringLiteral("IMG_5195.HEIC")},
        {6, folder.file(QStringLiteral("gone.jpg")), QStringLiteral("gone.jpg")},
        {7, pipe, QStringLiteral("pipe.jpg")},
        {8, folder.copyPhoto(QStringLiteral("image01551.jpg")), QStringLiteral("image01551.jpg")},
        {9, folder.copyPhoto(QStringLiteral("tiff-photoshop-block-overread.tif")),
         QStringLiteral("tiff-photoshop-block-overread.tif")},
        {10, folder.copyPhoto(QStringLiteral("Canon_40D.jpg"), QStringLiteral("good2.jpg")),
         QStringLiteral("good2.jpg")},
    };
    const OperationReport report =
        runRemoval(RemovalKind::Gps, SourceMode::Computer, photos, storage, workerService());
    QStringList skipped;
    for (const auto& s : report.skipped) {
        EXPECT_FALSE(s.reason.isEmpty()) << qPrintable(s.path);
        skipped << QFileInfo(s.path).fileName();
    }
    for (const char* name :
         {"empty.jpg", "notes.jpg", "riff-idit-chunk-overflow.fuzzed", "gone.jpg", "pipe.jpg"})
        EXPECT_TRUE(skipped.contains(QLatin1String(name))) << name;
    EXPECT_TRUE(report.written.contains(storage + QStringLiteral("/NoGPS_good1.jpg")));
    EXPECT_TRUE(report.written.contains(storage + QStringLiteral("/NoGPS_good2.jpg")));
    EXPECT_TRUE(report.written.contains(storage + QStringLiteral("/NoGPS_IMG_5195.HEIC")));
    EXPECT_EQ(report.written.size() + report.skipped.size(), qsizetype(photos.size()));
    for (const auto& s : report.skipped) {
        EXPECT_FALSE(
            QFile::exists(storage + QStringLiteral("/NoGPS_") + QFileInfo(s.path).fileName()));
    }
    // Whatever was written reads back as a photo; nothing half-written is left.
    for (const QString& written : report.written)
        EXPECT_FALSE(exiftoolRead(written).contains(QStringLiteral("ExifTool:Error")))
            << qPrintable(written);
    for (const QString& name : filesIn(storage))
        EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << qPrintable(name);
}

TEST(Pipeline, neverReplacesAGoodFileWithAFailedOne) {
    TestFolder folder;
    const QString storage = folder.path();
    const QString kept =
        folder.writeFile(QStringLiteral("NoGPS_photo.jpg"), "an earlier good output");
    const QByteArray jpeg = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    const QString broken = folder.writeFile(QStringLiteral("source.jpg"), jpeg.left(500));
    const OperationReport report =
        runRemoval(RemovalKind::Gps, SourceMode::Computer,
                   {{0, broken, QStringLiteral("photo.jpg")}}, storage, workerService());
    EXPECT_EQ(report.skipped.size(), 1);
    EXPECT_EQ(fileBytes(kept), QByteArray("an earlier good output"));
}

TEST(Pipeline, aPlainNameOutputReplacesTheCopyInTheStorageFolderInPlace) {
    TestFolder folder;
    const QString inStorage = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    RewriteJob job;
    job.inputPath = inStorage;
    job.outputPath =
        outputPath(folder.path(), OutputForm::PlainName, QStringLiteral("DSCN0010.jpg")).value();
    job.changes = {{PropertyKeys::GpsSet, PropertyKeys::removal()}};
    const PhotoOutcome outcome = workerService().rewrite(job);
    ASSERT_TRUE(outcome.written()) << qPrintable(outcome.reason);
    EXPECT_FALSE(outcome.needsSync) << "a replaced input is flushed at once";
    EXPECT_EQ(exiv2Value(inStorage, QStringLiteral("Exif.GPSInfo.GPSLatitudeRef")), QString());
    EXPECT_EQ(filesIn(folder.path()), QStringList{QStringLiteral("DSCN0010.jpg")});
}

// Cameras number their files afresh in every folder: photos of one name
// each keep their file, named in visiting order whatever the threads.
TEST(Batch, givesEveryPhotoOfANameItsOwnFileTheSameOnOneThreadAsOnTwo) {
    TestFolder folder;
    const QStringList fixtures = {QStringLiteral("DSCN0010.jpg"), QStringLiteral("Canon_40D.jpg"),
                                  QStringLiteral("Kodak_CX7530.jpg"),
                                  QStringLiteral("Nikon_D70.jpg")};
    QDir().mkpath(folder.file(QStringLiteral("a")));
    QDir().mkpath(folder.file(QStringLiteral("b")));
    std::vector<SelectedPhoto> photos;
    for (int i = 0; i < 40; ++i) {
        const QString name = QStringLiteral("p%1.jpg").arg(i % 25); // 15 names come twice
        const QString sub = i < 25 ? QStringLiteral("a/") : QStringLiteral("b/");
        photos.push_back({i, folder.copyPhoto(fixtures[i % 4], sub + name), name});
    }
    folder.writeFile(QStringLiteral("b/p3.jpg"), "broken");

    const auto check = [&](const OperationReport& report) {
        EXPECT_EQ(report.photoCount(), 40);
        EXPECT_EQ(report.written.size(), 39);
        ASSERT_EQ(report.skipped.size(), 1);
        EXPECT_EQ(report.skipped[0].path, photos[28].inputPath);
        EXPECT_EQ(report.renamed.size(), 14);
        for (const auto& renamed : report.renamed)
            EXPECT_TRUE(renamed.outputPath.endsWith(QStringLiteral(" (2).jpg")));
    };
    for (int threads : {1, 2}) {
        const QString storage = folder.file(QStringLiteral("out%1").arg(threads));
        QDir().mkpath(storage);
        BatchOptions options;
        options.threads = threads;
        check(runRemoval(RemovalKind::Exif, SourceMode::Computer, photos, storage, workerService(),
                         options));
    }
    const QString one = folder.file(QStringLiteral("out1"));
    const QString two = folder.file(QStringLiteral("out2"));
    ASSERT_EQ(filesIn(one), filesIn(two));
    EXPECT_EQ(filesIn(one).size(), 39);
    for (const QString& name : filesIn(one))
        EXPECT_EQ(fileBytes(one + QLatin1Char('/') + name),
                  fileBytes(two + QLatin1Char('/') + name))
            << qPrintable(name);
    const auto make = [](const QString& path) {
        return exiftoolRead(path).value(QStringLiteral("IFD0:Make")).toString();
    };
    EXPECT_EQ(make(two + QStringLiteral("/NoExif_p4.jpg")), make(fixturePath(fixtures[0])));
    EXPECT_EQ(make(two + QStringLiteral("/NoExif_p4 (2).jpg")), make(fixturePath(fixtures[1])));

    // Run again, each photo finds its own copies: the same names, replaced.
    BatchOptions options;
    options.threads = 2;
    check(
        runRemoval(RemovalKind::Exif, SourceMode::Computer, photos, two, workerService(), options));
    EXPECT_EQ(filesIn(two), filesIn(one));
}

TEST(Batch, stopsAfterThePhotoInHandWhenCancelled) {
    TestFolder folder;
    std::vector<SelectedPhoto> photos;
    for (int i = 0; i < 20; ++i)
        photos.push_back(
            {i, folder.copyPhoto(QStringLiteral("Canon_40D.jpg"), QStringLiteral("c%1.jpg").arg(i)),
             QStringLiteral("c%1.jpg").arg(i)});
    const QString storage = folder.file(QStringLiteral("out"));
    QDir().mkpath(storage);
    std::atomic<bool> cancel{false};
    std::atomic<int> reported{0};
    BatchOptions options;
    options.threads = 2;
    options.cancel = &cancel;
    options.progress = [&](int done, int total) {
        EXPECT_EQ(total, 20);
        reported = done;
        if (done >= 3)
            cancel = true;
    };
    const OperationReport report = runRemoval(RemovalKind::Gps, SourceMode::Computer, photos,
                                              storage, workerService(), options);
    EXPECT_GE(report.written.size(), 3);
    EXPECT_LE(report.written.size(), 4);
    EXPECT_EQ(report.written.size() + report.notRun, 20);
    EXPECT_EQ(filesIn(storage).size(), report.written.size());
    EXPECT_EQ(reported.load(), report.written.size());
}
