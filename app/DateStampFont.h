#pragma once

#include <QColor>
#include <QFontDialog>
#include <QPointer>
#include <QString>

// The date stamp's font and colour as chosen in the font panel and the
// preferences: the stamp draws with them, the preferences store them.
struct DateStampFont {
    QString currentFontname;
    int currentFontSize = 14;
    QColor currentFontColor = Qt::white;
    QPointer<QFontDialog> fontPanel; // made by the first ShowFontPanelAction
};
