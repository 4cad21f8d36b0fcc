#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/ChangeConfirmation.h"
#include "app/ChangeGPSWindow.h"
#include "app/ChangePreviewWindow.h"
#include "app/CommandRunner.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/GpsController.h"
#include "app/MapWidget.h"
#include "app/MapWindow.h"
#include "metadata/FileTimes.h"
#include "metadata/PropertyKeys.h"
#include "sources/PhotoListModel.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimeZone>

#include <cmath>

namespace {

const QString noGpsText = QStringLiteral("No GPS Data");
const QString valueErrorText = QStringLiteral("Vaule Error");

QJsonObject gpsTags(const QString& file) {
    QJsonObject gps;
    const QJsonObject all = exiftoolRead(file);
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (it.key().startsWith(QLatin1String("GPS:")))
            gps.insert(it.key(), it.value());
    }
    return gps;
}

} // namespace

class GpsCommandsTest : public DelegateTest {
    Q_OBJECT

private:
    ChangeGPSWindow* gpsWindow() const { return m_app->gps()->changeGPSWindow(); }

    bool openGpsWindow(void (GpsController::*command)()) {
        QSignalSpy opened(m_app->gps(), &GpsController::gpsWindowShown);
        (m_app->gps()->*command)();
        return opened.wait(10000);
    }
    void fill(const QStringList& texts) {
        const QList<QWidget*> fields = gpsWindow()->fields();
        for (int i = 0; i < fields.size(); ++i)
            FormFieldText::setText(fields[i], texts[i]);
    }
    // Saves, confirming the question when several photos are written.
    bool saveAndWait() {
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        connect(m_app->gps()->confirmation(), &ChangeConfirmation::previewShown, this,
                [](ChangePreviewWindow* window) { window->confirmButton->click(); });
        QTest::mouseClick(gpsWindow()->saveButton, Qt::LeftButton);
        const bool done = finished.wait(60000);
        disconnect(m_app->gps()->confirmation(), nullptr, this, nullptr);
        return done;
    }

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<ChangePreviewWindow*>(); }
    void init() { launchDelegate(); }
    void cleanup() { closeDelegate(); }

    void saveWritesTheSignsAsReferencesAndTheGpsTimeAsUtc_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("latitudeRef");
        QTest::addColumn<QString>("longitudeRef");
        QTest::addColumn<int>("altitudeRef");
        QTest::newRow("south, east, below sea")
            << QStringList{"-33.8568", "151.2153", "-5", "2014:05:06", "12:34:56"} << "S"
            << "E" << 1;
        QTest::newRow("zero is north, east, above")
            << QStringList{"0", "0", "0", "2014-05-06", "12:34:56"} << "N"
            << "E" << 0;
        QTest::newRow("north, west, metres")
            << QStringList{"12.5", "-45", "3 m", "2014:05:06", "12:34:56.5"} << "N"
            << "W" << 0;
    }
    void saveWritesTheSignsAsReferencesAndTheGpsTimeAsUtc() {
        QFETCH(QStringList, fields);
        QFETCH(QString, latitudeRef);
        QFETCH(QString, longitudeRef);
        QFETCH(int, altitudeRef);
        const QString input = photo(QStringLiteral("DSCN0010.jpg"));
        const QJsonObject before = exiftoolRead(input);
        QVERIFY(listAndSelect({input}));
        QVERIFY(openGpsWindow(&GpsController::AddGPSExifDataPhoto));
        QVERIFY(gpsWindow()->isVisible());
        fill(fields);
        QVERIFY(saveAndWait());

        const QString output = stored(QStringLiteral("DSCN0010.jpg"));
        const QJsonObject gps = gpsTags(output);
        QCOMPARE(gps.value(QLatin1String("GPS:GPSLatitudeRef")).toString(), latitudeRef);
        QCOMPARE(gps.value(QLatin1String("GPS:GPSLongitudeRef")).toString(), longitudeRef);
        QCOMPARE(gps.value(QLatin1String("GPS:GPSAltitudeRef")).toInt(), altitudeRef);
        const double latitude = std::fabs(fields[0].toDouble());
        QVERIFY(std::fabs(gps.value(QLatin1String("GPS:GPSLatitude")).toDouble() - latitude) <
                1e-5);
        QCOMPARE(gps.value(QLatin1String("GPS:GPSAltitude")).toDouble(),
                 std::fabs(leadingNumberOf(fields[2])));
        QCOMPARE(gps.value(QLatin1String("GPS:GPSDateStamp")).toString(),
                 QStringLiteral("2014:05:06"));
        // Our reader agrees.
        const auto read = m_metadata.readProperties(output);
        QVERIFY(read.isOk());
        const QVariantMap set = read->dictionary.value(PropertyKeys::GpsSet).toMap();
        QCOMPARE(set.value(PropertyKeys::LatitudeRef).toString(), latitudeRef);
        QCOMPARE(set.value(PropertyKeys::LongitudeRef).toString(), longitudeRef);
        // The GPS date and time are UTC (the tests run two hours east of it).
        const auto times = readFileTimes(output);
        QVERIFY(times.isOk());
        QCOMPARE(
            times->modified.toUTC().toSecsSinceEpoch(),
            QDateTime(QDate(2014, 5, 6), QTime(12, 34, 56), QTimeZone::utc()).toSecsSinceEpoch());
        // The rest of the photo is as it was.
        QCOMPARE(exiftoolRead(output).value(QLatin1String("IFD0:Make")),
                 before.value(QLatin1String("IFD0:Make")));
        QVERIFY(!gpsWindow()->isVisible());
        QCOMPARE(m_viewer->revealed, QList<QStringList>{{output}});
    }

    void aFieldSaveCannotTakeIsRefusedWithTheWindowStillUp_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("informative");
        const QString empty = QStringLiteral("Each value cannot be empty.");
        // The alert names the empty field; the altitude may be left empty.
        const char* names[] = {"latitude", "longitude", "altitude", "GPS date", "GPS time"};
        for (int field : {0, 1, 3, 4})
            QTest::addRow("field %d empty", field)
                << field << QString()
                << empty + QStringLiteral("\nThe %1 is empty.").arg(QLatin1String(names[field]));
        QTest::newRow("only blanks")
            << 4 << "  " << empty + QStringLiteral("\nThe GPS time is empty.");
        QTest::newRow("date placeholder") << 3 << "YYYY:MM:DD"
                                          << "GPS date";
        QTest::newRow("time placeholder") << 4 << "HH:MM:SS"
                                          << "GPS time";
        QTest::newRow("latitude a word") << 0 << "north"
                                         << "latitude";
        QTest::newRow("latitude past the pole") << 0 << "91"
                                                << "latitude";
        QTest::newRow("longitude past 180") << 1 << "-180.5"
                                            << "longitude";
        QTest::newRow("month 13") << 3 << "2014:13:06"
                                  << "GPS date";
    }
    void aFieldSaveCannotTakeIsRefusedWithTheWindowStillUp() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, informative);
        QVERIFY(listAndSelect({photo(QStringLiteral("DSCN0010.jpg"))}));
        QVERIFY(openGpsWindow(&GpsController::EditeGPSExifDataPhoto));
        fill({"-33.8568", "151.2153", "-5", "2014:05:06", "12:34:56"});
        FormFieldText::setText(gpsWindow()->fields()[field], text);
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        QTest::mouseClick(gpsWindow()->saveButton, Qt::LeftButton);
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0][0].toString(), valueErrorText);
        QVERIFY2(alerts[0][1].toString().contains(informative),
                 qPrintable(alerts[0][1].toString()));
        QTest::qWait(200);
        QVERIFY(!m_app->commandRunner()->isRunning());
        QCOMPARE(storedFiles(), QStringList());
        QVERIFY(gpsWindow()->isVisible());
        QCOMPARE(FormFieldText::text(gpsWindow()->fields()[field]), text); // kept for correcting
    }

    void theChangeCommandShowsTheSignedPositionOrSaysThereIsNone() {
        // South: a negative latitude; the window is centred there.
        QVERIFY(listAndSelect({photo(QStringLiteral("Kodak_CX7530.jpg"))}));
        QVERIFY(openGpsWindow(&GpsController::EditeGPSExifDataPhoto));
        const double latitude = gpsWindow()->latitudelab->text().toDouble();
        QVERIFY(latitude < -0.37 && latitude > -0.38);
        QVERIFY(std::fabs(gpsWindow()->previewMapView->centerLatitude() - latitude) < 1e-9);
        QCOMPARE(gpsWindow()->windowModality(), Qt::WindowModal);
        gpsWindow()->cancelButton->click();
        QVERIFY(!gpsWindow()->isVisible());

        // No GPS set: the alert, and no window.
        QVERIFY(listAndSelect({photo(QStringLiteral("Nikon_D70.jpg"))}));
        m_app->outlets().localImageBrowserView->selectionModel()->select(
            m_app->shownIndexOfRow(1), QItemSelectionModel::ClearAndSelect);
        QTRY_COMPARE(m_app->currentPhoto().currentFileName, QStringLiteral("Nikon_D70.jpg"));
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        m_app->gps()->EditeGPSExifDataPhoto();
        QTRY_COMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0][0].toString(), noGpsText);
        QCOMPARE(alerts[0][1].toString(),
                 QStringLiteral("The selected photo does not contain GPS information."));
        QVERIFY(!gpsWindow()->isVisible());

        // The add command on it offers the placeholders instead, and nothing
        // of the photo the window was opened on before.
        QVERIFY(openGpsWindow(&GpsController::AddGPSExifDataPhoto));
        QCOMPARE(gpsWindow()->dateStamplab->text(), QStringLiteral("YYYY:MM:DD"));
        QCOMPARE(gpsWindow()->timeStamplab->text(), QStringLiteral("HH:MM:SS"));
        QCOMPARE(gpsWindow()->latitudelab->text(), QString());
        QCOMPARE(gpsWindow()->longtitudelab->text(), QString());
    }

    // The window shows a position below sea level as a negative altitude, so
    // that saving it unchanged keeps the photo below sea level.
    void aPositionSavedUnchangedKeepsItsReferences() {
        const QString input = photo(QStringLiteral("Kodak_CX7530.jpg"));
        runTool(QStringLiteral("exiftool"),
                {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                 QStringLiteral("-GPSAltitude=5"), QStringLiteral("-GPSAltitudeRef#=1"),
                 QStringLiteral("-GPSDateStamp=2014:05:06"),
                 QStringLiteral("-GPSTimeStamp=08:00:00"), input});
        const QJsonObject before = gpsTags(input);
        QCOMPARE(before.value(QLatin1String("GPS:GPSAltitudeRef")).toInt(), 1);
        QVERIFY(listAndSelect({input}));
        QVERIFY(openGpsWindow(&GpsController::EditeGPSExifDataPhoto));
        QCOMPARE(gpsWindow()->altitudelab->text(), QStringLiteral("-5"));
        QVERIFY(saveAndWait());
        const QJsonObject after = gpsTags(stored(QStringLiteral("Kodak_CX7530.jpg")));
        for (const char* key : {"GPS:GPSLatitudeRef", "GPS:GPSLongitudeRef", "GPS:GPSAltitudeRef",
                                "GPS:GPSAltitude", "GPS:GPSDateStamp"})
            QCOMPARE(after.value(QLatin1String(key)), before.value(QLatin1String(key)));
        QVERIFY(std::fabs(after.value(QLatin1String("GPS:GPSLatitude")).toDouble() -
                          before.value(QLatin1String("GPS:GPSLatitude")).toDouble()) < 1e-5);
    }

    // The position dragged on the window's map is the one written.
    void aPinDraggedInTheGpsWindowIsWhatSaveWrites() {
        const QString input = photo(QStringLiteral("DSCN0010.jpg"));
        QVERIFY(listAndSelect({input}));
        QVERIFY(openGpsWindow(&GpsController::EditeGPSExifDataPhoto));
        QVERIFY(QTest::qWaitForWindowExposed(gpsWindow()));
        MapWidget* map = gpsWindow()->previewMapView;
        QTRY_VERIFY(!map->isGliding());
        QCOMPARE(map->pins().size(), 1);
        const double shownLatitude = gpsWindow()->latitudelab->text().toDouble();
        QVERIFY(std::fabs(shownLatitude - 43.4674) < 1e-3);
        const QPoint head =
            (map->pointOf(map->pins()[0].y(), map->pins()[0].x()) + MapWidget::pinHeadOffset())
                .toPoint();
        QTest::mousePress(map, Qt::LeftButton, {}, head);
        QTest::mouseMove(map, head + QPoint(20, 40));
        QTest::mouseRelease(map, Qt::LeftButton, {}, head + QPoint(30, 60));
        const double dragged = gpsWindow()->latitudelab->text().toDouble();
        QVERIFY(dragged < shownLatitude - 0.01);
        QCOMPARE(dragged, std::round(map->pins()[0].y() * 1e6) / 1e6);
        // The map's caption names the pin's new place.
        QCOMPARE(map->caption(), QStringLiteral("%1, %2")
                                     .arg(map->pins()[0].y(), 0, 'f', 5)
                                     .arg(map->pins()[0].x(), 0, 'f', 5));
        // The photo's GPS set has no altitude: the field is still empty.
        QCOMPARE(gpsWindow()->altitudelab->text(), QString());
        gpsWindow()->altitudelab->setText(QStringLiteral("120"));
        QVERIFY(saveAndWait());
        const double written = gpsTags(stored(QStringLiteral("DSCN0010.jpg")))
                                   .value(QLatin1String("GPS:GPSLatitude"))
                                   .toDouble();
        QVERIFY(std::fabs(written - dragged) < 1e-5);
    }

    void theMapWindowShowsTheCurrentPositionOrSaysThereIsNone() {
        QVERIFY(listAndSelect({photo(QStringLiteral("Nikon_D70.jpg"))}));
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        m_app->gps()->ShowMapAction();
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0][0].toString(), noGpsText);
        QCOMPARE(alerts[0][1].toString(),
                 QStringLiteral("This photo does not contain GPS information."));
        MapWindow* window = m_app->gps()->mapWindow();
        QVERIFY(!window->isVisible());
        closeDelegate();
        launchDelegate();

        QVERIFY(listAndSelect({photo(QStringLiteral("DSCN0010.jpg"))}));
        m_app->gps()->ShowMapAction();
        window = m_app->gps()->mapWindow();
        QVERIFY(window->isVisible());
        QVERIFY(!window->isModal());
        QVERIFY(std::fabs(window->currentMapView->centerLatitude() - 43.4674) < 1e-3);
        QVERIFY(std::fabs(window->currentMapView->centerLongitude() - 11.8851) < 1e-3);
        m_app->gps()->ShowMapAction();
        QCOMPARE(window->currentMapView->pins().size(), 2);
        // Over the main window, and closed as a document window is.
        const QPoint offCentre =
            window->frameGeometry().center() - m_app->outlets().window->frameGeometry().center();
        QVERIFY2(offCentre.manhattanLength() < 40,
                 qPrintable(QString::number(offCentre.manhattanLength())));
        // The offscreen platform leaves activating to the test.
        activateForTest(window);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        m_app->gps()->ShowMapAction();
        QVERIFY(window->isVisible());
        activateForTest(window);
        QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!window->isVisible());
    }

    void severalPhotosGetTheSamePositionAfterTheQuestion() {
        const QStringList inputs = {photo(QStringLiteral("DSCN0010.jpg")),
                                    photo(QStringLiteral("Canon_40D.jpg")),
                                    photo(QStringLiteral("Nikon_D70.jpg"))};
        QVERIFY(listAndSelect(inputs));
        QVERIFY(openGpsWindow(&GpsController::AddGPSExifDataPhoto));
        fill({"-12.5", "-45", "-3", "2014:05:06", "08:00:00"});
        QSignalSpy asked(m_app->gps()->confirmation(), &ChangeConfirmation::previewShown);
        QVERIFY(saveAndWait());
        QCOMPARE(asked.size(), 1);
        QCOMPARE(storedFiles().size(), 3);
        for (const QString& name : storedFiles()) {
            const QJsonObject gps = gpsTags(stored(name));
            QCOMPARE(gps.value(QLatin1String("GPS:GPSLatitudeRef")).toString(),
                     QStringLiteral("S"));
            QCOMPARE(gps.value(QLatin1String("GPS:GPSLongitudeRef")).toString(),
                     QStringLiteral("W"));
            QCOMPARE(gps.value(QLatin1String("GPS:GPSAltitude")).toDouble(), 3.0);
        }
        // Revealed once, together.
        QCOMPARE(m_viewer->revealed.size(), 1);
        QCOMPARE(m_viewer->revealed[0].size(), 3);
    }

private:
    static double leadingNumberOf(const QString& text) {
        return text.section(QLatin1Char(' '), 0, 0).toDouble();
    }
};

int main(int argc, char** argv) {
    return runGuiTests<GpsCommandsTest>(argc, argv);
}

#include "GpsCommandsTest.moc"
