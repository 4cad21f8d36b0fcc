#include "app/AppSettings.h"

#include <QFontDatabase>
#include <QSettings>
#include <QStandardPaths>

QString AppSettings::defaultStoragePath() {
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) +
           QStringLiteral("/com.Quillmar.kestrelios");
}

QStringList AppSettings::cornerTitles() {
    return {QStringLiteral("Upper left corner"), QStringLiteral("Upper right corner"),
            QStringLiteral("Lower left corner"), QStringLiteral("Lower right corner")};
}

QString AppSettings::availableFontFamily(const QString& family) {
    if (!family.isEmpty() && QFontDatabase::families().contains(family))
        return family;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

AppSettings AppSettings::loadAtLaunch(QSettings& store) {
    using namespace SettingsKeys;
    AppSettings settings;
    settings.storagePath = store.value(StoragePath).toString();
    if (settings.storagePath.isEmpty()) {
        settings.storagePath = defaultStoragePath();
        store.setValue(StoragePath, settings.storagePath);
    }
    if (store.contains(FontName)) {
        settings.fontName = store.value(FontName).toString();
        store.setValue(FontName, settings.fontName);
        bool ok = false;
        const int size = store.value(FontSize).toInt(&ok);
        settings.fontSize = ok ? size : 14;
    } else {
        // The desktop's own font until one is chosen; nothing is stored, so
        // that the default follows the desktop.
        settings.fontSize = 14;
    }
    settings.position = store.value(Position).toString();
    if (!cornerTitles().contains(settings.position)) {
        settings.position = QStringLiteral("Lower left corner");
        store.setValue(Position, settings.position);
    } else {
        store.setValue(Position, settings.position);
    }
    const qsizetype policy = sidecarNames().indexOf(store.value(Sidecar).toString());
    settings.sidecar = policy < 0 ? SidecarPolicy::Present : SidecarPolicy(policy);
    store.sync();
    return settings;
}

QStringList AppSettings::sidecarNames() {
    return {QStringLiteral("never"), QStringLiteral("present"), QStringLiteral("always")};
}

void AppSettings::storeConfirmed(QSettings& store) const {
    using namespace SettingsKeys;
    store.setValue(FontName, fontName);
    store.setValue(FontSize, fontSize);
    store.setValue(Position, position);
    store.setValue(StoragePath, storagePath);
    store.setValue(Sidecar, sidecarNames().value(int(sidecar)));
    store.sync();
}
