#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/ChangeConfirmation.h"
#include "app/ChangePreviewWindow.h"
#include "app/CommandRunner.h"
#include "app/DateWindows.h"
#include "app/DatesController.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/RemovalController.h"
#include "app/ZoneController.h"
#include "app/ZoneWindow.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/WorkerMetadataClient.h"
#include "sources/PhotoListModel.h"
#include "support/TestPhotos.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

namespace {

const QString invalidDateText = QStringLiteral("Invalid date format");
const QString invalidDateInfo =
    QStringLiteral("Input the valid date format: YYYY:MM:DD HH:MM:SS or YYYY-MM-DD HH:MM:SS");

QString exifDate(const QString& file, const char* tag) {
    return exiftoolRead(file).value(QLatin1String(tag)).toString();
}

} // namespace

class EditingCommandsTest : public DelegateTest {
    Q_OBJECT

private:
    QString storage() const { return m_app->storage().storagelocation; }
    QString m_lastPreview;
    QStringList storedFiles() const {
        return QDir(storage()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // Lists the photos and selects the given rows (all when none are named).
    void listAndSelect(const QStringList& paths, QList<int> rows = {}) {
        m_app->display()->openPanelDidEnd1(1, paths);
        if (rows.isEmpty())
            for (int i = 0; i < paths.size(); ++i)
                rows << i;
        QItemSelection selection;
        for (int row : rows)
            selection.select(m_app->shownIndexOfRow(row), m_app->shownIndexOfRow(row));
        m_app->outlets().localImageBrowserView->selectionModel()->select(
            selection, QItemSelectionModel::ClearAndSelect);
    }
    bool waitForCommand(const std::function<void()>& command) {
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        command();
        return finished.wait(60000);
    }
    bool waitForDateWindow(const std::function<void()>& command) {
        QSignalSpy filled(m_app, &AppDelegate::dateWindowFilled);
        command();
        return filled.wait(10000);
    }

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<ChangePreviewWindow*>(); }
    void init() {
        launchDelegate();
        // The batch window asks before it writes several photos: yes.
        connect(m_app->dates()->confirmation(), &ChangeConfirmation::previewShown, this,
                [this](ChangePreviewWindow* window) {
                    m_lastPreview = window->summaryLabel->text();
                    window->confirmButton->click();
                });
    }
    void cleanup() { closeDelegate(); }

    // Nothing selected: the sheet, and nothing written. Then the file dates
    // copy each selected photo and reveal the copies together.
    void aCommandOnNothingSelectedShowsTheSheetAndTheFileDatesCopyTheSelection() {
        const QStringList paths = {photo(QStringLiteral("Nikon_D70.jpg")),
                                   photo(QStringLiteral("DSCN0010.jpg"))};
        m_app->display()->openPanelDidEnd1(1, paths);
        const QList<std::function<void()>> commands = {
            [this] { m_app->removal()->RemoveExifDataFromPhoto(); },
            [this] { m_app->removal()->RemoveGPSDataFromPhoto(); },
            [this] { m_app->removal()->RemoveIPTCDataFromPhoto(); },
            [this] { m_app->removal()->DeleteExifAndGPSData(); },
            [this] { m_app->dates()->ChangeDateExifFromPhoto(); },
        };
        for (const auto& command : commands) {
            QSignalSpy alerts(m_app, &AppDelegate::alertShown);
            command();
            QCOMPARE(alerts.size(), 1);
            QCOMPARE(alerts[0][0].toString(), QStringLiteral("No Item has been selected"));
            QCOMPARE(alerts[0][1].toString(),
                     QStringLiteral("Please select at least one item to process."));
            const QList<QMessageBox*> boxes = openAlerts();
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0]->windowModality(), Qt::WindowModal);
            QCOMPARE(boxes[0]->buttons().size(), 1);
            QCOMPARE(boxes[0]->buttons()[0]->text(), QStringLiteral(" Ok "));
            boxes[0]->buttons()[0]->click();
            QVERIFY(openAlerts().isEmpty());
        }
        // The file dates have no sheet: nothing happens at all.
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        m_app->dates()->ClickCopyExifDateToCreateDateAction();
        QCOMPARE(alerts.size(), 0);
        QVERIFY(!m_app->commandRunner()->isRunning());
        QVERIFY(storedFiles().isEmpty());
        QVERIFY(m_viewer->revealed.isEmpty());
        QVERIFY(m_viewer->opened.isEmpty());

        listAndSelect({}, {0, 1});
        QVERIFY(waitForCommand([this] { m_app->dates()->ClickCopyExifDateToCreateDateAction(); }));
        const QString output = stored(QStringLiteral("Nikon_D70.jpg"));
        QCOMPARE(fileBytes(output), fileBytes(paths[0]));
        QCOMPARE(readFileTimes(output)->modified,
                 *DateText::parse(QStringLiteral("2008:03:15 09:52:01")));
        QCOMPARE(m_viewer->revealed.size(), 1);
        QCOMPARE(m_viewer->revealed[0].size(), 2);
    }

    // A hostile and a broken photo among good ones: the good ones are
    // written and revealed together, the others named once.
    void removingGpsWritesTheGoodPhotosRevealsThemTogetherAndNamesTheRest() {
        const QString hostile = photo(QStringLiteral("tiff-photoshop-block-overread.tif"));
        const QString broken = m_photos->writeFile(QStringLiteral("broken.jpg"), "\xff\xd8\xff");
        const QStringList good = {photo(QStringLiteral("DSCN0010.jpg")),
                                  photo(QStringLiteral("Canon_40D.jpg")),
                                  photo(QStringLiteral("Jobagent.tiff"))};
        const QByteArray original = fileBytes(good[0]);
        // Cameras number afresh in every folder: a second photo of one name.
        QDir().mkpath(m_photos->file(QStringLiteral("101CANON")));
        const QString twin =
            photo(QStringLiteral("Canon_40D.jpg"), QStringLiteral("101CANON/Canon_40D.jpg"));
        listAndSelect({good[0], hostile, good[1], broken, good[2], twin});
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        QVERIFY(waitForCommand([this] { m_app->removal()->RemoveGPSDataFromPhoto(); }));

        // The hostile TIFF is either refused or written whole; the rest
        // does not depend on which.
        const bool hostileWritten =
            QFile::exists(stored(QStringLiteral("NoGPS_tiff-photoshop-block-overread.tif")));
        const QStringList goodOutputs = {stored(QStringLiteral("NoGPS_DSCN0010.jpg")),
                                         stored(QStringLiteral("NoGPS_Canon_40D.jpg")),
                                         stored(QStringLiteral("NoGPS_Jobagent.tiff"))};
        for (const QString& output : goodOutputs)
            QVERIFY2(QFile::exists(output), qPrintable(output));
        QVERIFY(!QFile::exists(stored(QStringLiteral("NoGPS_broken.jpg"))));
        QVERIFY(QFile::exists(stored(QStringLiteral("NoGPS_Canon_40D (2).jpg"))));
        QCOMPARE(storedFiles().size(), hostileWritten ? 5 : 4);
        QCOMPARE(m_viewer->revealed.size(), 1);
        QCOMPARE(m_viewer->revealed[0].size(), storedFiles().size());
        QCOMPARE(m_viewer->revealed[0].first(), goodOutputs.first());
        QVERIFY(m_viewer->opened.isEmpty()); // the reveal shows the storage folder already
        QCOMPARE(fileBytes(good[0]), original);
        const QJsonObject written = exiftoolRead(stored(QStringLiteral("NoGPS_DSCN0010.jpg")));
        QVERIFY(!written.contains(QStringLiteral("GPS:GPSLatitude")));
        QCOMPARE(written.value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString(),
                 QStringLiteral("2008:10:22 16:28:39"));

        QCOMPARE(alerts.size(), 1);
        const QString info = alerts[0][1].toString();
        QVERIFY2(info.contains(broken + QStringLiteral(": ")), qPrintable(info));
        QCOMPARE(info.contains(hostile + QStringLiteral(": ")), !hostileWritten);
        QCOMPARE(m_app->lastReport().skipped.size(), hostileWritten ? 1 : 2);
        // Every photo is counted: written, under another name, or not.
        QVERIFY2(info.contains(
                     QStringLiteral("Written under another name:\n%1: as NoGPS_Canon_40D (2).jpg")
                         .arg(twin)),
                 qPrintable(info));
        QCOMPARE(alerts[0][0].toString(),
                 hostileWritten
                     ? QStringLiteral("5 photos written; 1 of them under another name; 1 not "
                                      "written.")
                     : QStringLiteral("4 photos written; 1 of them under another name; 2 not "
                                      "written."));

        // The window is still there for the next command.
        QVERIFY(waitForCommand([this] { m_app->removal()->DeleteExifAndGPSData(); }));
        QCOMPARE(m_viewer->revealed.size(), 1);
        QCOMPARE(m_viewer->opened, QStringList({storage()}));
        QVERIFY(QFile::exists(stored(QStringLiteral("NoExifAndGPS_Canon_40D.jpg"))));
    }

    void aDevicePhotoWithoutADownloadedCopyIsSkippedAndTheFolderStillOpens() {
        IKImageItem item;
        item.filePath = photo(QStringLiteral("Canon_40D.jpg"), QStringLiteral("thumb.jpg"));
        item.fileName = QStringLiteral("IMG_0001.JPG");
        IKImageItem unsafe = item;
        unsafe.fileName = QStringLiteral("../escape.jpg");
        m_app->cameItemArray()->append({item, unsafe});
        m_app->selection()->setLocalMode(false);
        QListView* browser = m_app->outlets().imageBrowserView;
        browser->selectAll();
        QVERIFY(waitForCommand([this] { m_app->removal()->RemoveIPTCDataFromPhoto(); }));
        QVERIFY(storedFiles().isEmpty());
        QVERIFY(m_viewer->revealed.isEmpty());
        QCOMPARE(m_viewer->opened, QStringList({storage()}));
        QCOMPARE(m_app->lastReport().skipped.size(), 2);

        // Once downloaded, the copy is read from the storage folder.
        QFile::copy(item.filePath, stored(item.fileName));
        QVERIFY(waitForCommand([this] { m_app->removal()->RemoveExifDataFromPhoto(); }));
        QVERIFY(QFile::exists(stored(QStringLiteral("NoExif_IMG_0001.JPG"))));
        QVERIFY(!QFile::exists(m_photos->file(QStringLiteral("NoExif_escape.jpg"))));
    }

    // The window shows the photo's dates; a text that is no date in either
    // field is refused, the alert naming the field, and nothing is written;
    // dates in either layout are saved into the storage folder.
    void theDateWindowShowsRefusesWhatIsNoDateAndSavesIntoTheStorageFolder() {
        const QString source = photo(QStringLiteral("Canon_40D.jpg"));
        const QByteArray before = fileBytes(source);
        listAndSelect({source});
        QVERIFY(waitForDateWindow([this] { m_app->dates()->ChangeDateExifFromPhoto(); }));
        ChangeDateWindow* window = m_app->changeDateWindow();
        QVERIFY(window->isVisible());
        QVERIFY(!m_app->changeMutiDateWindow()->isVisible());
        QCOMPARE(window->orignalDatelab->text(), QStringLiteral("2008:05:30 15:56:01"));
        QCOMPARE(window->diginalDatelab->text(), QStringLiteral("2008:05:30 15:56:01"));

        const struct {
            DateTimeField* field;
            QString text;
            QString named;
        } cases[] = {
            {window->diginalDatelab, QStringLiteral("2014/05/06 07:08:09"), "The digitized date"},
            {window->diginalDatelab, QStringLiteral("2014:13:01 00:00:00"), "The digitized date"},
            {window->diginalDatelab, QString(), "The digitized date"},
            {window->orignalDatelab, QStringLiteral("yesterday"), "The original date"},
            {window->orignalDatelab, QStringLiteral("2014:02:30 00:00:00"), "The original date"},
        };
        for (const auto& c : cases) {
            window->orignalDatelab->setText(QStringLiteral("2014:05:06 07:08:09"));
            window->diginalDatelab->setText(QStringLiteral("2014:05:06 07:08:09"));
            c.field->setText(c.text);
            QSignalSpy alerts(m_app, &AppDelegate::alertShown);
            m_app->dates()->ClickDateChangedSaveAction();
            QCOMPARE(alerts.size(), 1);
            QCOMPARE(alerts[0][0].toString(), invalidDateText);
            QCOMPARE(alerts[0][1].toString(),
                     invalidDateInfo + QLatin1Char('\n') + c.named + " is not a date.");
            QCOMPARE(openAlerts().size(), 1);
            openAlerts()[0]->close();
            QVERIFY(!m_app->commandRunner()->isRunning());
            QVERIFY(window->isVisible());
            QCOMPARE(c.field->text(), c.text);
        }
        QVERIFY(storedFiles().isEmpty());

        window->orignalDatelab->setText(QStringLiteral("2014:05:06 07:08:08"));
        window->diginalDatelab->setText(QStringLiteral("2014-05-06 07:08:09"));
        QVERIFY(waitForCommand([this] { m_app->dates()->ClickDateChangedSaveAction(); }));
        const QString output = stored(QStringLiteral("Canon_40D.jpg"));
        QCOMPARE(exifDate(output, "ExifIFD:DateTimeOriginal"),
                 QStringLiteral("2014:05:06 07:08:08"));
        QCOMPARE(exifDate(output, "ExifIFD:CreateDate"), QStringLiteral("2014:05:06 07:08:09"));
        QCOMPARE(exifDate(output, "IFD0:ModifyDate"), QStringLiteral("2014:05:06 07:08:08"));
        QCOMPARE(readFileTimes(output)->modified,
                 *DateText::parse(QStringLiteral("2014:05:06 07:08:08")));
        QCOMPARE(jpegImageData(fileBytes(output)), jpegImageData(before));
        QCOMPARE(fileBytes(source), before);
        QCOMPARE(m_viewer->revealed, QList<QStringList>({{output}}));
        QVERIFY(!window->isVisible());
    }

    void twoSelectedPhotosOpenTheBatchWindowWhoseCancelLeavesTheDateWindowAlone() {
        const QStringList paths = {photo(QStringLiteral("DSCN0010.jpg")),
                                   photo(QStringLiteral("Nikon_D70.jpg"))};
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        listAndSelect(paths, {0});
        QVERIFY(shown.wait(10000));
        QVERIFY(waitForDateWindow([this] { m_app->dates()->ChangeDateExifFromPhoto(); }));
        QVERIFY(m_app->changeDateWindow()->isVisible());

        // The set-date field offers the current photo's creation date as a date text.
        const QDateTime created = readFileTimes(paths[0])->created;
        listAndSelect({}, {0, 1}); // the first photo stays the one shown
        QVERIFY(waitForDateWindow([this] { m_app->dates()->ChangeDateExifFromPhoto(); }));
        ChangeMutiDateWindow* batch = m_app->changeMutiDateWindow();
        QVERIFY(batch->isVisible());
        QCOMPARE(batch->mutSetDatelab->placeholderText(),
                 DateTimeField::displayText(DateText::timePointText(created)));
        m_app->dates()->ClickDateChangedCancelAction();
        QVERIFY(!batch->isVisible());
        QVERIFY(m_app->changeDateWindow()->isVisible());
        QVERIFY(storedFiles().isEmpty());
    }

    void theBatchWindowShiftsByAnAmountThenEmptiesItsTexts() {
        const QStringList paths = {photo(QStringLiteral("DSCN0010.jpg")),
                                   photo(QStringLiteral("Canon_40D.jpg"))};
        listAndSelect(paths);
        QVERIFY(waitForDateWindow([this] { m_app->dates()->ChangeDateExifFromPhoto(); }));
        ChangeMutiDateWindow* batch = m_app->changeMutiDateWindow();
        // The toggles: at most one is on.
        batch->RemoveTimeBtn->click();
        QVERIFY(batch->RemoveTimeBtn->isChecked() && !batch->AddTimeBtn->isChecked());
        batch->AddTimeBtn->click();
        QVERIFY(batch->AddTimeBtn->isChecked() && !batch->RemoveTimeBtn->isChecked());

        batch->dayVaulab->setText(QStringLiteral("1"));
        batch->hourVaulab->setText(QStringLiteral("-5"));
        QVERIFY(waitForCommand([this] { m_app->dates()->ClickMutiDateChangedSaveAction(); }));
        // The question named the folder the copies go to.
        QCOMPARE(m_lastPreview, QStringLiteral("2 photos will be written into %1.").arg(storage()));
        for (const auto& [name, date] :
             {std::pair{QStringLiteral("DSCN0010.jpg"), QStringLiteral("2008:10:23 16:28:39")},
              std::pair{QStringLiteral("Canon_40D.jpg"), QStringLiteral("2008:05:31 15:56:01")}}) {
            QCOMPARE(exifDate(stored(name), "ExifIFD:DateTimeOriginal"), date);
            QCOMPARE(exifDate(stored(name), "ExifIFD:CreateDate"), date);
        }
        QCOMPARE(m_viewer->revealed.size(), 1);
        QCOMPARE(m_viewer->revealed[0].size(), 2);
        QVERIFY(m_viewer->opened.isEmpty());
        QVERIFY(!batch->isVisible());
        for (const DateTimeField* field : batch->datesToEmpty())
            QCOMPARE(field->text(), QString());
        for (const QLineEdit* field : batch->amountFields())
            QCOMPARE(field->text(), QString());
        QVERIFY(batch->AddTimeBtn->isChecked()); // the toggles keep their states
    }

    void aPreviewShiftMovesEveryPhotoAndAlertsWhenItsTextsDoNotRead() {
        const QStringList paths = {photo(QStringLiteral("DSCN0010.jpg")),
                                   photo(QStringLiteral("Kodak_CX7530.jpg"))};
        listAndSelect(paths);
        ChangeMutiDateWindow* batch = m_app->changeMutiDateWindow();
        const QString preview = photo(QStringLiteral("Canon_40D.jpg"), QStringLiteral("p.jpg"));
        QVERIFY(waitForDateWindow([&] { m_app->dates()->openPanelDidEnd3(1, {preview}); }));
        QCOMPARE(m_app->currentPhoto().currentChooseFilePath, preview);
        QVERIFY(batch->hasPreviewPhoto());
        QVERIFY(!batch->dateChoosePhotoBtn->isVisibleTo(batch));
        QCOMPARE(batch->beforediginalDatelab->text(), QStringLiteral("2008:05:30 15:56:01"));

        // An after text in the other layout gives no difference to shift by.
        batch->afterdiginalDatelab->setText(QStringLiteral("2008:05:30 17:56:01"));
        batch->afterorignalDatelab->setText(QStringLiteral("2008-05-30 15:56:01"));
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        m_app->dates()->ClickMutiDateChangedSaveAction();
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0][0].toString(), invalidDateText);
        openAlerts()[0]->close();
        QVERIFY(storedFiles().isEmpty());

        // An after text that is no date at all is named.
        batch->afterorignalDatelab->setText(QStringLiteral("soon"));
        m_app->dates()->ClickMutiDateChangedSaveAction();
        QCOMPARE(alerts.size(), 2);
        QVERIFY(alerts[1][1].toString().endsWith(
            QStringLiteral("The original date after is not a date.")));
        openAlerts()[0]->close();

        batch->afterorignalDatelab->setText(QStringLiteral("2008:05:30 15:56:01"));
        QVERIFY(waitForCommand([this] { m_app->dates()->ClickMutiDateChangedSaveAction(); }));
        const QString output = stored(QStringLiteral("DSCN0010.jpg"));
        QCOMPARE(exifDate(output, "ExifIFD:DateTimeOriginal"),
                 QStringLiteral("2008:10:22 16:28:39"));
        QCOMPARE(exifDate(output, "ExifIFD:CreateDate"), QStringLiteral("2008:10:22 18:28:39"));
        QCOMPARE(exifDate(stored(QStringLiteral("Kodak_CX7530.jpg")), "ExifIFD:CreateDate"),
                 QStringLiteral("2005:08:13 11:47:23"));
        // The preview photo stays after a save; a cancel removes it.
        QVERIFY(batch->hasPreviewPhoto());
        m_app->dates()->ClickMutiDateChangedCancelAction();
        QVERIFY(!batch->hasPreviewPhoto());
        QVERIFY(batch->dateChoosePhotoBtn->isVisibleTo(batch));
    }

    // Places from Positions names the photo's place; Set Time Zone then
    // writes its zone into the same working copy, which keeps the place.
    void placesAndTheZoneComeFromThePositionAndBuildOnEachOther() {
        const QString input = photo(QStringLiteral("DSCN0010.jpg"));
        listAndSelect({input});
        QVERIFY(waitForCommand([this] { m_app->outlets().placesItem->trigger(); }));
        const QString output = stored(QStringLiteral("DSCN0010.jpg"));
        const QJsonObject named = exiftoolRead(output);
        QCOMPARE(named.value("XMP-iptcCore:CountryCode").toString(), QStringLiteral("IT"));
        QVERIFY(!named.value("XMP-photoshop:City").toString().isEmpty());
        QVERIFY(!named.contains("IPTC:City")); // the photo keeps XMP alone

        ChangeZoneWindow* w = m_app->zone()->zoneWindow();
        m_app->outlets().zoneItem->trigger();
        QVERIFY(w->isVisible());
        QVERIFY(w->fromPositionButton->isChecked() && w->keepWallTimeButton->isChecked());
        QVERIFY(!w->zoneBox->isEnabled() && !w->fromZoneBox->isEnabled());
        // A zone that is none is named before anything is written.
        w->namedZoneButton->setChecked(true);
        w->zoneBox->setCurrentText(QStringLiteral("Mars/Olympus"));
        w->saveButton->click();
        QCOMPARE(openAlerts().size(), 1);
        openAlerts().first()->close();
        w->fromPositionButton->setChecked(true);
        QVERIFY(waitForCommand([w] { w->saveButton->click(); }));
        QVERIFY(!w->isVisible());
        const QJsonObject zoned = exiftoolRead(output);
        QCOMPARE(zoned.value("ExifIFD:OffsetTimeOriginal").toString(), QStringLiteral("+02:00"));
        QCOMPARE(zoned.value("XMP-photoshop:City"), named.value("XMP-photoshop:City"));
        QCOMPARE(zoned.value("ExifIFD:DateTimeOriginal"),
                 exiftoolRead(input).value("ExifIFD:DateTimeOriginal"));
    }

    // The window keeps answering while a batch runs, and a cancel stops it
    // after the photos in hand with no partial file left behind.
    void cancellingABatchStopsAfterThePhotosInHandAndSaysSo() {
        QStringList paths;
        for (int i = 0; i < 80; ++i)
            paths << photo(QStringLiteral("DSCN0010.jpg"), QStringLiteral("p%1.jpg").arg(i));
        listAndSelect(paths);
        int ticks = 0;
        QTimer heartbeat;
        connect(&heartbeat, &QTimer::timeout, [&] { ++ticks; });
        heartbeat.start(5);
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        QVERIFY(waitForCommand([this] {
            m_app->removal()->RemoveExifDataFromPhoto();
            QVERIFY(m_app->commandRunner()->isRunning());
            QTimer::singleShot(0, m_app->commandRunner(), &CommandRunner::cancel);
        }));
        QVERIFY(ticks > 0);
        const OperationReport& report = m_app->lastReport();
        QVERIFY(report.notRun > 0);
        QCOMPARE(report.written.size() + report.notRun, 80);
        QCOMPARE(storedFiles().size(), report.written.size()); // no temporary files either
        QCOMPARE(alerts.size(), 1);
        QVERIFY(alerts[0][1].toString().contains(QStringLiteral("Cancelled")));
    }
};

int main(int argc, char** argv) {
    return runGuiTests<EditingCommandsTest>(argc, argv);
}

#include "EditingCommandsTest.moc"
