#include "app/FileViewer.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <QUrl>

// Stands in for the desktop's file manager on a private session bus; it can
// take its time to answer, as one that is still starting does.
class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    int answerAfterMs = 0;
    int answered = 0; // late answers sent
    QList<QStringList> items;
    QList<QStringList> folders;

public Q_SLOTS:
    Q_SCRIPTABLE void ShowItems(const QStringList& uris, const QString&) {
        items << uris;
        answerLater();
    }
    Q_SCRIPTABLE void ShowFolders(const QStringList& uris, const QString&) {
        folders << uris;
        answerLater();
    }

private:
    void answerLater() {
        if (answerAfterMs == 0)
            return;
        setDelayedReply(true);
        const QDBusMessage reply = message().createReply();
        QTimer::singleShot(answerAfterMs, this, [this, reply] {
            QDBusConnection::sessionBus().send(reply);
            ++answered;
        });
    }
};

// Receives what falls back to the desktop's default handler.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class FileViewerTest : public QObject {
    Q_OBJECT
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    const QString objectPath = QStringLiteral("/org/freedesktop/FileManager1");
    FakeFileManager m_manager;
    OpenedUrls m_opened;
    DesktopFileViewer m_viewer;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_opened, "open");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    void init() {
        m_manager.items.clear();
        m_manager.folders.clear();
        m_manager.answerAfterMs = 0;
        m_manager.answered = 0;
        m_opened.urls.clear();
    }
    void cleanup() {
        QDBusConnection::sessionBus().unregisterService(service);
        QDBusConnection::sessionBus().unregisterObject(objectPath);
    }

    void showsTheFilesSelectedAndOpensFoldersThroughTheFileManager() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(objectPath, &m_manager, QDBusConnection::ExportScriptableSlots));
        QVERIFY(bus.registerService(service));
        m_viewer.revealFiles(
            {QStringLiteral("/photos/out/a b.jpg"), QStringLiteral("/photos/out/c.jpg")});
        m_viewer.openFolder(QStringLiteral("/photos/out"));
        QTRY_COMPARE(m_manager.items.size(), 1);
        QCOMPARE(m_manager.items[0], QStringList({QStringLiteral("file:///photos/out/a%20b.jpg"),
                                                  QStringLiteral("file:///photos/out/c.jpg")}));
        QTRY_COMPARE(m_manager.folders,
                     QList<QStringList>({{QStringLiteral("file:///photos/out")}}));
        QTest::qWait(50);
        QVERIFY(m_opened.urls.isEmpty());
    }

    void aFileManagerSlowToAnswerNeverHoldsTheCallerUp() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(objectPath, &m_manager, QDBusConnection::ExportScriptableSlots));
        QVERIFY(bus.registerService(service));
        m_manager.answerAfterMs = 1500;
        QElapsedTimer timer;
        timer.start();
        m_viewer.revealFiles({QStringLiteral("/photos/out/a.jpg")});
        QVERIFY(timer.elapsed() < 200);
        QTRY_COMPARE(m_manager.items.size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(m_manager.answered, 1, 5000);
        QTest::qWait(100);
        QVERIFY(m_opened.urls.isEmpty()); // a late answer is still an answer
    }

    void withoutAFileManagerTheFolderOpensWithTheDesktopsHandler() {
        m_viewer.revealFiles({QStringLiteral("/photos/out/a.jpg")});
        QTRY_COMPARE(m_opened.urls,
                     QList<QUrl>({QUrl::fromLocalFile(QStringLiteral("/photos/out"))}));
        m_viewer.openFolder(QStringLiteral("/photos/elsewhere"));
        QTRY_COMPARE(m_opened.urls.size(), 2);
        QCOMPARE(m_opened.urls[1], QUrl::fromLocalFile(QStringLiteral("/photos/elsewhere")));
        m_viewer.revealFiles({});
        QTest::qWait(50);
        QCOMPARE(m_opened.urls.size(), 2);
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    FileViewerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FileViewerTest.moc"
