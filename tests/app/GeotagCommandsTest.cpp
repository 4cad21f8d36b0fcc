#include "GuiTestSupport.h"
#include "app/ChangeConfirmation.h"
#include "app/ChangePreviewWindow.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/GeotagController.h"
#include "app/GeotagModel.h"
#include "app/GeotagWindow.h"
#include "app/MainWindowLayout.h"
#include "app/MapWidget.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

// Run in UTC: the photos' times are written as UTC.
class GeotagCommandsTest : public DelegateTest {
    Q_OBJECT

private:
    GeotagController* geotag() const { return m_app->geotag(); }
    GeotagWindow* window() const { return geotag()->geotagWindow(); }
    QString placeOf(int row) const {
        return geotag()->model()->index(row, GeotagModel::PlaceColumn).data().toString();
    }
    QString photo(const QString& fixture, const QString& name, const QString& taken) {
        const QString path = m_photos->copyPhoto(fixture, name);
        runTool("exiftool",
                {"-q", "-q", "-overwrite_original", "-DateTimeOriginal=" + taken, path});
        return path;
    }

private Q_SLOTS:
    void init() { launchDelegate(); }
    void cleanup() { closeDelegate(); }

    void listsEachPhotoFollowsTheSettingsAndAppliesThePlacedOnes() {
        const QString track = m_photos->writeFile(
            "walk.gpx",
            "<gpx version=\"1.1\"><trk><trkseg>"
            "<trkpt lat=\"45\" lon=\"7\"><time>2020-06-01T10:00:00Z</time></trkpt>"
            "<trkpt lat=\"45.01\" lon=\"7.02\"><time>2020-06-01T10:10:00Z</time></trkpt>"
            "</trkseg></trk></gpx>");
        const QStringList photos = {photo("Canon_40D.jpg", "a.jpg", "2020:06:01 10:05:00"),
                                    photo("Nikon_D70.jpg", "b.jpg", "2020:06:01 10:20:00"),
                                    photo("DSCN0010.jpg", "c.jpg", "2020:06:01 10:05:00")};
        m_app->display()->openPanelDidEnd1(1, photos);
        m_app->outlets().localImageBrowserView->selectAll();
        // The Edit button's menu and the Metadata menu offer the command.
        QAction* item = m_app->outlets().editExifMenu->findChild<QAction*>("geotagItem");
        QVERIFY(item);
        const QMenu* metadata =
            m_app->outlets().window->menuBar()->findChild<QMenu*>("metadataMenu");
        QVERIFY(metadata->actions().contains(item));
        QSignalSpy read(geotag(), &GeotagController::photosRead);
        QSignalSpy loaded(geotag(), &GeotagController::tracksLoaded);
        item->trigger();
        geotag()->addTrackFiles({track});
        QTRY_VERIFY_WITH_TIMEOUT(!read.isEmpty() && !loaded.isEmpty(), 20000);

        QCOMPARE(placeOf(0), QString("45.005000, 7.010000"));
        QCOMPARE(placeOf(1), QString("10 minutes after the track ends"));
        QVERIFY(placeOf(2).startsWith("already has a position"));
        QVERIFY(window()->trackMapView->hasTrack());
        QCOMPARE(window()->trackMapView->pins().size(), 1);

        // Each setting shows at once.
        window()->offsetField->setText("-00:15:00");
        QCOMPARE(placeOf(0), QString("10 minutes before the track starts"));
        QCOMPARE(placeOf(1), QString("45.005000, 7.010000"));
        window()->maxExtrapolationBox->setValue(600);
        QCOMPARE(placeOf(0), QString("45.000000, 7.000000"));
        window()->maxExtrapolationBox->setValue(0);
        window()->offsetField->setText("1 hour");
        QVERIFY(window()->summaryLabel->text().contains("not a clock offset"));
        QVERIFY(!window()->applyButton->isEnabled());
        window()->offsetField->clear();
        window()->zoneBox->setEditText("+01:00");
        QCOMPARE(placeOf(0), QString("55 minutes before the track starts"));
        window()->zoneBox->setCurrentIndex(0);
        window()->overwriteBox->setChecked(true);
        QCOMPARE(window()->trackMapView->pins().size(), 2);
        // The photo of the GPS device's screen showed 10:06:00 at 10:05:00.
        QVERIFY(geotag()->addSyncPoint(0, "10:06:00"));
        QVERIFY(!window()->offsetField->isEnabled());
        QCOMPARE(placeOf(0), QString("45.006000, 7.012000"));
        QCOMPARE(placeOf(1), QString("11 minutes after the track ends"));

        window()->placesBox->setChecked(true); // and the places of the new positions
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        connect(geotag()->confirmation(), &ChangeConfirmation::previewShown, this,
                [](ChangePreviewWindow* preview) { preview->confirmButton->click(); });
        QTest::mouseClick(window()->applyButton, Qt::LeftButton);
        QVERIFY(finished.wait(60000));
        QVERIFY(!window()->isVisible());
        const QString storage = m_app->storage().storagelocation;
        QCOMPARE(QDir(storage).entryList(QDir::Files), QStringList({"a.jpg", "c.jpg"}));
        const QJsonObject a = exiftoolRead(storage + "/a.jpg");
        QVERIFY(std::fabs(a.value("GPS:GPSLatitude").toDouble() - 45.006) < 1e-9);
        QCOMPARE(a.value("GPS:GPSTimeStamp").toString(), QString("10:06:00"));
        QCOMPARE(a.value("XMP-photoshop:State").toString(), QString("Piedmont"));
        QCOMPARE(a.value("XMP-iptcCore:CountryCode").toString(), QString("IT"));
        QCOMPARE(m_app->lastReport().skipped.size(), 0);

        // A log that cannot be read is named with its line.
        const QString broken = m_photos->writeFile("broken.kml", "<kml>\n<gx:Track><when>x");
        geotag()->addTrackFiles({broken});
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 20000);
        QVERIFY(!openAlerts().isEmpty());
        QVERIFY(openAlerts().first()->informativeText().startsWith(broken + ": line 2: "));
    }
};

int main(int argc, char** argv) {
    return runGuiTests<GeotagCommandsTest>(argc, argv);
}

#include "GeotagCommandsTest.moc"
