#pragma once

#include "metadata/RewriteRequest.h"

#include <QColor>
#include <QFontDialog>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QVariantMap>

// What the command groups share about the current photo, the source and the
// storage folder. Every group reads it; a group writes only what its commands
// decide (the display its photo, the preferences the folder and the font).
struct ControllerState {
    QString storagelocation;
    bool blocalMode = true; // the editing commands work on the computer list
    QString currentFileName;
    QString currentChooseFilePath;
    QVariantMap currentExifDictionary;
    QPointF currentCoords; // (latitude, longitude)
    bool bMapPreview = false;

    // The date stamp's style: chosen in the preferences and the font panel.
    QString currentFontname;
    int currentFontSize = 14;
    QColor currentFontColor = Qt::white;
    QPointer<QFontDialog> fontPanel; // made by the first ShowFontPanelAction

    // Whether written photos get XMP sidecars beside them.
    SidecarPolicy sidecar = SidecarPolicy::Present;
};
