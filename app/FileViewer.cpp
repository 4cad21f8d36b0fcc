#include "app/FileViewer.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
bool callFileManager(const char* method, const QStringList& paths) {
    QDBusInterface manager(QStringLiteral("org.freedesktop.FileManager1"),
                           QStringLiteral("/org/freedesktop/FileManager1"),
                           QStringLiteral("org.freedesktop.FileManager1"),
                           QDBusConnection::sessionBus());
    if (!manager.isValid())
        return false;
    QStringList uris;
    for (const QString& path : paths)
        uris << QUrl::fromLocalFile(path).toString();
    const QDBusMessage reply = manager.call(QLatin1String(method), uris, QString());
    return reply.type() != QDBusMessage::ErrorMessage;
}
} // namespace

void DesktopFileViewer::revealFiles(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    if (!callFileManager("ShowItems", paths))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(paths.first()).absolutePath()));
}

void DesktopFileViewer::openFolder(const QString& folder) {
    if (!callFileManager("ShowFolders", {folder}))
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}
