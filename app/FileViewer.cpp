#include "app/FileViewer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <functional>

namespace {

void openWithDesktop(const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// Asks the desktop's file manager without waiting for it: one that is still
// being started by the bus must not freeze the window. Where no file manager
// answers, the folder is opened with the desktop's default handler instead.
void callFileManager(const QString& method, const QStringList& paths,
                     const std::function<void()>& fallback) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fallback();
        return;
    }
    QStringList uris;
    for (const QString& path : paths)
        uris << QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded); // URIs: "a b" is "a%20b"
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                       QStringLiteral("org.freedesktop.FileManager1"), method);
    call << uris << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [fallback](QDBusPendingCallWatcher* done) {
                         if (done->isError())
                             fallback();
                         done->deleteLater();
                     });
}

} // namespace

void DesktopFileViewer::revealFiles(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    const QString folder = QFileInfo(paths.first()).absolutePath();
    callFileManager(QStringLiteral("ShowItems"), paths, [folder] { openWithDesktop(folder); });
}

void DesktopFileViewer::openFolder(const QString& folder) {
    callFileManager(QStringLiteral("ShowFolders"), {folder}, [folder] { openWithDesktop(folder); });
}
