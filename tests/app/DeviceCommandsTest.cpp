#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/CameraWindow.h"
#include "app/ChangeGPSWindow.h"
#include "app/DeviceController.h"
#include "app/DisplayController.h"
#include "app/GpsController.h"
#include "app/RemovalController.h"
#include "metadata/WorkerMetadataClient.h"
#include "sources/CameraServiceGPhoto.h"
#include "sources/DeviceBrowser.h"
#include "sources/DeviceFixture.h"
#include "sources/PhotoListModel.h"
#include "support/TestPhotos.h"

#include <QAction>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>

namespace {

// The folder camera's files as a phone reports them: every type generic, no
// kind given. Nothing else differs from the real folder camera.
class GenericTypeSession : public CameraSession {
public:
    explicit GenericTypeSession(std::unique_ptr<CameraSession> real) : m_real(std::move(real)) {}
    Result<QList<DeviceFile>> listFiles() override {
        auto listed = m_real->listFiles();
        if (!listed)
            return listed;
        QList<DeviceFile> files;
        for (DeviceFile file : listed.value()) {
            file.mimeType = QStringLiteral("application/octet-stream");
            file.kind.clear();
            files << file;
        }
        return Result<QList<DeviceFile>>::ok(files);
    }
    Result<QByteArray> preview(const DeviceFile& file) override { return m_real->preview(file); }
    Status download(const DeviceFile& file, int fd) override { return m_real->download(file, fd); }
    Result<QByteArray> read(const DeviceFile& file) override { return m_real->read(file); }
    Status remove(const DeviceFile& file) override { return m_real->remove(file); }

private:
    std::unique_ptr<CameraSession> m_real;
};

class GenericTypeService : public CameraService {
public:
    Result<QList<DeviceInfo>> detect() override { return m_real->detect(); }
    Result<std::unique_ptr<CameraSession>> open(const DeviceInfo& device) override {
        auto session = m_real->open(device);
        if (!session)
            return Result<std::unique_ptr<CameraSession>>::fail(session.error());
        return Result<std::unique_ptr<CameraSession>>::ok(
            std::make_unique<GenericTypeSession>(std::move(session).value()));
    }

private:
    std::shared_ptr<CameraService> m_real = makeGPhotoCameraService();
};

} // namespace

// The device source through the window, on a folder camera attached and
// detached through the extra port.
class DeviceCommandsTest : public QObject {
    Q_OBJECT

private:
    WorkerMetadataClient m_metadata;
    RecordingFileViewer* m_viewer = nullptr;
    DeviceFixture* m_camera = nullptr;
    AppDelegate* m_app = nullptr;
    QString m_storage;

    void attach(bool attached) {
        if (attached)
            qputenv("TESSAVIEW_EXTRA_CAMERA_PORTS", m_camera->port().toUtf8());
        else
            qunsetenv("TESSAVIEW_EXTRA_CAMERA_PORTS");
        QSignalSpy scanned(m_app->deviceBrowser(), &DeviceBrowser::didScan);
        m_app->deviceBrowser()->rescan();
        QVERIFY(scanned.wait(10000));
        QCoreApplication::processEvents();
    }
    // Attaches the camera, opens it and waits for every file to be listed.
    void openCamera() {
        attach(true);
        m_app->outlets().cameraphotoBtn->click(); // the source button: its picture and command
        m_app->cameraWindow()->opendeviceBtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_app->cameItemArray()->rowCount(), 7, 20000);
    }
    void select(const QStringList& names) {
        QListView* browser = m_app->outlets().imageBrowserView;
        browser->clearSelection();
        for (int row = 0; row < m_app->cameItemArray()->rowCount(); ++row) {
            if (names.contains(m_app->cameItemArray()->itemAt(row).fileName))
                browser->selectionModel()->select(m_app->cameItemArray()->index(row),
                                                  QItemSelectionModel::Select);
        }
    }
    QList<DownloadOutcome> download(void (DeviceController::*command)()) {
        QSignalSpy finished(m_app, &AppDelegate::deviceDownloadsFinished);
        (m_app->device()->*command)();
        if (!finished.wait(20000))
            return {};
        return finished.first().first().value<QList<DownloadOutcome>>();
    }
    static QStringList tree(const QString& folder) {
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

private Q_SLOTS:
    void init() {
        m_camera = new DeviceFixture;
        m_viewer = new RecordingFileViewer;
        m_app = new AppDelegate(m_metadata, *m_viewer);
        m_app->applicationDidFinishLaunching();
        m_storage = m_camera->folder.file(QStringLiteral("storage"));
        m_app->storage().storagelocation = m_storage;
        QDir().mkpath(m_storage);
    }
    void cleanup() {
        qunsetenv("TESSAVIEW_EXTRA_CAMERA_PORTS");
        delete m_app;
        delete m_viewer;
        delete m_camera;
    }

    void arrivalNamesTheDeviceAndTheSourceFlagFollowsTheSource() {
        QVERIFY(!m_app->outlets().changtoiOSmodemenu->isEnabled());
        QVERIFY(!m_app->cameraWindow()->downloadPhotoBtn->isEnabled());
        attach(true);
        QVERIFY(m_app->outlets().changtoiOSmodemenu->isEnabled());
        QCOMPARE(m_app->cameraWindow()->deviceNamelab->text(),
                 QStringLiteral("Directory Browse (camera)"));
        QCOMPARE(m_app->cameras().size(), 1);
        QVERIFY(m_app->selection()->blocalMode());
        m_app->outlets().changtoiOSmodemenu->trigger();
        QVERIFY(!m_app->selection()->blocalMode());
        QVERIFY(m_app->cameraWindow()->isVisible());
        m_app->display()->ChangeToImportComputerPhoto();
        QVERIFY(m_app->selection()->blocalMode());
    }

    void openListsExactlyThePhotosAndMoviesWithTheirKinds() {
        openCamera();
        QMap<QString, QString> kinds;
        for (const IKImageItem& item : m_app->cameItemArray()->items()) {
            kinds.insert(item.fileName, item.fileType);
            QVERIFY(
                QFileInfo(item.filePath)
                    .absolutePath()
                    .startsWith(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)));
        }
        const QString image = QStringLiteral("Image");
        QMap<QString, QString> expected{{QStringLiteral("CLIP.MOV"), QStringLiteral("Movie")},
                                        {QStringLiteral("Canon_40D.jpg"), image},
                                        {QStringLiteral("DSCN0010.jpg"), image},
                                        {QStringLiteral("Nikon_D70.jpg"), image},
                                        {QStringLiteral("_rf.jpg"), image},
                                        {QStringLiteral("caf_.jpg"), image},
                                        {QStringLiteral("ctl__[31mname.jpg"), image}};
        QCOMPARE(kinds, expected);
        QVERIFY(m_app->cameraWindow()->camerataskProgressor->isHidden());
        QVERIFY(m_app->cameraWindow()->downloadPhotoBtn->isEnabled());
    }

    // Files a device reports with a generic type are listed by their names;
    // until a device is open the window says what to do.
    void theCameraWindowListsFilesOfAGenericTypeByTheirNames() {
        delete m_app;
        m_app =
            new AppDelegate(m_metadata, *m_viewer, nullptr, std::make_shared<GenericTypeService>());
        m_app->applicationDidFinishLaunching();
        attach(true);
        m_app->device()->ChangeToImportiOSDevicePhoto();
        CameraWindow* window = m_app->cameraWindow();
        QVERIFY(window->showsOpenHint());
        QCOMPARE(window->openHint->text(),
                 QStringLiteral("Connect a camera or phone, then choose Open"));
        window->opendeviceBtn->click();
        QVERIFY(!window->showsOpenHint());
        QTRY_COMPARE_WITH_TIMEOUT(m_app->cameItemArray()->rowCount(), 7, 20000);
        QMap<QString, QString> kinds;
        for (const IKImageItem& item : m_app->cameItemArray()->items())
            kinds.insert(item.fileName, item.fileType);
        QCOMPARE(kinds.value(QStringLiteral("CLIP.MOV")), QStringLiteral("Movie"));
        QCOMPARE(kinds.value(QStringLiteral("DSCN0010.jpg")), QStringLiteral("Image"));
    }

    void downloadAndImportGiveTheDevicesBytesAndWriteNowhereElse_data() {
        QTest::addColumn<bool>("import");
        QTest::newRow("download") << false;
        QTest::newRow("download and import") << true;
    }
    void downloadAndImportGiveTheDevicesBytesAndWriteNowhereElse() {
        QFETCH(bool, import);
        const QString home = qEnvironmentVariable("HOME");
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        const QStringList before = tree(home) + tree(m_camera->folder.path());
        openCamera();
        const QStringList names{QStringLiteral("Canon_40D.jpg"), QStringLiteral("CLIP.MOV"),
                                QStringLiteral("ctl__[31mname.jpg")};
        select(names);
        const auto outcomes = download(import ? &DeviceController::DownloadImportEditePhotoAction
                                              : &DeviceController::DownloadPhotoAction);
        QCOMPARE(outcomes.size(), 3);
        QStringList written;
        for (const DownloadOutcome& outcome : outcomes) {
            QVERIFY2(outcome.isOk(), qPrintable(outcome.error));
            QCOMPARE(fileBytes(outcome.path), m_camera->bytesOf(outcome.file.name));
            written << QFileInfo(outcome.path).fileName();
        }
        written.sort();
        QStringList sortedNames = names;
        sortedNames.sort();
        QCOMPARE(written, sortedNames);
        QCOMPARE(m_viewer->revealed.size(), 1);
        QCOMPARE(m_app->localPhotoItemArray()->rowCount(), import ? 3 : 0);
        // Imported, the computer's list shows, and its source button is the chosen one.
        QCOMPARE(m_app->outlets().localphotoBtn->isChecked(), import);
        QCOMPARE(m_app->outlets().cameraphotoBtn->isChecked(), !import);
        QCOMPARE(m_app->outlets().localphotoBtn->picture(),
                 import ? QStringLiteral("localphotodown.png")
                        : QStringLiteral("localphotonom.png"));
        for (const IKImageItem& item : m_app->localPhotoItemArray()->items()) {
            QCOMPARE(item.fileType, QStringLiteral("Image"));
            QVERIFY(QFileInfo(item.filePath).absolutePath() == QDir(m_storage).canonicalPath());
        }
        QStringList strays;
        for (const QString& path : tree(home) + tree(m_camera->folder.path())) {
            if (!before.contains(path) && !path.startsWith(m_storage) && !path.startsWith(cache) &&
                !path.startsWith(home + QStringLiteral("/.config")))
                strays << path;
        }
        QCOMPARE(strays, QStringList());
    }

    void aFailedDownloadIsNamedAndNotImported() {
        openCamera();
        select({QStringLiteral("Canon_40D.jpg"), QStringLiteral("Nikon_D70.jpg")});
        QVERIFY(QFile::remove(m_camera->dcim + QStringLiteral("/Nikon_D70.jpg")));
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        const auto outcomes = download(&DeviceController::DownloadImportEditePhotoAction);
        QCOMPARE(outcomes.size(), 2);
        QCOMPARE(alerts.count(), 1);
        QVERIFY(alerts.first()[1].toString().startsWith(QStringLiteral("Nikon_D70.jpg: ")));
        QCOMPARE(m_app->localPhotoItemArray()->rowCount(), 1);
        QCOMPARE(m_app->localPhotoItemArray()->itemAt(0).fileName, QStringLiteral("Canon_40D.jpg"));
        QVERIFY(!QFileInfo::exists(m_storage + QStringLiteral("/Nikon_D70.jpg")));
        QCOMPARE(m_viewer->revealed.size(), 1);
        QCOMPARE(m_viewer->revealed.first().size(), 1);
    }

    void deleteAsksThenRemovesTheFilesFromTheDevice() {
        openCamera();
        select({QStringLiteral("Canon_40D.jpg"), QStringLiteral("DSCN0010.jpg")});
        for (const bool confirm : {false, true}) {
            QSignalSpy shown(m_app, &AppDelegate::deleteConfirmationShown);
            QSignalSpy changed(m_app, &AppDelegate::deviceListChanged);
            m_app->device()->DeletePhotoAction();
            QCOMPARE(shown.count(), 1);
            auto* box = m_app->cameraWindow()->findChild<QMessageBox*>();
            QVERIFY(box);
            QCOMPARE(box->text(),
                     QStringLiteral("Are you sure you want to delete the selected photo ?"));
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() ==
                    (confirm ? QStringLiteral(" Delete ") : QStringLiteral("Cancel")))
                    button->click();
            }
            if (confirm)
                QVERIFY(changed.wait(10000));
            else
                QTest::qWait(200);
            QCOMPARE(m_app->cameItemArray()->rowCount(), confirm ? 5 : 7);
            QCOMPARE(m_camera->exists("Canon_40D.jpg"), !confirm);
            QCOMPARE(m_camera->exists("DSCN0010.jpg"), !confirm);
            QVERIFY(m_camera->exists("Nikon_D70.jpg"));
        }
    }

    void departureOfTheLastCameraEmptiesTheListAndHidesTheWindow() {
        openCamera();
        QVERIFY(m_app->cameraWindow()->isVisible());
        attach(false);
        QCOMPARE(m_app->cameras().size(), 0);
        QCOMPARE(m_app->cameItemArray()->rowCount(), 0);
        QVERIFY(!m_app->cameraWindow()->isVisible());
        QVERIFY(m_app->currentDevice() == nullptr);
    }

    void removeGpsInDeviceModeWritesFromTheDownloadedCopy() {
        openCamera();
        select({QStringLiteral("DSCN0010.jpg")});
        QCOMPARE(download(&DeviceController::ViewExifData).size(), 1);
        QCOMPARE(m_app->currentPhoto().currentFileName, QStringLiteral("DSCN0010.jpg"));
        QVERIFY(!m_app->selection()->blocalMode());
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        m_app->removal()->RemoveGPSDataFromPhoto();
        QVERIFY(finished.wait(20000));
        const QString output = m_storage + QStringLiteral("/NoGPS_DSCN0010.jpg");
        QVERIFY(QFileInfo::exists(output));
        QVERIFY(!exiftoolRead(m_storage + QStringLiteral("/DSCN0010.jpg"))
                     .value(QStringLiteral("GPS:GPSLatitude"))
                     .isUndefined());
        QVERIFY(exiftoolRead(output).value(QStringLiteral("GPS:GPSLatitude")).isUndefined());
    }

    // Without a copy in the storage folder the GPS window fetches the selected
    // photos and stays shut; run again, it opens on the copy, and Save
    // rewrites that copy in place.
    void theGpsWindowFetchesTheDeviceCopyFirstThenSavesIntoIt() {
        openCamera();
        select({QStringLiteral("DSCN0010.jpg")});
        QVERIFY(m_app->currentPhoto().currentFileName.isEmpty());
        ChangeGPSWindow* window = m_app->gps()->changeGPSWindow();
        QSignalSpy fetched(m_app, &AppDelegate::deviceDownloadsFinished);
        m_app->gps()->EditeGPSExifDataPhoto();
        QVERIFY(fetched.wait(20000));
        QVERIFY(!window->isVisible());
        const QString copy = m_storage + QStringLiteral("/DSCN0010.jpg");
        QVERIFY(QFileInfo::exists(copy));
        QCOMPARE(m_app->currentPhoto().currentFileName, QStringLiteral("DSCN0010.jpg"));

        QSignalSpy opened(m_app->gps(), &GpsController::gpsWindowShown);
        m_app->gps()->EditeGPSExifDataPhoto();
        QVERIFY(opened.wait(10000));
        QVERIFY(qAbs(window->latitudelab->text().toDouble() - 43.4674) < 1e-3);
        window->latitudelab->setText(QStringLiteral("-33.8568"));
        window->altitudelab->setText(QStringLiteral("-5"));
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        window->saveButton->click();
        QVERIFY(finished.wait(20000));
        const QJsonObject tags = exiftoolRead(copy);
        QCOMPARE(tags.value(QStringLiteral("GPS:GPSLatitudeRef")).toString(), QStringLiteral("S"));
        QCOMPARE(tags.value(QStringLiteral("GPS:GPSAltitudeRef")).toInt(), 1);
        QCOMPARE(m_viewer->opened, QStringList{m_storage}); // device mode opens the folder
    }
};

int main(int argc, char** argv) {
    return runGuiTests<DeviceCommandsTest>(argc, argv);
}

#include "DeviceCommandsTest.moc"
