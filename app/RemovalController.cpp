#include "app/RemovalController.h"

#include "app/Alerts.h"
#include "app/CommandRunner.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "metadata/MetadataService.h"

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
