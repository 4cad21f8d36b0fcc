#include "app/AppDelegate.h"

#include "app/DeviceWindow.h"
#include "app/DropTargets.h"
#include "app/FileViewer.h"
#include "sources/DeviceBrowser.h"
#include "sources/PhotoListModel.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

// The kind a device photo item shows, from its name.
QString itemTypeOf(const QString& name) {
    const QString extension = QFileInfo(name).suffix().toLower();
    for (const char* movie : {"mov", "mp4", "m4v", "mpeg"}) {
        if (extension == QLatin1String(movie))
            return QStringLiteral("Movie");
    }
    return QStringLiteral("Image");
}

// The most failed downloads an alert names one by one; the rest are counted.
constexpr int namedFailuresInAlert = 12;

} // namespace

void AppDelegate::setUpDeviceWindow() {
    m_cameraWindow = new DeviceWindow(m_outlets.imageBrowserView, m_outlets.window);
    DeviceWindow* w = m_cameraWindow;
    connect(w->opendeviceBtn, &QPushButton::clicked, this, [this] {
        OpenDeviceAction();
        // The commands that need an open device are offered from now on.
        for (QPushButton* b : {m_cameraWindow->deletePhotoBtn, m_cameraWindow->downloadPhotoBtn,
                               m_cameraWindow->viewExifBtn, m_cameraWindow->removeExifBtn})
            b->setEnabled(true);
    });
    connect(w->downloadPhotoBtn, &QPushButton::clicked, this, &AppDelegate::DownloadPhotoAction);
    connect(w->importEditPhotoBtn, &QPushButton::clicked, this,
            &AppDelegate::DownloadImportEditePhotoAction);
    connect(w->deletePhotoBtn, &QPushButton::clicked, this, &AppDelegate::DeletePhotoAction);
    connect(w->viewExifBtn, &QPushButton::clicked, this, &AppDelegate::ViewExifData);
    connect(w->removeExifBtn, &QPushButton::clicked, this, &AppDelegate::RemoveExifDataFromPhoto);
    connect(m_outlets.cameraphotoBtn, &QPushButton::clicked, this,
            &AppDelegate::ChangeToImportiOSDevicePhoto);
    connect(m_outlets.changtoiOSmodemenu, &QAction::triggered, this,
            &AppDelegate::ChangeToImportiOSDevicePhoto);
    for (QPushButton* b :
         {w->deletePhotoBtn, w->downloadPhotoBtn, w->viewExifBtn, w->removeExifBtn})
        b->setEnabled(false);
    m_outlets.changtoiOSmodemenu->setEnabled(false);
    bDownloadandimportToEdit = false;
}

void AppDelegate::deviceDidAdd(const DeviceInfo& device) {
    m_cameraWindow->deviceNamelab->setText(device.name());
    auto* camera = new CameraDevice(m_cameraService, device, this);
    connect(camera, &CameraDevice::didOpenSession, this, [this](const QString& error) {
        if (!error.isEmpty()) {
            endProgress();
            alert(tr("The device could not be opened"), error, m_cameraWindow)->open();
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
    connect(camera, &CameraDevice::didFinishDownloads, this, &AppDelegate::downloadsDidFinish);
    connect(camera, &CameraDevice::didDeleteFiles, this,
            [this, camera](const QList<DeviceFile>& deleted, const QStringList& failures) {
                filesDidDelete(camera, deleted, failures);
            });
    mCameras.append(camera);
    m_currentDevice = camera;
    m_outlets.changtoiOSmodemenu->setEnabled(true);
    Q_EMIT deviceListChanged();
}

void AppDelegate::deviceDidRemove(const DeviceInfo& device) {
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
        m_devicePhotos->clear();
        m_cameraWindow->hide();
        endProgress();
    } else {
        // Another camera stays: the newest one becomes current, and the gone
        // camera's files leave the list, since nothing can reach them now.
        if (m_currentDevice == gone)
            m_currentDevice = mCameras.last();
        rebuildDeviceList([&](const DeviceEntry& entry) { return entry.port != device.port; });
    }
    Q_EMIT deviceListChanged();
}

void AppDelegate::rebuildDeviceList(const std::function<bool(const DeviceEntry&)>& keep) {
    QList<IKImageItem> items;
    QList<DeviceEntry> entries;
    for (int row = 0; row < m_deviceEntries.size(); ++row) {
        if (keep(m_deviceEntries[row])) {
            items << m_devicePhotos->itemAt(row);
            entries << m_deviceEntries[row];
        }
    }
    m_devicePhotos->clear();
    m_devicePhotos->append(items);
    m_deviceEntries = entries;
}

void AppDelegate::ChangeToImportiOSDevicePhoto() {
    // The editing commands work on the device list from here on.
    blocalMode = false;
    if (mCameras.isEmpty()) {
        m_outlets.leftTipCameraImageView->show();
        m_outlets.localImageBrowserView->hide();
        m_outlets.leftTipView->hide();
        return;
    }
    m_outlets.leftTipCameraImageView->hide();
    const bool hasPhotos = m_localPhotos->rowCount() > 0;
    m_outlets.localImageBrowserView->setVisible(hasPhotos);
    m_outlets.leftTipView->setVisible(!hasPhotos);
    m_cameraWindow->show();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_cameraWindow->move(screen->availableGeometry().center() -
                             m_cameraWindow->rect().center());
    m_cameraWindow->raise();
    m_cameraWindow->activateWindow();
}

void AppDelegate::startProgreess(int total) {
    QProgressBar* bar = m_cameraWindow->camerataskProgressor;
    bar->setRange(0, total); // 0 of 0 is the busy indicator
    bar->setValue(0);
    bar->setTextVisible(total > 0);
    bar->show();
}

void AppDelegate::endProgress() {
    m_cameraWindow->camerataskProgressor->hide();
}

void AppDelegate::OpenDeviceAction() {
    createStorageFolder();
    startProgreess(0);
    if (m_currentDevice)
        m_currentDevice->requestOpenSession();
}

void AppDelegate::thumbnailDidArrive(CameraDevice* camera, const DeviceFile& file,
                                     const QString& path) {
    IKImageItem item;
    item.filePath = path;
    item.fileName = file.safeName();
    item.fileType = itemTypeOf(item.fileName);
    m_deviceEntries.append({camera->info().port, file});
    m_devicePhotos->append({item});
    Q_EMIT deviceListChanged();
}

void AppDelegate::requestDownloads(DownloadPurpose purpose) {
    const QItemSelectionModel* selection = m_outlets.imageBrowserView->selectionModel();
    QList<int> rows;
    for (const QModelIndex& index : selection->selectedIndexes())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QList<DeviceFile> files;
    for (int row : rows) {
        const DeviceEntry& entry = m_deviceEntries.at(row);
        if (!m_currentDevice || entry.port != m_currentDevice->info().port)
            continue;
        if (purpose == DownloadPurpose::View && itemTypeOf(entry.file.safeName()) == "Movie")
            continue; // a movie has no photo metadata to view
        files << entry.file;
    }
    if (files.isEmpty() || !m_currentDevice)
        return;
    createStorageFolder();
    bDownloadandimportToEdit = purpose == DownloadPurpose::Import;
    const int tag = ++m_nextDownloadTag;
    m_downloadPurposes.insert(tag, purpose);
    startProgreess(int(files.size()));
    m_currentDevice->requestDownloadFiles(files, storagelocation, tag);
}

void AppDelegate::DownloadPhotoAction() {
    requestDownloads(DownloadPurpose::Download);
}

void AppDelegate::DownloadImportEditePhotoAction() {
    m_outlets.leftTipCameraImageView->hide();
    m_outlets.localImageBrowserView->show();
    m_outlets.leftTipView->hide();
    requestDownloads(DownloadPurpose::Import);
}

void AppDelegate::ViewExifData() {
    requestDownloads(DownloadPurpose::View);
}

void AppDelegate::downloadDidProgress(CameraDevice* camera, const DownloadOutcome& outcome,
                                      int done, int total) {
    QProgressBar* bar = m_cameraWindow->camerataskProgressor;
    bar->setRange(0, total);
    bar->setValue(done);
    if (!outcome.isOk())
        return;
    // The editing commands read a device photo from its copy, under the name
    // the copy actually got.
    const QString local = QFileInfo(outcome.path).fileName();
    QList<IKImageItem> items = m_devicePhotos->items();
    bool renamed = false;
    for (int row = 0; row < m_deviceEntries.size(); ++row) {
        const DeviceEntry& entry = m_deviceEntries[row];
        if (entry.port == camera->info().port && entry.file == outcome.file &&
            items[row].fileName != local) {
            items[row].fileName = local;
            renamed = true;
        }
    }
    if (renamed) {
        m_devicePhotos->clear();
        m_devicePhotos->append(items);
    }
}

void AppDelegate::downloadsDidFinish(const QList<DownloadOutcome>& outcomes, int tag) {
    const DownloadPurpose purpose = m_downloadPurposes.take(tag);
    endProgress();
    QStringList written, failures;
    for (const DownloadOutcome& outcome : outcomes) {
        if (outcome.isOk())
            written << outcome.path;
        else
            failures << QStringLiteral("%1: %2").arg(outcome.file.displayName(), outcome.error);
    }
    if (purpose == DownloadPurpose::Import && !written.isEmpty()) {
        QList<IKImageItem> items;
        for (const QString& path : written)
            items << IKImageItem::forLocalFile(path);
        m_localPhotos->append(items);
        m_outlets.localImageBrowserView->show();
        m_outlets.leftTipView->hide();
    }
    if (purpose == DownloadPurpose::View && !written.isEmpty())
        currentFileName = QFileInfo(written.last()).fileName();
    if (!written.isEmpty() && purpose != DownloadPurpose::View)
        m_fileViewer.revealFiles(written);
    if (!failures.isEmpty()) {
        QStringList named = failures.mid(0, namedFailuresInAlert);
        if (failures.size() > namedFailuresInAlert)
            named << tr("and %n more", nullptr, int(failures.size()) - namedFailuresInAlert);
        alert(tr("%n file(s) could not be downloaded", nullptr, int(failures.size())),
              named.join(QLatin1Char('\n')), m_cameraWindow)
            ->open();
    }
    Q_EMIT deviceDownloadsFinished(outcomes);
}

void AppDelegate::DeletePhotoAction() {
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

void AppDelegate::filesDidDelete(CameraDevice* camera, const QList<DeviceFile>& deleted,
                                 const QStringList& failures) {
    const QString port = camera->info().port;
    rebuildDeviceList([&](const DeviceEntry& entry) {
        return entry.port != port || !deleted.contains(entry.file);
    });
    if (!failures.isEmpty())
        alert(tr("%n file(s) could not be deleted", nullptr, int(failures.size())),
              failures.join(QLatin1Char('\n')), m_cameraWindow)
            ->open();
    Q_EMIT deviceListChanged();
}
