#include "app/DeviceController.h"

#include "app/Alerts.h"
#include "app/CameraWindow.h"
#include "app/SourcePane.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "sources/DeviceBrowser.h"
#include "sources/PhotoListModel.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

// The kind a device photo item shows, from its name.
QString DeviceController::itemTypeOf(const QString& name) {
    const QString extension = QFileInfo(name).suffix().toLower();
    for (const char* movie : {"mov", "mp4", "m4v", "mpeg"}) {
        if (extension == QLatin1String(movie))
            return QStringLiteral("Movie");
    }
    return QStringLiteral("Image");
}

DeviceController::DeviceController(const Outlets& outlets, SourcePane& pane,
                                   SourceSelection& selection, PhotoListModel& localPhotos,
                                   PhotoListModel& devicePhotos, Alerts& alerts,
                                   FileViewer& fileViewer, const StorageLocation& storage,
                                   std::shared_ptr<CameraService> cameras, QObject* parent)
    : QObject(parent), m_outlets(outlets), m_pane(pane), m_selection(selection),
      m_localPhotos(localPhotos), m_devicePhotos(devicePhotos), m_alerts(alerts),
      m_fileViewer(fileViewer), m_storage(storage), m_cameraService(std::move(cameras)) {
    m_cameraWindow = new CameraWindow(outlets.imageBrowserView, outlets.window);
    CameraWindow* w = m_cameraWindow;
    for (QPushButton* b :
         {w->deletePhotoBtn, w->downloadPhotoBtn, w->viewExifBtn, w->removeExifBtn})
        b->setEnabled(false);
    outlets.changtoiOSmodemenu->setEnabled(false);
}

// The browser and the cameras go first, then their threads are waited for.
DeviceController::~DeviceController() {
    mDeviceBrowser.reset();
    mCameras.clear();
    CameraDevice::waitForStoppedDevices();
}

QList<CameraDevice*> DeviceController::cameras() const {
    QList<CameraDevice*> cameras;
    for (const auto& camera : mCameras)
        cameras << camera.get();
    return cameras;
}

void DeviceController::startBrowsing() {
    connect(m_outlets.imageBrowserView->selectionModel(), &QItemSelectionModel::currentChanged,
            this, [this](const QModelIndex& current) {
                if (current.isValid())
                    m_selection.nameDevicePhoto(m_devicePhotos.itemAt(current.row()).fileName);
            });
    mDeviceBrowser = std::make_unique<DeviceBrowser>(m_cameraService, 3000);
    connect(mDeviceBrowser.get(), &DeviceBrowser::didAddDevice, this,
            &DeviceController::deviceDidAdd);
    connect(mDeviceBrowser.get(), &DeviceBrowser::didRemoveDevice, this,
            &DeviceController::deviceDidRemove);
    mDeviceBrowser->start();
}

void DeviceController::deviceDidAdd(const DeviceInfo& device) {
    m_cameraWindow->deviceNamelab->setText(device.name());
    auto* camera = new CameraDevice(m_cameraService, device);
    connect(camera, &CameraDevice::didOpenSession, this, [this](const QString& error) {
        if (!error.isEmpty()) {
            endProgress();
            m_alerts.alert(tr("The device could not be opened"), error, m_cameraWindow)->open();
        }
    });
    connect(camera, &CameraDevice::didListItems, this, [this](const QList<DeviceFile>& files) {
        endProgress();
        if (files.isEmpty())
            Q_EMIT deviceListChanged();
    });
    connect(camera, &CameraDevice::didReceiveThumbnail, this,
            [this, camera](const DeviceFile& file, const QString& path) {
                thumbnailDidArrive(camera, file, path);
            });
    connect(camera, &CameraDevice::didDownloadFile, this,
            [this, camera](const DownloadOutcome& outcome, int done, int total, int) {
                downloadDidProgress(camera, outcome, done, total);
            });
    connect(camera, &CameraDevice::didFinishDownloads, this, &DeviceController::downloadsDidFinish);
    connect(camera, &CameraDevice::didDeleteFiles, this,
            [this, camera](const QList<DeviceFile>& deleted, const QStringList& failures) {
                filesDidDelete(camera, deleted, failures);
            });
    mCameras.emplace_back(camera);
    m_currentDevice = camera;
    m_outlets.changtoiOSmodemenu->setEnabled(true);
    Q_EMIT deviceListChanged();
}

void DeviceController::deviceDidRemove(const DeviceInfo& device) {
    qInfo("camera gone: %s on %s", qPrintable(device.model), qPrintable(device.port));
    const auto gone = std::find_if(mCameras.rbegin(), mCameras.rend(),
                                   [&](const auto& camera) { return camera->info() == device; });
    if (gone == mCameras.rend())
        return;
    const bool wasCurrent = m_currentDevice == gone->get();
    mCameras.erase(std::next(gone).base()); // its thread finishes on its own
    if (mCameras.empty()) {
        m_currentDevice = nullptr;
        m_deviceEntries.clear();
        m_devicePhotos.clear();
        m_cameraWindow->hide();
        m_cameraWindow->showOpenHint(true);
        endProgress();
    } else {
        // Another camera stays: the newest one becomes current, and the gone
        // camera's files leave the list, since nothing can reach them now.
        if (wasCurrent)
            m_currentDevice = mCameras.back().get();
        rebuildDeviceList([&](const DeviceEntry& entry) { return entry.port != device.port; });
    }
    Q_EMIT deviceListChanged();
}

void DeviceController::rebuildDeviceList(const std::function<bool(const DeviceEntry&)>& keep) {
    QList<IKImageItem> items;
    QList<DeviceEntry> entries;
    for (int row = 0; row < m_deviceEntries.size(); ++row) {
        if (keep(m_deviceEntries[row])) {
            items << m_devicePhotos.itemAt(row);
            entries << m_deviceEntries[row];
        }
    }
    m_devicePhotos.clear();
    m_devicePhotos.append(items);
    m_deviceEntries = entries;
}

void DeviceController::ChangeToImportiOSDevicePhoto() {
    // The editing commands work on the device list from here on.
    m_selection.setLocalMode(false);
    if (mCameras.empty()) {
        m_pane.showCameraHint();
        return;
    }
    const bool hasPhotos = m_localPhotos.rowCount() > 0;
    m_pane.showPhotosOrDropHint(hasPhotos);
    // The computer's photos stay in the main window: its source button says so.
    if (hasPhotos)
        m_pane.showChosenSource(true);
    m_cameraWindow->show();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_cameraWindow->move(screen->availableGeometry().center() -
                             m_cameraWindow->rect().center());
    m_cameraWindow->raise();
    m_cameraWindow->activateWindow();
}

void DeviceController::startProgreess(int total) {
    QProgressBar* bar = m_cameraWindow->camerataskProgressor;
    bar->setRange(0, total); // 0 of 0 is the busy indicator
    bar->setValue(0);
    bar->setTextVisible(total > 0);
    bar->show();
}

void DeviceController::endProgress() {
    m_cameraWindow->camerataskProgressor->hide();
}

void DeviceController::OpenDeviceAction() {
    m_storage.create();
    if (m_currentDevice)
        m_cameraWindow->showOpenHint(false);
    startProgreess(0);
    if (m_currentDevice)
        m_currentDevice->requestOpenSession();
}

void DeviceController::thumbnailDidArrive(CameraDevice* camera, const DeviceFile& file,
                                          const QString& path) {
    IKImageItem item;
    item.filePath = path;
    item.fileName = file.safeName();
    item.fileType = itemTypeOf(item.fileName);
    m_deviceEntries.append({camera->info().port, file});
    m_devicePhotos.append({item});
    Q_EMIT deviceListChanged();
}

void DeviceController::DeletePhotoAction() {
    auto* box = new QMessageBox(m_cameraWindow);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setText(tr("Are you sure you want to delete the selected photo ?"));
    QPushButton* remove = box->addButton(tr(" Delete "), QMessageBox::DestructiveRole);
    box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(remove);
    box->setWindowModality(Qt::ApplicationModal);
    connect(box, &QMessageBox::finished, this, [this, box, remove] {
        if (box->clickedButton() != remove || !m_currentDevice)
            return;
        QList<DeviceFile> files;
        for (const QModelIndex& index :
             m_outlets.imageBrowserView->selectionModel()->selectedIndexes()) {
            const DeviceEntry& entry = m_deviceEntries.at(index.row());
            if (entry.port == m_currentDevice->info().port)
                files << entry.file;
        }
        if (!files.isEmpty())
            m_currentDevice->requestDeleteFiles(files);
    });
    box->open();
    Q_EMIT deleteConfirmationShown(box);
}

void DeviceController::filesDidDelete(CameraDevice* camera, const QList<DeviceFile>& deleted,
                                      const QStringList& failures) {
    const QString port = camera->info().port;
    rebuildDeviceList([&](const DeviceEntry& entry) {
        return entry.port != port || !deleted.contains(entry.file);
    });
    if (!failures.isEmpty())
        m_alerts
            .alert(tr("%n files could not be deleted", nullptr, int(failures.size())),
                   failures.join(QLatin1Char('\n')), m_cameraWindow)
            ->open();
    Q_EMIT deviceListChanged();
}
