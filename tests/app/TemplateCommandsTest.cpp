#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/MainWindowLayout.h"
#include "app/TemplatesController.h"
#include "metadata/WorkerMetadataClient.h"
#include "support/TestPhotos.h"
#include "templates/PropertyListCodec.h"

#include <QAction>
#include <QDir>
#include <QListView>
#include <QMenu>
#include <QSignalSpy>

// The window's exports and imports of property lists.
class TemplateCommandsTest : public DelegateTest {
    Q_OBJECT

private:
    void showPhoto(const QString& path) {
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        m_app->display()->openPanelDidEnd1(1, {path});
        m_app->display()->cellWasDoubleClickedAtIndex(0);
        QVERIFY(shown.wait(30000) ||
                m_app->currentPhoto().currentFileName == QFileInfo(path).fileName());
        QTRY_VERIFY(!m_app->currentPhoto().currentExifDictionary.isEmpty());
    }

private Q_SLOTS:
    void init() { launchDelegate(); }
    void cleanup() { closeDelegate(); }

    void anExportWritesTheSetsOfTheShownPhotoAndRevealsIt() {
        showPhoto(
            m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("IMG_0001.JPG")));
        QSignalSpy exported(m_app, &AppDelegate::exportFinished);
        m_app->templates()->ExportExifAndIiFFDataToPlist();
        QVERIFY(exported.wait(10000));
        const QString path = stored(QStringLiteral("IMG_0001.plist"));
        QCOMPARE(exported.first().first().toString(), path);
        QCOMPARE(m_viewer->revealed, QList<QStringList>{QStringList{path}});
        const auto read = readPropertyListDictionary(fileBytes(path));
        QVERIFY(read.isOk());
        QCOMPARE(read->keys(), (QStringList{QStringLiteral("{Exif}"), QStringLiteral("{TIFF}")}));
        QCOMPARE(read->value(QStringLiteral("{TIFF}")),
                 m_app->currentPhoto().currentExifDictionary.value(QStringLiteral("{TIFF}")));
        // The menu's whole-dictionary item replaces the file with all of it.
        for (QAction* item : m_app->outlets().importandExportMenu->actions()) {
            if (item->text().remove(QLatin1Char('&')) ==
                QStringLiteral("Export All Metadata of the Shown Photo…"))
                item->trigger();
        }
        QVERIFY(exported.wait(10000));
        QCOMPARE(readPropertyListDictionary(fileBytes(path))->keys(),
                 m_app->currentPhoto().currentExifDictionary.keys());
    }

    void theTemplateComesFromTheFormsFields() {
        const MainWindowOutlets& o = m_app->outlets();
        o.cameraMakelab->setText(QStringLiteral("NIKON"));
        o.gpsLatilab->setText(QStringLiteral("-33.8688"));
        o.gpsLongtlab->setText(QStringLiteral("151.2093"));
        o.keywordslab->setText(QStringLiteral("lake, hills"));
        for (int round = 0; round < 2; ++round) {
            QSignalSpy exported(m_app, &AppDelegate::exportFinished);
            m_app->templates()->ExportTemplateDataToPlist();
            QVERIFY(exported.wait(10000));
        }
        // The second export replaced the first.
        QCOMPARE(QDir(m_app->storage().storagelocation).entryList(QDir::Files),
                 QStringList{QStringLiteral("templatefile.plist")});
        const auto t =
            readPropertyListDictionary(fileBytes(stored(QStringLiteral("templatefile.plist"))));
        QVERIFY(t.isOk());
        QCOMPARE(t->size(), 17);
        QCOMPARE(t->value(QStringLiteral("Make")).toString(), QStringLiteral("NIKON"));
        QCOMPARE(t->value(QStringLiteral("LensMake")).toString(), QStringLiteral("NIKON"));
        QCOMPARE(t->value(QStringLiteral("Latitude")).toDouble(), double(float(-33.8688)));
        QCOMPARE(t->value(QStringLiteral("LatitudeRef")).toString(), QStringLiteral("S"));
        QCOMPARE(t->value(QStringLiteral("LongitudeRef")).toString(), QStringLiteral("E"));
        QCOMPARE(t->value(QStringLiteral("Keywords")).toList().size(), 2);
    }

    void anExportBeforeAnyPhotoSaysSoAndWritesNothing() {
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        m_app->templates()->ExportTIFFtoPlistAction();
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts.first().first().toString(), QStringLiteral("No photo to export"));
        QCOMPARE(QDir(m_app->storage().storagelocation).entryList(QDir::Files), QStringList());
    }

    void anImportAppliesTheFileToEverySelectedPhoto() {
        const QString plist = m_photos->writeFile(
            QStringLiteral("artist.plist"),
            toXmlPropertyList({{QStringLiteral("Artist"), QStringLiteral("Ana")}}));
        m_app->display()->openPanelDidEnd1(1,
                                           {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                                            m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"))});
        m_app->outlets().localImageBrowserView->selectAll();
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        m_app->templates()->openPanelDidEnd10(1, {plist});
        QVERIFY(finished.wait(60000));
        const QStringList outputs = {stored(QStringLiteral("DSCN0010.jpg")),
                                     stored(QStringLiteral("Canon_40D.jpg"))};
        QCOMPARE(m_app->lastReport().written, outputs);
        QCOMPARE(m_viewer->revealed, QList<QStringList>{outputs});
        for (const QString& output : outputs)
            QCOMPARE(exiftoolRead(output).value(QStringLiteral("IFD0:Artist")).toString(),
                     QStringLiteral("Ana"));
    }

    void aFileThatIsNoPropertyListIsNamedAndNothingIsWritten() {
        const QString notAList = m_photos->writeFile(QStringLiteral("notes.plist"), "shopping");
        m_app->display()->openPanelDidEnd1(1,
                                           {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg"))});
        m_app->outlets().localImageBrowserView->selectAll();
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        m_app->templates()->openPanelDidEnd13(1, {notAList});
        QVERIFY(finished.wait(60000));
        QCOMPARE(m_app->lastReport().written, QStringList());
        QCOMPARE(m_app->lastReport().skipped.size(), 1);
        QCOMPARE(m_app->lastReport().skipped.first().path, notAList);
        QVERIFY(m_app->lastReport().skipped.first().reason.startsWith(
            QLatin1String("not a property list")));
        QCOMPARE(QDir(m_app->storage().storagelocation).entryList(QDir::Files), QStringList());
    }
};

int main(int argc, char** argv) {
    return runGuiTests<TemplateCommandsTest>(argc, argv);
}

#include "TemplateCommandsTest.moc"
