#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/RemovalController.h"
#include "metadata/WorkerMetadataClient.h"
#include "sources/PhotoListModel.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QListView>
#include <QSignalSpy>

#include <functional>

// What each removal command asks of the file viewer, in each mode: the
// written files revealed together, or the storage folder opened.
class RemovalCommandsTest : public DelegateTest {
    Q_OBJECT

private Q_SLOTS:
    void init() { launchDelegate(); }
    void cleanup() { closeDelegate(); }

    void eachRemovalShowsItsResultAsItAlwaysHas_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("device");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("reveals"); // false: opens the storage folder
        QTest::newRow("exif, computer") << "exif" << false << "NoExif_" << true;
        QTest::newRow("exif, device") << "exif" << true << "NoExif_" << true;
        QTest::newRow("gps, computer") << "gps" << false << "NoGPS_" << true;
        QTest::newRow("gps, device") << "gps" << true << "NoGPS_" << false;
        QTest::newRow("iptc, computer") << "iptc" << false << "NoIPTC_" << true;
        QTest::newRow("iptc, device") << "iptc" << true << "NoIPTC_" << false;
        QTest::newRow("exif and gps, computer") << "exif-gps" << false << "NoExifAndGPS_" << false;
        QTest::newRow("exif and gps, device") << "exif-gps" << true << "NoExifAndGPS_" << false;
    }
    void eachRemovalShowsItsResultAsItAlwaysHas() {
        QFETCH(QString, command);
        QFETCH(bool, device);
        QFETCH(QString, prefix);
        QFETCH(bool, reveals);
        const QStringList names = {QStringLiteral("DSCN0010.jpg"), QStringLiteral("Canon_40D.jpg")};
        if (device) {
            // Device photos are read from their downloaded copies in the storage folder.
            QList<IKImageItem> items;
            for (const QString& name : names) {
                IKImageItem item;
                item.filePath = m_photos->copyPhoto(name, QStringLiteral("thumb-") + name);
                item.fileName = name;
                QVERIFY(QFile::copy(fixturePath(name), stored(name)));
                items << item;
            }
            m_app->cameItemArray()->append(items);
            m_app->selection()->setLocalMode(false);
            m_app->outlets().imageBrowserView->selectAll();
        } else {
            QStringList paths;
            for (const QString& name : names)
                paths << m_photos->copyPhoto(name);
            m_app->display()->openPanelDidEnd1(1, paths);
            m_app->outlets().localImageBrowserView->selectAll();
        }
        const QHash<QString, std::function<void()>> commands = {
            {QStringLiteral("exif"), [this] { m_app->removal()->RemoveExifDataFromPhoto(); }},
            {QStringLiteral("gps"), [this] { m_app->removal()->RemoveGPSDataFromPhoto(); }},
            {QStringLiteral("iptc"), [this] { m_app->removal()->RemoveIPTCDataFromPhoto(); }},
            {QStringLiteral("exif-gps"), [this] { m_app->removal()->DeleteExifAndGPSData(); }},
        };
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        commands.value(command)();
        QVERIFY(finished.wait(60000));

        const QStringList outputs = {stored(prefix + names[0]), stored(prefix + names[1])};
        for (const QString& output : outputs)
            QVERIFY2(QFile::exists(output), qPrintable(output));
        QCOMPARE(m_app->lastReport().written, outputs);
        if (reveals) {
            QCOMPARE(m_viewer->revealed, QList<QStringList>{outputs});
            QCOMPARE(m_viewer->opened, QStringList());
        } else {
            QCOMPARE(m_viewer->revealed, QList<QStringList>());
            QCOMPARE(m_viewer->opened, QStringList{m_app->storage().storagelocation});
        }
    }
};

int main(int argc, char** argv) {
    return runGuiTests<RemovalCommandsTest>(argc, argv);
}

#include "RemovalCommandsTest.moc"
