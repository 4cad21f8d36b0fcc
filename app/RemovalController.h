#pragma once

#include "editing/RemovalOperation.h"

#include <QObject>

class Alerts;
class CommandRunner;
class MetadataService;
class SourceSelection;
struct StorageLocation;

// The remove menu: each command takes one kind of metadata out of the
// selected photos of the current source.
class RemovalController : public QObject {
    Q_OBJECT
public:
    RemovalController(SourceSelection& selection, CommandRunner& runner, Alerts& alerts,
                      MetadataService& metadata, const StorageLocation& storage,
                      QObject* parent = nullptr);

public Q_SLOTS:
    void RemoveExifDataFromPhoto();
    void RemoveGPSDataFromPhoto();
    void RemoveIPTCDataFromPhoto();
    void DeleteExifAndGPSData();
    void RemoveAllMetadataFromPhoto();
    // The selected computer photos' working copies go to the desktop's
    // trash: the next edit starts from the photo again.
    void RevertToOriginalAction();

Q_SIGNALS:
    void workingCopiesChanged();

private:
    void runRemovalCommand(RemovalKind kind);

    SourceSelection& m_selection;
    CommandRunner& m_runner;
    Alerts& m_alerts;
    MetadataService& m_metadata;
    const StorageLocation& m_storage;
};
