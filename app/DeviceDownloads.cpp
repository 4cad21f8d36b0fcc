#include "app/DeviceController.h"

#include "app/Alerts.h"
#include "app/CameraWindow.h"
#include "app/FileViewer.h"
#include "app/SourcePane.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "sources/PhotoListModel.h"

#include <QFileInfo>
#include <QListView>
#include <QProgressBar>

namespace {
// The most failed downloads an alert names one by one; the rest are counted.
constexpr int namedFailuresInAlert = 12;
} // namespace

void DeviceController::requestDownloads(DownloadPurpose purpose) {
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
    m_storage.create();
    bDownloadandimportToEdit = purpose == DownloadPurpose::Import;
    const int tag = ++m_nextDownloadTag;
    m_downloadPurposes.insert(tag, purpose);
    startProgreess(int(files.size()));
    m_currentDevice->requestDownloadFiles(files, m_storage.storagelocation, tag);
}

void DeviceController::DownloadPhotoAction() {
    requestDownloads(DownloadPurpose::Download);
}

void DeviceController::DownloadImportEditePhotoAction() {
    m_pane.showPhotosOrDropHint(true);
    // The main window shows the computer's list: its source button is the chosen one.
    m_pane.showChosenSource(true);
    requestDownloads(DownloadPurpose::Import);
}

void DeviceController::ViewExifData() {
    requestDownloads(DownloadPurpose::View);
}

void DeviceController::downloadDidProgress(CameraDevice* camera, const DownloadOutcome& outcome,
                                           int done, int total) {
    QProgressBar* bar = m_cameraWindow->camerataskProgressor;
    bar->setRange(0, total);
    bar->setValue(done);
    if (!outcome.isOk())
        return;
    // The editing commands read a device photo from its copy, under the name
    // the copy actually got.
    const QString local = QFileInfo(outcome.path).fileName();
    QList<IKImageItem> items = m_devicePhotos.items();
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
        m_devicePhotos.clear();
        m_devicePhotos.append(items);
    }
}

void DeviceController::downloadsDidFinish(const QList<DownloadOutcome>& outcomes, int tag) {
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
        m_localPhotos.append(items);
        m_pane.showPhotosOrDropHint(true);
    }
    if (purpose == DownloadPurpose::View && !written.isEmpty())
        m_selection.nameDevicePhoto(QFileInfo(written.last()).fileName());
    if (!written.isEmpty() && purpose != DownloadPurpose::View)
        m_fileViewer.revealFiles(written);
    if (!failures.isEmpty()) {
        QStringList named = failures.mid(0, namedFailuresInAlert);
        if (failures.size() > namedFailuresInAlert)
            named << tr("and %n more", nullptr, int(failures.size()) - namedFailuresInAlert);
        m_alerts
            .alert(tr("%n files could not be downloaded", nullptr, int(failures.size())),
                   named.join(QLatin1Char('\n')), m_cameraWindow)
            ->open();
    }
    Q_EMIT deviceDownloadsFinished(outcomes);
}
