#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/ChangeConfirmation.h"
#include "app/ChangeGPSWindow.h"
#include "app/ChangePreviewModel.h"
#include "app/ChangePreviewWindow.h"
#include "app/CommandRunner.h"
#include "app/DateWindows.h"
#include "app/DatesController.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/EditFormController.h"
#include "app/EditViewLayout.h"
#include "app/GpsController.h"
#include "app/KeywordCompleter.h"
#include "app/MapWidget.h"
#include "app/MapWindow.h"
#include "app/RatingField.h"
#include "app/RemovalController.h"
#include "editing/TemplateOperations.h"
#include "metadata/PropertyKeys.h"
#include "sources/PhotoListModel.h"
#include "support/TestPhotos.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QJsonArray>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimeZone>

namespace {

QJsonObject group(const QJsonObject& all, const QString& prefix) {
    QJsonObject out;
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (it.key().startsWith(prefix))
            out.insert(it.key(), it.value());
    }
    return out;
}

} // namespace

class EditFormCommandsTest : public DelegateTest {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<ChangePreviewWindow*>(); }
    void init() { launchDelegate(); }
    void cleanup() { closeDelegate(); }

    // Empty latitude and longitude: the GPS set stays exactly as it was, and
    // a photo without one gets none.
    void emptyLatitudeAndLongitudeLeaveTheGpsSetAlone_data() {
        QTest::addColumn<QString>("fixture");
        QTest::newRow("with a GPS set") << "DSCN0010.jpg";
        QTest::newRow("without one") << "Nikon_D70.jpg";
    }
    void emptyLatitudeAndLongitudeLeaveTheGpsSetAlone() {
        QFETCH(QString, fixture);
        const QString input = m_photos->copyPhoto(fixture);
        QVERIFY(listAndSelect({input}));
        o().gpsLatilab->clear();
        o().gpsLongtlab->clear();
        o().gpsAitlab->setText(QStringLiteral("12"));
        o().artistlab->setText(QStringLiteral("Tessa Field"));
        QVERIFY(applyAndWait());
        const QString output = stored(fixture);
        QCOMPARE(exiftoolRead(output).value(QLatin1String("IFD0:Artist")).toString(),
                 QStringLiteral("Tessa Field"));
        QCOMPARE(group(exiftoolRead(output), QStringLiteral("GPS:")),
                 group(exiftoolRead(input), QStringLiteral("GPS:")));
        const auto read = m_metadata.readProperties(output);
        QVERIFY(read.isOk());
        QCOMPARE(read->dictionary.contains(PropertyKeys::GpsSet),
                 fixture == QLatin1String("DSCN0010.jpg"));
    }

    void aFieldApplyCannotTakeIsRefusedBeforeAnythingIsWritten_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("GPS date placeholder") << "gpsDatelab"
                                              << "YYYY:MM:DD"
                                              << "GPS date";
        QTest::newRow("GPS time placeholder") << "gpsTimelab"
                                              << "HH:MM:SS"
                                              << "GPS time";
        QTest::newRow("latitude a word") << "gpsLatilab"
                                         << "north"
                                         << "latitude";
        QTest::newRow("longitude past 180") << "gpsLongtlab"
                                            << "200"
                                            << "longitude";
        QTest::newRow("camera date") << "cameraDatelab"
                                     << "yesterday"
                                     << "date";
    }
    void aFieldApplyCannotTakeIsRefusedBeforeAnythingIsWritten() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, named);
        const QStringList inputs = {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"))};
        QVERIFY(listAndSelect(inputs));
        FormFieldText::setText(o().window->findChild<QWidget*>(field), text);
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        QSignalSpy asked(m_app->editForm()->confirmation(), &ChangeConfirmation::previewShown);
        QTest::mouseClick(o().editApplyBtn, Qt::LeftButton);
        QCOMPARE(alerts.size(), 1);
        QVERIFY2(alerts[0][1].toString().contains(named), qPrintable(alerts[0][1].toString()));
        QTest::qWait(300);
        QCOMPARE(asked.size(), 0);
        QCOMPARE(storedFiles(), QStringList());
    }

    // The fields as people edit them, each written where the photo keeps it;
    // an edit of another field leaves the date's fraction, zone and twin.
    void eachFieldIsWrittenAsTheUserEditedIt_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariantMap>("expected"); // exiftool's tags; an invalid value: absent
        QTest::newRow("title") << "titlelab"
                               << "Lake at dawn"
                               << QVariantMap{{"XMP-dc:Title", "Lake at dawn"},
                                              {"IPTC:ObjectName", QVariant()}};
        QTest::newRow("stars") << "ratinglab"
                               << "4" << QVariantMap{{"XMP-xmp:Rating", "4"}};
        QTest::newRow("description over two lines")
            << "imageDescrilab"
            << "Line one\nLine two" << QVariantMap{{"IFD0:ImageDescription", "Line one\nLine two"}};
        QTest::newRow("date in a zone")
            << "cameraDatelab"
            << "2020:01:02 03:04:05+05:30"
            << QVariantMap{{"ExifIFD:DateTimeOriginal", "2020:01:02 03:04:05"},
                           {"ExifIFD:OffsetTimeOriginal", "+05:30"}};
        // The make shown is the TIFF Make, which Apply keeps.
        QTest::newRow("artist alone")
            << "artistlab"
            << "Ann"
            << QVariantMap{{"IFD0:Make", "NIKON"},
                           {"IFD0:Model", "COOLPIX P6000"},
                           {"ExifIFD:DateTimeOriginal", "2008:10:22 16:28:39"},
                           {"ExifIFD:CreateDate", "2008:10:22 16:29:49"},
                           {"ExifIFD:OffsetTimeOriginal", "+02:00"},
                           {"ExifIFD:SubSecTimeOriginal", "52"},
                           {"XMP-exif:DateTimeOriginal", "2008:10:22 16:28:39.52+02:00"}};
    }
    void eachFieldIsWrittenAsTheUserEditedIt() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QVariantMap, expected);
        const QString input = m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg"));
        runTool(QStringLiteral("exiftool"),
                {"-q", "-overwrite_original", "-SubSecTimeOriginal=52",
                 "-OffsetTimeOriginal=+02:00", "-CreateDate=2008:10:22 16:29:49",
                 "-XMP-exif:DateTimeOriginal=2008:10:22 16:28:39.52+02:00", input});
        QVERIFY(listAndSelect({input}));
        // The form shows the date it will keep, the stored text in its tooltip.
        QCOMPARE(o().cameraDatelab->text(), QStringLiteral("2008:10:22 16:29:49"));
        QWidget* edited = o().window->findChild<QWidget*>(field);
        if (auto* date = qobject_cast<DateTimeField*>(edited)) {
            date->editor()->setDateTime(
                QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), QTimeZone::utc()));
            const int zone = date->zoneBox()->findData(QStringLiteral("+05:30"));
            date->zoneBox()->setCurrentIndex(zone);
            Q_EMIT date->zoneBox()->activated(zone);
            QVERIFY2(date->editor()->toolTip().contains(text),
                     qPrintable(date->editor()->toolTip()));
        } else if (auto* stars = qobject_cast<RatingField*>(edited)) {
            stars->setCurrentIndex(text.toInt());
            Q_EMIT stars->activated(text.toInt());
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(edited)) {
            plain->setPlainText(text);
        } else {
            QTest::keyClicks(edited, text);
        }
        QCOMPARE(FormFieldText::text(edited), text);
        QVERIFY(applyAndWait());
        const QJsonObject tags = exiftoolRead(stored(QStringLiteral("DSCN0010.jpg")));
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            if (it.value().isValid())
                QCOMPARE(tags.value(it.key()).toVariant().toString(), it.value().toString());
            else
                QVERIFY2(!tags.contains(it.key()), qPrintable(it.key()));
        }
    }

    // Fill from Position fills the location fields from the form's own
    // position, the user's typing included, and Apply writes them; the
    // sea and photos at different positions say why nothing was filled.
    void fillFromPositionNamesThePlaceOfTheFormsPosition() {
        const QStringList inputs = {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"))};
        runTool(QStringLiteral("exiftool"),
                {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                 QStringLiteral("-GPSLatitude=1"), QStringLiteral("-GPSLatitudeRef=N"),
                 QStringLiteral("-GPSLongitude=1"), QStringLiteral("-GPSLongitudeRef=E"),
                 inputs[1]});
        QSignalSpy compared(m_app->display(), &DisplayController::formCompared);
        QVERIFY(listAndSelect(inputs));
        QVERIFY(compared.wait(10000) || !compared.isEmpty());
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        o().fillPlacesBtn->click();
        QCOMPARE(alerts.size(), 1);
        QVERIFY(alerts[0][1].toString().contains(QStringLiteral("different positions")));
        openAlerts().value(0)->close();

        o().localImageBrowserView->setCurrentIndex(m_app->shownIndexOfRow(1));
        QTRY_COMPARE(o().gpsLatilab->text(), QStringLiteral("1"));
        o().fillPlacesBtn->click(); // the Gulf of Guinea
        QCOMPARE(alerts.size(), 2);
        QCOMPARE(alerts[1][0].toString(), QStringLiteral("No place here"));
        openAlerts().value(0)->close();
        o().gpsLatilab->setText(QStringLiteral("51.05"));
        o().gpsLongtlab->setText(QStringLiteral("13.74"));
        o().fillPlacesBtn->click();
        QCOMPARE(o().countryCodelab->text(), QStringLiteral("DE"));
        QCOMPARE(o().statelab->text(), QStringLiteral("Saxony"));
        QVERIFY(!o().citylab->text().isEmpty());
        QVERIFY(applyAndWait());
        const QJsonObject tags = exiftoolRead(stored(QStringLiteral("Canon_40D.jpg")));
        QCOMPARE(tags.value(QLatin1String("XMP-photoshop:City")).toString(), o().citylab->text());
        QCOMPARE(tags.value(QLatin1String("XMP-iptcCore:CountryCode")).toString(),
                 QStringLiteral("DE"));
    }

    void beginningToEditCentresTheFormMapWithOnePin() {
        QVERIFY(listAndSelect({m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                               m_photos->copyPhoto(QStringLiteral("Kodak_CX7530.jpg"))}));
        o().localImageBrowserView->selectionModel()->select(m_app->shownIndexOfRow(1),
                                                            QItemSelectionModel::ClearAndSelect);
        QTRY_COMPARE(m_app->currentPhoto().currentFileName, QStringLiteral("Kodak_CX7530.jpg"));
        MapWidget* map = o().currentlocalMapView;
        QTRY_COMPARE(map->pins().size(), 2); // the selections' pins stay
        o().gpsLatilab->setText(QStringLiteral("48.85"));
        o().gpsLongtlab->setText(QStringLiteral("2.35"));
        QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(o().artistlab, &focus);
        QCOMPARE(map->pins(), QList<QPointF>{QPointF(2.35, 48.85)});
        QCOMPARE(map->centerLatitude(), 48.85);
        QVERIFY(!map->isHidden());
        QCOMPARE(m_app->currentPhoto().currentCoords, QPointF(48.85, 2.35));
        // The map window shows the same position.
        m_app->gps()->ShowMapAction();
        QCOMPARE(m_app->gps()->mapWindow()->currentMapView->centerLatitude(), 48.85);
        // Fields without a position leave the map where it is.
        o().gpsLatilab->clear();
        QApplication::sendEvent(o().commentslab, &focus);
        QCOMPARE(map->centerLatitude(), 48.85);
        QCOMPARE(map->pins().size(), 1);
    }

    // A day's work: the form, the GPS window and a shift, each building on
    // the copies the one before wrote; the window shows what the next will
    // build on, and Revert to Original starts again from the photos.
    void successiveEditsBuildOnTheWorkingCopiesAndTheWindowShowsThem() {
        const QStringList inputs = {m_photos->copyPhoto(QStringLiteral("Nikon_D70.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg"))};
        QList<QByteArray> originals;
        for (const QString& input : inputs)
            originals << fileBytes(input);
        QVERIFY(listAndSelect(inputs));
        QTest::keyClicks(o().artistlab, QStringLiteral("First"));
        QVERIFY(applyAndWait());

        const auto confirmAll = [this](ChangeConfirmation* confirmation) {
            connect(confirmation, &ChangeConfirmation::previewShown, this,
                    [](ChangePreviewWindow* window) { window->confirmButton->click(); });
        };
        confirmAll(m_app->gps()->confirmation());
        confirmAll(m_app->dates()->confirmation());
        QSignalSpy opened(m_app->gps(), &GpsController::gpsWindowShown);
        m_app->gps()->AddGPSExifDataPhoto();
        QVERIFY(opened.wait(10000));
        ChangeGPSWindow* gps = m_app->gps()->changeGPSWindow();
        const QStringList texts = {"10", "20", "", "2020:01:01", "10:00:00"};
        for (int i = 0; i < texts.size(); ++i)
            FormFieldText::setText(gps->fields()[i], texts[i]);
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        QTest::mouseClick(gps->saveButton, Qt::LeftButton);
        QVERIFY(finished.wait(60000));

        QSignalSpy filled(m_app, &AppDelegate::dateWindowFilled);
        m_app->dates()->ChangeDateExifFromPhoto();
        QVERIFY(filled.wait(10000));
        ChangeMutiDateWindow* batch = m_app->changeMutiDateWindow();
        if (!batch->AddTimeBtn->isChecked())
            batch->AddTimeBtn->click();
        batch->hourVaulab->setText(QStringLiteral("1"));
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        m_app->dates()->ClickMutiDateChangedSaveAction();
        QVERIFY(finished.wait(60000));

        QCOMPARE(storedFiles(),
                 (QStringList{QStringLiteral("Canon_40D.jpg"), QStringLiteral("DSCN0010.jpg"),
                              QStringLiteral("Nikon_D70.jpg")}));
        const QStringList shifted = {"2008:03:15 10:52:01", "2008:05:30 16:56:01",
                                     "2008:10:22 17:28:39"};
        for (int i = 0; i < inputs.size(); ++i) {
            const QJsonObject tags = exiftoolRead(stored(QFileInfo(inputs[i]).fileName()));
            QCOMPARE(tags.value(QLatin1String("IFD0:Artist")).toString(), QStringLiteral("First"));
            QCOMPARE(tags.value(QLatin1String("GPS:GPSLatitude")).toDouble(), 10.0);
            QCOMPARE(tags.value(QLatin1String("ExifIFD:DateTimeOriginal")).toString(), shifted[i]);
            QCOMPARE(fileBytes(inputs[i]), originals[i]);
        }
        // The window reads the working copies again: the form, the summary and the marks.
        QVERIFY(shown.wait(10000) || !shown.isEmpty());
        QTRY_COMPARE(o().artistlab->text(), QStringLiteral("First"));
        QVERIFY2(o().photoModDatelab->text().contains(QStringLiteral("10:52:01")),
                 qPrintable(o().photoModDatelab->text()));
        const PhotoListModel* list = m_app->localPhotoItemArray();
        QTRY_VERIFY(list->index(2).data(PhotoListModel::WorkingCopyRole).toBool());

        m_app->removal()->RevertToOriginalAction();
        QVERIFY(storedFiles().isEmpty());
        QTRY_VERIFY(!list->index(0).data(PhotoListModel::WorkingCopyRole).toBool());
        QTRY_COMPARE(o().artistlab->text(), QString());
    }
};

int runEditFormSeveralPhotosTests(int argc, char** argv);

int main(int argc, char** argv) {
    return runGuiTests<EditFormCommandsTest>(argc, argv, {runEditFormSeveralPhotosTests});
}

#include "EditFormCommandsTest.moc"
