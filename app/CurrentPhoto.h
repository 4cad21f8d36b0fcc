#pragma once

#include "editing/PhotoSelection.h"

#include <QPointF>
#include <QString>
#include <QVariantMap>

// The photo the window shows: set by the selection's read (the device list
// names its current photo too), read by the commands that work on one photo.
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
