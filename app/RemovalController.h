#pragma once

#include "editing/RemovalOperation.h"

#include <QObject>

class ControllerContext;

// The remove menu: each command takes one kind of metadata out of the
// selected photos of the current source.
class RemovalController : public QObject {
    Q_OBJECT
public:
    explicit RemovalController(ControllerContext& context, QObject* parent = nullptr);

public Q_SLOTS:
    void RemoveExifDataFromPhoto();
    void RemoveGPSDataFromPhoto();
    void RemoveIPTCDataFromPhoto();
    void DeleteExifAndGPSData();
    void RemoveAllMetadataFromPhoto();

private:
    void runRemovalCommand(RemovalKind kind);

    ControllerContext& m_ctx;
};
