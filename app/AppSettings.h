#pragma once

#include "metadata/RewriteRequest.h"

#include <QString>
#include <QStringList>

class QSettings;

// The four settings keys, as they have always been spelled.
namespace SettingsKeys {
inline const QString StoragePath = QStringLiteral("storagePath");
inline const QString FontName = QStringLiteral("fontName");
inline const QString FontSize = QStringLiteral("fontsize");
inline const QString Position = QStringLiteral("Postion");
// "never", "present" or "always": whether written photos get XMP sidecars.
inline const QString Sidecar = QStringLiteral("sidecar");
} // namespace SettingsKeys

struct AppSettings {
    QString storagePath;
    QString fontName;
    int fontSize = 14;
    QString position;
    SidecarPolicy sidecar = SidecarPolicy::Present;
    static QStringList sidecarNames(); // in the order of SidecarPolicy

    static QString defaultStoragePath();
    static QStringList cornerTitles();
    // A font this system lacks is replaced by the default sans font.
    static QString availableFontFamily(const QString& family);

    // Reads the settings at launch and stores the defaults of missing keys
    // (all but the font size), as the first launch always has.
    static AppSettings loadAtLaunch(QSettings& store);
    // Stores every key when the preferences are confirmed.
    void storeConfirmed(QSettings& store) const;
};
