#include "app/RemovalController.h"

#include "app/ControllerContext.h"
#include "metadata/MetadataService.h"

RemovalController::RemovalController(ControllerContext& context, QObject* parent)
    : QObject(parent), m_ctx(context) {}

void RemovalController::runRemovalCommand(RemovalKind kind) {
    const SourceMode sourceMode = m_ctx.mode();
    if (m_ctx.selectionCount(sourceMode) == 0) {
        m_ctx.showEmptySelectionAlert();
        return;
    }
    const std::vector<SelectedPhoto> photos = m_ctx.selectedPhotos(sourceMode);
    const RemovalReveal reveal = removalReveal(kind, sourceMode);
    MetadataService* metadata = &m_ctx.metadata;
    m_ctx.runEditing(tr("Removing metadata…"), photos,
                     [kind, sourceMode, photos, storage = m_ctx.state.storagelocation,
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
