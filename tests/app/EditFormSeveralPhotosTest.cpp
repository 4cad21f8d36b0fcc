#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/ChangeConfirmation.h"
#include "app/ChangePreviewModel.h"
#include "app/ChangePreviewWindow.h"
#include "app/DisplayController.h"
#include "app/EditFormController.h"
#include "app/KeywordCompleter.h"
#include "app/RatingField.h"
#include "editing/TemplateOperations.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QApplication>
#include <QCompleter>
#include <QFileInfo>
#include <QFocusEvent>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

// The edit form over several selected photos: the question before it
// writes, the fields they share and the mixed ones, and what each photo
// keeps of its own.
class EditFormSeveralPhotosTest : public DelegateTest {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<ChangePreviewWindow*>(); }
    void init() { launchDelegate(); }
    void cleanup() { closeDelegate(); }

    void theQuestionListsOldAndNewValuesAndCancelWritesNothing() {
        const QStringList inputs = {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"))};
        QVERIFY(listAndSelect(inputs));
        o().artistlab->setText(QStringLiteral("Tessa"));
        ChangePreviewWindow* shown = nullptr;
        connect(m_app->editForm()->confirmation(), &ChangeConfirmation::previewShown, this,
                [&shown](ChangePreviewWindow* window) { shown = window; });
        QTest::mouseClick(o().editApplyBtn, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(shown, 10000);
        const ChangePreviewModel* model = shown->model();
        QCOMPARE(model->rowCount(), 2);
        for (int photo = 0; photo < 2; ++photo) {
            int artistRow = -1;
            for (int row = 0; row < model->rowCount(model->index(photo, 0)); ++row) {
                if (model->index(row, 0, model->index(photo, 0)).data() == "Artist")
                    artistRow = row;
            }
            QVERIFY(artistRow >= 0);
            const QString old =
                exiftoolRead(inputs[photo]).value(QLatin1String("IFD0:Artist")).toString();
            QCOMPARE(model->index(artistRow, 1, model->index(photo, 0)).data().toString(),
                     old.isEmpty() ? QStringLiteral("(none)")
                                   : QStringLiteral("\u201c%1\u201d").arg(old));
            QCOMPARE(model->index(artistRow, 2, model->index(photo, 0)).data().toString(),
                     QStringLiteral("\u201cTessa\u201d"));
        }
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        shown->cancelButton->click();
        QVERIFY(!finished.wait(500));
        QCOMPARE(storedFiles(), QStringList());
        QVERIFY(m_viewer->revealed.isEmpty());

        // Asked again and confirmed: both written, revealed once together.
        QVERIFY(applyAndWait());
        QCOMPARE(storedFiles(), QStringList({"Canon_40D.jpg", "DSCN0010.jpg"}));
        QCOMPARE(m_viewer->revealed.size(), 1);
        QCOMPARE(m_viewer->revealed[0].size(), 2);
    }

    // The keywords of the listed photos complete the one being typed, each
    // keyword of the text becomes a dataset, and the stars the photos do not
    // share stand mixed and stay each photo's.
    void keywordsCompleteFromTheListedPhotosAndMixedStarsStay() {
        const QStringList inputs = {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"))};
        runTool(QStringLiteral("exiftool"),
                {"-q", "-overwrite_original", "-XMP-xmp:Rating=3", "-IPTC:Keywords=lakeside",
                 "-IPTC:Caption-Abstract=Lake at dawn", "-IPTC:City=Siena", inputs[0]});
        runTool(QStringLiteral("exiftool"),
                {"-q", "-overwrite_original", "-IPTC:Keywords=hills", inputs[1]});
        KeywordCompleter* completer = m_app->editForm()->keywordCompleter();
        QSignalSpy read(completer, &KeywordCompleter::keywordsRead);
        QSignalSpy compared(m_app->display(), &DisplayController::formCompared);
        QVERIFY(listAndSelect(inputs));
        QVERIFY(compared.wait(10000) || !compared.isEmpty());
        // Read once the field is first used, not as the photos are listed.
        QCOMPARE(completer->keywords(), QStringList());
        QFocusEvent focus(QEvent::FocusIn);
        QApplication::sendEvent(o().keywordslab, &focus);
        QTRY_COMPARE(completer->keywords(), (QStringList{"hills", "lakeside"}));
        QCOMPARE(o().ratinglab->text(), QString());
        QCOMPARE(o().ratinglab->placeholderText(), QStringLiteral("(several values)"));

        o().keywordslab->clear();
        QTest::keyClicks(o().keywordslab, QStringLiteral(" old ,, LA"));
        QCOMPARE(completer->completer()->completionCount(), 1);
        QCOMPARE(completer->completer()->currentCompletion(), QStringLiteral("lakeside"));
        Q_EMIT completer->completer()->activated(QStringLiteral("lakeside"));
        QCOMPARE(o().keywordslab->text(), QStringLiteral(" old ,, lakeside"));
        QVERIFY(applyAndWait());
        for (int i = 0; i < inputs.size(); ++i) {
            const QJsonObject tags = exiftoolRead(stored(QFileInfo(inputs[i]).fileName()));
            QCOMPARE(tags.value(QLatin1String("IPTC:Keywords")).toArray(),
                     QJsonArray({"old", "lakeside"}));
            QCOMPARE(tags.value(QLatin1String("XMP-xmp:Rating")).toInt(-1), i == 0 ? 3 : -1);
            // The other datasets stay.
            QCOMPARE(tags.value(QLatin1String("IPTC:City")).toString(),
                     i == 0 ? QStringLiteral("Siena") : QString());
        }
        // An emptied list offers none.
        m_app->display()->ClearLeftPhotos();
        QCOMPARE(completer->keywords(), QStringList());
    }

    // Three photos with their own dates and positions: typing only the artist
    // changes only the artist in each, every other tag as exiftool reads it.
    // The untouched fields that differ show "(several values)".
    void typingOnlyTheArtistIntoSeveralPhotosChangesOnlyTheArtist() {
        const QStringList inputs = {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Kodak_CX7530.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"))};
        runTool(QStringLiteral("exiftool"),
                {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                 QStringLiteral("-GPSLatitude=51.5"), QStringLiteral("-GPSLatitudeRef=N"),
                 QStringLiteral("-GPSLongitude=0.12"), QStringLiteral("-GPSLongitudeRef=W"),
                 inputs[2]});
        QSignalSpy compared(m_app->display(), &DisplayController::formCompared);
        QVERIFY(listAndSelect(inputs));
        QVERIFY(compared.wait(10000) || !compared.isEmpty());
        for (QWidget* field : QList<QWidget*>{o().cameraDatelab, o().gpsLatilab, o().gpsLongtlab,
                                              o().cameraModelab}) {
            QCOMPARE(FormFieldText::text(field), QString());
            QCOMPARE(FormFieldText::placeholder(field), QStringLiteral("(several values)"));
        }
        o().artistlab->clear();
        QTest::keyClicks(o().artistlab, QStringLiteral("Tessa Field"));
        QVERIFY(applyAndWait());
        for (const QString& input : inputs) {
            const QString output = stored(QFileInfo(input).fileName());
            QJsonObject before = withoutVolatileTags(exiftoolRead(input));
            QJsonObject after = withoutVolatileTags(exiftoolRead(output));
            QCOMPARE(after.take(QStringLiteral("IFD0:Artist")).toString(),
                     QStringLiteral("Tessa Field"));
            before.remove(QStringLiteral("IFD0:Artist"));
            // And in the XMP of the photo that keeps XMP.
            if (before.contains(QStringLiteral("XMP-x:XMPToolkit")))
                QCOMPARE(after.take(QStringLiteral("XMP-dc:Creator")).toString(),
                         QStringLiteral("Tessa Field"));
            QCOMPARE(after, before);
        }
    }

    // Several photos, only the altitude typed: each keeps its own position,
    // and the one without a position gets none.
    void aGpsFieldAloneChangesOnlyItsKeysInEachPhoto() {
        const QStringList inputs = {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Kodak_CX7530.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Nikon_D70.jpg"))};
        QSignalSpy compared(m_app->display(), &DisplayController::formCompared);
        QVERIFY(listAndSelect(inputs));
        QVERIFY(compared.wait(10000) || !compared.isEmpty());
        QTest::keyClicks(o().gpsAitlab, QStringLiteral("-12"));
        QVERIFY(applyAndWait());
        for (const QString& input : inputs) {
            const QJsonObject before = exiftoolRead(input);
            const QJsonObject after = exiftoolRead(stored(QFileInfo(input).fileName()));
            for (const char* key : {"GPS:GPSLatitude", "GPS:GPSLongitude", "GPS:GPSLatitudeRef",
                                    "GPS:GPSDateStamp", "GPS:GPSTimeStamp"})
                QCOMPARE(after.value(QLatin1String(key)), before.value(QLatin1String(key)));
            const bool positioned = before.contains(QStringLiteral("GPS:GPSLatitude"));
            QCOMPARE(after.value(QStringLiteral("GPS:GPSAltitude")).toDouble(),
                     positioned ? 12.0 : 0.0);
            QCOMPARE(after.contains(QStringLiteral("GPS:GPSAltitude")), positioned);
            if (positioned)
                QCOMPARE(after.value(QStringLiteral("GPS:GPSAltitudeRef")).toInt(), 1);
        }
    }

    // Nothing typed into several photos: nothing to apply, and nothing written.
    // The form's template leaves out what the photos do not share.
    void untouchedFieldsOfSeveralPhotosAreNeitherAppliedNorSaved() {
        const QStringList inputs = {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                                    m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"))};
        QSignalSpy compared(m_app->display(), &DisplayController::formCompared);
        QVERIFY(listAndSelect(inputs));
        QVERIFY(compared.wait(10000) || !compared.isEmpty());
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        QTest::mouseClick(o().editApplyBtn, Qt::LeftButton);
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0][0].toString(), QStringLiteral("Nothing to apply"));
        openAlerts().value(0)->close();
        QTest::qWait(200);
        QCOMPARE(storedFiles(), QStringList());

        QTest::keyClicks(o().keywordslab, QStringLiteral("lake"));
        QSignalSpy exported(m_app, &AppDelegate::exportFinished);
        QTest::mouseClick(o().editTemplateBtn, Qt::LeftButton);
        QTRY_COMPARE(exported.size(), 1);
        const auto saved = readPropertyListFile(exported[0][0].toString());
        QVERIFY(saved.isOk());
        // Mixed and untouched: out. Shared (no artist in either): in, empty. Typed: in.
        for (const QString& key : {PropertyKeys::Make, PropertyKeys::Model,
                                   PropertyKeys::DateTimeDigitized, PropertyKeys::Latitude})
            QVERIFY2(!saved->contains(key), qPrintable(key));
        QCOMPARE(saved->value(PropertyKeys::Artist).toString(), QString());
        QCOMPARE(saved->value(PropertyKeys::Keywords).toStringList(), QStringList{"lake"});
    }
};

int runEditFormSeveralPhotosTests(int argc, char** argv) {
    return runTestObject<EditFormSeveralPhotosTest>(argc, argv);
}

#include "EditFormSeveralPhotosTest.moc"
