#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The four settings keys, as they have always been spelled.
namespace SettingsKeys {
inline const QString StoragePath = QStringLiteral("storagePath");
inline const QString FontName = QStringLiteral("fontName");
inline const QString FontSize = QStringLiteral("fontsize");
inline const QString Position = QStringLiteral("Postion");
} // namespace SettingsKeys

struct AppSettings {
    QString storagePath;
    QString fontName;
    int fontSize = 14;
    QString position;

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
