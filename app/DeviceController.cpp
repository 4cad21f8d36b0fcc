#include "app/DeviceController.h"

#include "app/ControllerContext.h"
#include "app/DeviceWindow.h"
#include "app/DropTargets.h"
#include "app/PRButton.h"
#include "sources/DeviceBrowser.h"
#include "sources/PhotoListModel.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
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

DeviceController::DeviceController(ControllerContext& context,
                                   std::shared_ptr<CameraService> cameras, QObject* parent)
    : QObject(parent), m_ctx(context), m_cameraService(std::move(cameras)) {
    m_cameraWindow = new DeviceWindow(m_ctx.outlets.imageBrowserView, m_ctx.outlets.window);
    DeviceWindow* w = m_cameraWindow;
    for (QPushButton* b :
         {w->deletePhotoBtn, w->downloadPhotoBtn, w->viewExifBtn, w->removeExifBtn})
        b->setEnabled(false);
    m_ctx.outlets.changtoiOSmodemenu->setEnabled(false);
}

DeviceController::~DeviceController() {
    delete mDeviceBrowser;
    mDeviceBrowser = nullptr;
    qDeleteAll(mCameras);
    mCameras.clear();
    CameraDevice::waitForStoppedDevices();
}

void DeviceController::startBrowsing() {
    connect(m_ctx.outlets.imageBrowserView->selectionModel(), &QItemSelectionModel::currentChanged,
            this, [this](const QModelIndex& current) {
                if (current.isValid())
                    m_ctx.state.currentFileName =
                        m_ctx.devicePhotos->itemAt(current.row()).fileName;
            });
    mDeviceBrowser = new DeviceBrowser(m_cameraService, 3000);
    connect(mDeviceBrowser, &DeviceBrowser::didAddDevice, this, &DeviceController::deviceDidAdd);
    connect(mDeviceBrowser, &DeviceBrowser::didRemoveDevice, this,
            &DeviceController::deviceDidRemove);
    mDeviceBrowser->start();
}

void DeviceController::deviceDidAdd(const DeviceInfo& device) {
    m_cameraWindow->deviceNamelab->setText(device.name());
    auto* camera = new CameraDevice(m_cameraService, device, this);
    connect(camera, &CameraDevice::didOpenSession, this, [this](const QString& error) {
        if (!error.isEmpty()) {
            endProgress();
            m_ctx.alert(tr("The device could not be opened"), error, m_cameraWindow)->open();
        }
    });
    connect(camera, &CameraDevice::didListItems, this, [this](const QList<DeviceFile>& files) {
        endProgress();
        if (files.isEmpty())
            Q_EMIT m_ctx.deviceListChanged();
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
    mCameras.append(camera);
    m_currentDevice = camera;
    m_ctx.outlets.changtoiOSmodemenu->setEnabled(true);
    Q_EMIT m_ctx.deviceListChanged();
}

void DeviceController::deviceDidRemove(const DeviceInfo& device) {
    qInfo("camera gone: %s on %s", qPrintable(device.model), qPrintable(device.port));
    CameraDevice* gone = nullptr;
    for (CameraDevice* camera : std::as_const(mCameras)) {
        if (camera->info() == device)
            gone = camera;
    }
    if (!gone)
        return;
    mCameras.removeOne(gone);
    delete gone; // its thread finishes on its own
    if (mCameras.isEmpty()) {
        m_currentDevice = nullptr;
        m_deviceEntries.clear();
        m_ctx.devicePhotos->clear();
        m_cameraWindow->hide();
        m_cameraWindow->showOpenHint(true);
        endProgress();
    } else {
        // Another camera stays: the newest one becomes current, and the gone
        // camera's files leave the list, since nothing can reach them now.
        if (m_currentDevice == gone)
            m_currentDevice = mCameras.last();
        rebuildDeviceList([&](const DeviceEntry& entry) { return entry.port != device.port; });
    }
    Q_EMIT m_ctx.deviceListChanged();
}

void DeviceController::rebuildDeviceList(const std::function<bool(const DeviceEntry&)>& keep) {
    QList<IKImageItem> items;
    QList<DeviceEntry> entries;
    for (int row = 0; row < m_deviceEntries.size(); ++row) {
        if (keep(m_deviceEntries[row])) {
            items << m_ctx.devicePhotos->itemAt(row);
            entries << m_deviceEntries[row];
        }
    }
    m_ctx.devicePhotos->clear();
    m_ctx.devicePhotos->append(items);
    m_deviceEntries = entries;
}

void DeviceController::ChangeToImportiOSDevicePhoto() {
    // The editing commands work on the device list from here on.
    m_ctx.setLocalMode(false);
    if (mCameras.isEmpty()) {
        m_ctx.outlets.leftTipCameraImageView->show();
        m_ctx.outlets.localImageBrowserView->hide();
        m_ctx.outlets.leftTipView->hide();
        return;
    }
    m_ctx.outlets.leftTipCameraImageView->hide();
    const bool hasPhotos = m_ctx.localPhotos->rowCount() > 0;
    m_ctx.outlets.localImageBrowserView->setVisible(hasPhotos);
    m_ctx.outlets.leftTipView->setVisible(!hasPhotos);
    // The computer's photos stay in the main window: its source button says so.
    if (hasPhotos)
        showChosenSource(m_ctx.outlets, true);
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
    m_ctx.createStorageFolder();
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
    m_ctx.devicePhotos->append({item});
    Q_EMIT m_ctx.deviceListChanged();
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
             m_ctx.outlets.imageBrowserView->selectionModel()->selectedIndexes()) {
            const DeviceEntry& entry = m_deviceEntries.at(index.row());
            if (entry.port == m_currentDevice->info().port)
                files << entry.file;
        }
        if (!files.isEmpty())
            m_currentDevice->requestDeleteFiles(files);
    });
    box->open();
    Q_EMIT m_ctx.deleteConfirmationShown(box);
}

void DeviceController::filesDidDelete(CameraDevice* camera, const QList<DeviceFile>& deleted,
                                      const QStringList& failures) {
    const QString port = camera->info().port;
    rebuildDeviceList([&](const DeviceEntry& entry) {
        return entry.port != port || !deleted.contains(entry.file);
    });
    if (!failures.isEmpty())
        m_ctx
            .alert(tr("%n file(s) could not be deleted", nullptr, int(failures.size())),
                   failures.join(QLatin1Char('\n')), m_cameraWindow)
            ->open();
    Q_EMIT m_ctx.deviceListChanged();
}
