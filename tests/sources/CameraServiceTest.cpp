#include "sources/CameraDevice.h"
#include "sources/CameraServiceGPhoto.h"
#include "sources/DeviceBrowser.h"
#include "sources/DeviceFileName.h"
#include "sources/ThumbnailCache.h"

#include "sources/DeviceFixture.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// The extra port is read on each detection: setting and clearing it is
// plugging the folder camera in and out.
struct AttachedCamera {
    explicit AttachedCamera(const QString& port) {
        qputenv("TESSAVIEW_EXTRA_CAMERA_PORTS", port.toUtf8());
    }
    ~AttachedCamera() { qunsetenv("TESSAVIEW_EXTRA_CAMERA_PORTS"); }
};

struct Listed {
    QString folder;
    QByteArray name;
    QString kind, mime;
    qint64 size;
    bool operator==(const Listed&) const = default;
};

std::vector<Listed> sorted(const QList<DeviceFile>& files) {
    std::vector<Listed> listed;
    for (const DeviceFile& f : files)
        listed.push_back({f.folder, f.name, f.kind, f.mimeType, f.size});
    std::sort(listed.begin(), listed.end(),
              [](const Listed& a, const Listed& b) { return a.name < b.name; });
    return listed;
}

DeviceInfo folderCamera(const DeviceFixture& camera) {
    return {QStringLiteral("Directory Browse"), camera.port()};
}

TEST(CameraService, TheExtraPortIsDetectedWhileItsFolderIsThere) {
    DeviceFixture camera;
    auto service = makeGPhotoCameraService();
    const struct {
        QString variable;
        bool found;
    } cases[] = {
        {camera.port(), true},
        {QStringLiteral("disk:/nowhere/at/all;") + camera.port(), true},
        {QStringLiteral("disk:/nowhere/at/all"), false},
        {QString(), false},
    };
    for (const auto& c : cases) {
        AttachedCamera attached(c.variable);
        const auto found = service->detect();
        ASSERT_TRUE(found.isOk()) << qPrintable(found.error());
        EXPECT_EQ(found->contains(folderCamera(camera)), c.found) << qPrintable(c.variable);
        EXPECT_FALSE(found->contains(
            {QStringLiteral("Directory Browse"), QStringLiteral("disk:/nowhere/at/all")}));
    }
}

TEST(CameraService, ASessionListsExactlyThePhotosAndMoviesWithTheirKinds) {
    DeviceFixture camera;
    auto service = makeGPhotoCameraService();
    auto session = service->open(folderCamera(camera));
    ASSERT_TRUE(session.isOk()) << qPrintable(session.error());
    const auto files = session.value()->listFiles();
    ASSERT_TRUE(files.isOk()) << qPrintable(files.error());
    const QString folder = QStringLiteral("/DCIM/100APPLE");
    const QString image = QStringLiteral("public.image"), jpeg = QStringLiteral("image/jpeg");
    const qint64 square = QFileInfo(fixturePath(QStringLiteral("BlueSquare.jpg"))).size();
    auto sizeOf = [](const QString& name) { return QFileInfo(fixturePath(name)).size(); };
    std::vector<Listed> expected = {
        {folder, "CLIP.MOV", QStringLiteral("public.movie"), QStringLiteral("video/quicktime"), 23},
        {folder, "Canon_40D.jpg", image, jpeg, sizeOf(QStringLiteral("Canon_40D.jpg"))},
        {folder, "DSCN0010.jpg", image, jpeg, sizeOf(QStringLiteral("DSCN0010.jpg"))},
        {folder, "Nikon_D70.jpg", image, jpeg, sizeOf(QStringLiteral("Nikon_D70.jpg"))},
        {folder, DeviceFixture::latin1Name(), image, jpeg, square},
        {folder, DeviceFixture::controlName(), image, jpeg, square},
        {folder, DeviceFixture::dashName(), image, jpeg, square},
    };
    std::sort(expected.begin(), expected.end(),
              [](const Listed& a, const Listed& b) { return a.name < b.name; });
    EXPECT_EQ(sorted(files.value()), expected);
}

// Phones and some libgphoto2 versions report HEIC, HEIF and raw files with a
// generic type: those go by their extension; a type that says what the file
// is goes by the type.
TEST(CameraService, AFileIsListedByItsTypeOrWhereTheTypeIsGenericByItsName) {
    const QString image = QStringLiteral("public.image"), movie = QStringLiteral("public.movie");
    const struct {
        const char* mime;
        const char* name;
        QString kind;
    } cases[] = {
        {"image/jpeg", "IMG_0001.JPG", image},
        {"image/x-raw", "DSC_0001.NEF", image},
        {"video/quicktime", "clip.mov", movie},
        {"application/octet-stream", "IMG_0002.HEIC", image},
        {"application/octet-stream", "IMG_0003.heif", image},
        {"", "IMG_0004.avif", image},
        {"application/x-unknown", "IMG_0005.DNG", image},
        {"application/octet-stream", "DSC_0006.ARW", image},
        {"application/octet-stream", "clip.MP4", movie},
        {"", "clip.m4v", movie},
        {"application/octet-stream", "notes.txt", QString()},
        {"application/octet-stream", "NOEXTENSION", QString()},
        {"text/plain", "notes.jpg", QString()},
        {"audio/wav", "memo.wav", QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(deviceFileKind(QString::fromLatin1(c.mime), QString::fromLatin1(c.name)), c.kind)
            << c.mime << " " << c.name;
}

TEST(CameraService, DownloadGivesTheDevicesBytesAndDeleteRemovesTheFile) {
    DeviceFixture camera;
    TestFolder storage;
    auto service = makeGPhotoCameraService();
    auto session = service->open(folderCamera(camera));
    ASSERT_TRUE(session.isOk()) << qPrintable(session.error());
    const auto files = session.value()->listFiles();
    ASSERT_TRUE(files.isOk());
    for (const DeviceFile& file : files.value()) {
        const QString target = storage.file(file.safeName());
        QFile out(target);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_TRUE(session.value()->download(file, out.handle()).isOk());
        out.close();
        EXPECT_EQ(fileBytes(target), camera.bytesOf(file.name)) << file.name.constData();
    }
    const DeviceFile first = files->first();
    ASSERT_TRUE(session.value()->remove(first).isOk());
    EXPECT_FALSE(camera.exists(first.name));
    const Status again = session.value()->remove(first);
    EXPECT_FALSE(again.isOk());
    EXPECT_FALSE(again.error().isEmpty());
}

// Every file under the folder, with its bytes' size: what a run wrote.
QMap<QString, qint64> tree(const QString& folder) {
    QMap<QString, qint64> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files.insert(it.filePath(), it.fileInfo().size());
    }
    return files;
}

TEST(CameraDevice, ArrivalSessionThumbnailsDownloadsAndDeparture) {
    DeviceFixture camera;
    TestFolder home;
    const QString storage = home.file(QStringLiteral("storage"));
    QDir().mkpath(storage);
    qputenv("XDG_CACHE_HOME", home.file(QStringLiteral("cache")).toUtf8());
    const QMap<QString, qint64> cameraBefore = tree(camera.root);

    std::shared_ptr<CameraService> service = makeGPhotoCameraService();
    DeviceBrowser browser(service, 60000);
    QSignalSpy added(&browser, &DeviceBrowser::didAddDevice);
    QSignalSpy removed(&browser, &DeviceBrowser::didRemoveDevice);
    QSignalSpy scanned(&browser, &DeviceBrowser::didScan);
    browser.start();
    ASSERT_TRUE(scanned.wait(10000));
    EXPECT_EQ(added.count(), 0);

    auto attached = std::make_unique<AttachedCamera>(camera.port());
    browser.rescan();
    ASSERT_TRUE(scanned.wait(10000));
    ASSERT_EQ(added.count(), 1);
    const DeviceInfo device = added.first().first().value<DeviceInfo>();
    EXPECT_EQ(device, folderCamera(camera));
    EXPECT_EQ(device.name(), QStringLiteral("Directory Browse (camera)"));

    CameraDevice cameraDevice(service, device);
    QSignalSpy opened(&cameraDevice, &CameraDevice::didOpenSession);
    QSignalSpy listed(&cameraDevice, &CameraDevice::didListItems);
    QSignalSpy thumbnails(&cameraDevice, &CameraDevice::didReceiveThumbnail);
    cameraDevice.requestOpenSession();
    ASSERT_TRUE(listed.wait(10000));
    EXPECT_EQ(opened.first().first().toString(), QString());
    const auto files = listed.first().first().value<QList<DeviceFile>>();
    ASSERT_EQ(files.size(), 7);
    for (int i = 0; i < 100 && thumbnails.count() < files.size(); ++i)
        thumbnails.wait(200);
    ASSERT_EQ(thumbnails.count(), files.size());

    // Thumbnails: in the private cache, by digest, real JPEG or PNG.
    const QString cache = ThumbnailCache::folder().value();
    EXPECT_TRUE(cache.startsWith(home.file(QStringLiteral("cache"))));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(cache).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    for (const QList<QVariant>& signal : thumbnails) {
        const auto file = signal[0].value<DeviceFile>();
        const QString path = signal[1].toString();
        EXPECT_EQ(QFileInfo(path).absolutePath(), cache);
        EXPECT_TRUE(QFileInfo(path).fileName().startsWith(ThumbnailCache::key(device.port, file)));
        const QByteArray head = fileBytes(path).left(8);
        const bool jpeg = path.endsWith(QLatin1String(".jpg")) && head.startsWith("\xff\xd8");
        const bool png = path.endsWith(QLatin1String(".png")) && head.startsWith("\x89PNG");
        EXPECT_TRUE(jpeg || png) << qPrintable(path);
    }

    // One file vanishes from the device before the download: it alone fails.
    QList<DeviceFile> wanted = files;
    const DeviceFile lost = wanted.first();
    ASSERT_EQ(::unlink(camera.devicePath(lost.name).constData()), 0);
    QSignalSpy progress(&cameraDevice, &CameraDevice::didDownloadFile);
    QSignalSpy finished(&cameraDevice, &CameraDevice::didFinishDownloads);
    cameraDevice.requestDownloadFiles(wanted, storage, 7);
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_EQ(progress.count(), wanted.size());
    for (int i = 0; i < progress.count(); ++i) {
        EXPECT_EQ(progress[i][1].toInt(), i + 1);
        EXPECT_EQ(progress[i][2].toInt(), wanted.size());
        EXPECT_EQ(progress[i][3].toInt(), 7);
    }
    const auto outcomes = finished.first().first().value<QList<DownloadOutcome>>();
    ASSERT_EQ(outcomes.size(), wanted.size());
    EXPECT_FALSE(outcomes.first().isOk());
    EXPECT_FALSE(outcomes.first().error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(storage + QLatin1Char('/') + lost.safeName()));
    QStringList names;
    for (const DownloadOutcome& outcome : outcomes.mid(1)) {
        ASSERT_TRUE(outcome.isOk()) << qPrintable(outcome.error);
        EXPECT_EQ(QFileInfo(outcome.path).absolutePath(), QDir(storage).canonicalPath());
        EXPECT_EQ(fileBytes(outcome.path), camera.bytesOf(outcome.file.name));
        names << QFileInfo(outcome.path).fileName();
    }
    for (const QString& name : names)
        EXPECT_EQ(name, safeDeviceFileName(QFile::encodeName(name))) << qPrintable(name);

    // Nothing was written but into the storage folder and the cache.
    QStringList strays;
    for (const QString& path : tree(home.path()).keys()) {
        if (!path.startsWith(storage) && !path.startsWith(home.file(QStringLiteral("cache"))))
            strays << path;
    }
    EXPECT_EQ(strays, QStringList());
    QMap<QString, qint64> cameraNow = tree(camera.root);
    QMap<QString, qint64> cameraExpected = cameraBefore;
    cameraExpected.remove(QFile::decodeName(camera.devicePath(lost.name)));
    EXPECT_EQ(cameraNow, cameraExpected);

    // Delete removes the files from the device folder.
    QSignalSpy deleted(&cameraDevice, &CameraDevice::didDeleteFiles);
    cameraDevice.requestDeleteFiles(wanted.mid(1, 2));
    ASSERT_TRUE(deleted.wait(10000));
    EXPECT_EQ(deleted.first()[0].value<QList<DeviceFile>>().size(), 2);
    EXPECT_EQ(deleted.first()[1].toStringList(), QStringList());
    for (const DeviceFile& file : wanted.mid(1, 2))
        EXPECT_FALSE(camera.exists(file.name));

    attached.reset();
    browser.rescan();
    ASSERT_TRUE(scanned.wait(10000));
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.first().first().value<DeviceInfo>(), device);
}

} // namespace
