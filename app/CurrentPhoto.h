#pragma once

#include "editing/PhotoSelection.h"

#include <QPointF>
#include <QString>
#include <QVariantMap>

// The photo the window shows, read by the commands that work on one photo.
// SourceSelection holds it and alone changes it (the selection's read, the
// device list's current photo, the edit form's position); the others see it
// only as const.
struct CurrentPhoto {
    QString currentChooseFilePath;
    QString currentFileName;
    QVariantMap currentExifDictionary;
    QPointF currentCoords; // (latitude, longitude)
    bool bMapPreview = false;

    // The file a one-photo command works on: a computer photo itself, a
    // device photo its downloaded copy in the storage folder (none without
    // a name).
    QString pathIn(SourceMode mode, const QString& storage) const {
        if (mode == SourceMode::Computer)
            return currentChooseFilePath;
        return currentFileName.isEmpty() ? QString() : storage + QLatin1Char('/') + currentFileName;
    }
};
