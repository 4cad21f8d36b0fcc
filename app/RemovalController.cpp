#include "app/RemovalController.h"

#include "app/Alerts.h"
#include "app/CommandRunner.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "editing/WorkingCopies.h"
#include "metadata/MetadataService.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QStandardPaths>

RemovalController::RemovalController(SourceSelection& selection, CommandRunner& runner,
                                     Alerts& alerts, MetadataService& metadata,
                                     const StorageLocation& storage, QObject* parent)
    : QObject(parent), m_selection(selection), m_runner(runner), m_alerts(alerts),
      m_metadata(metadata), m_storage(storage) {}

void RemovalController::runRemovalCommand(RemovalKind kind) {
    const SourceMode sourceMode = m_selection.mode();
    if (m_selection.selectionCount(sourceMode) == 0) {
        m_alerts.showEmptySelectionAlert();
        return;
    }
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(sourceMode);
    const RemovalReveal reveal = removalReveal(kind, sourceMode);
    MetadataService* metadata = &m_metadata;
    m_runner.runEditing(tr("Removing metadata…"), photos,
                        [kind, sourceMode, photos, storage = m_storage.storagelocation,
                         metadata](const BatchOptions& o) {
                            return runRemoval(kind, sourceMode, photos, storage, *metadata, o);
                        },
                        {reveal.revealEachWritten, reveal.openStorageAtEnd});
}

void RemovalController::RemoveExifDataFromPhoto() {
    runRemovalCommand(RemovalKind::Exif);
}
void RemovalController::RemoveGPSDataFromPhoto() {
    runRemovalCommand(RemovalKind::Gps);
}
void RemovalController::RemoveIPTCDataFromPhoto() {
    runRemovalCommand(RemovalKind::Iptc);
}
void RemovalController::DeleteExifAndGPSData() {
    runRemovalCommand(RemovalKind::ExifAndGps);
}
void RemovalController::RemoveAllMetadataFromPhoto() {
    runRemovalCommand(RemovalKind::All);
}

namespace {

// Newer Qt moves a file into the trash only where the user's data folder
// exists, and a fresh account may have none yet.
bool moveToTrash(const QString& path) {
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return QFile::moveToTrash(path);
}

} // namespace

void RemovalController::RevertToOriginalAction() {
    if (m_selection.selectionCount(SourceMode::Computer) == 0) {
        m_alerts.showEmptySelectionAlert();
        return;
    }
    QStringList reverted, failed;
    for (const SelectedPhoto& photo : m_selection.selectedPhotos(SourceMode::Computer)) {
        const QString copy = workingCopyOf(photo.inputPath, m_storage.storagelocation);
        if (copy.isEmpty())
            continue;
        if (moveToTrash(copy))
            reverted << photo.inputPath;
        else
            failed
                << tr("%1: its copy %2 could not be moved to the trash").arg(photo.inputPath, copy);
    }
    if (!reverted.isEmpty())
        Q_EMIT workingCopiesChanged();
    if (!failed.isEmpty())
        m_alerts.showSheet(
            tr("%n working copies could not be moved to the trash.", nullptr, int(failed.size())),
            failed.join(QLatin1Char('\n')), m_alerts.mainWindow());
    else if (reverted.isEmpty())
        m_alerts.showSheet(tr("Nothing to revert."),
                           tr("The selected photos have no edited copy in the storage folder."),
                           m_alerts.mainWindow(), QMessageBox::Information);
}
