#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/AppSettings.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/FileViewer.h"
#include "app/LargePhotoView.h"
#include "app/PhotoCellDelegate.h"
#include "app/PhotoViewerWindow.h"
#include "app/PreferencesWindow.h"
#include "sources/PhotoListModel.h"
#include "support/TestPhotos.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QMainWindow>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

namespace {

QString home() {
    return qEnvironmentVariable("HOME");
}

} // namespace

// The window from its first launch: the settings, the preferences, the
// imports and drops, the large views and the browser.
class AppTest : public DelegateTest {
    Q_OBJECT

private:
    QString text(const QWidget* field) const { return FormFieldText::text(field); }

private Q_SLOTS:
    // Dates and month names as the tests spell them.
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init() { launchDelegate(); }
    void cleanup() { closeDelegate(); }

    void firstLaunchWritesTheSettingsAndCreatesTheFolder() {
        const QString folder = home() + QStringLiteral("/Pictures/com.Quillmar.kestrelios");
        QSettings settings;
        QCOMPARE(settings.value(SettingsKeys::StoragePath).toString(), folder);
        QVERIFY(QFileInfo(folder).isDir());
        // The stamp's font is the desktop's own until one is chosen.
        QVERIFY(!settings.contains(SettingsKeys::FontName));
        QCOMPARE(settings.value(SettingsKeys::Position).toString(),
                 QStringLiteral("Lower left corner"));
        QVERIFY(!settings.contains(SettingsKeys::FontSize));
        const QString desktopFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        QCOMPARE(m_app->preferenceWindow()->showFontlab->text(),
                 desktopFont + QStringLiteral(" 14"));
        QCOMPARE(m_app->stampFont().currentFontname, desktopFont);
        QCOMPARE(m_app->preferenceWindow()->postionBtn->currentText(),
                 QStringLiteral("Lower left corner"));
        QVERIFY(m_app->outlets().leftTipView->isVisible());
        QVERIFY(!m_app->outlets().localImageBrowserView->isVisible());
        QVERIFY(!m_app->outlets().leftTipCameraImageView->isVisible());
    }

    // A stored font this system lacks: the preferences show the desktop's
    // font the stamp will use instead, and say why; the colour well its colour.
    void aFontThisSystemLacksFallsBackToTheDesktopsFont() {
        const QString desktopFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        QCOMPARE(AppSettings::availableFontFamily(QStringLiteral("No Such Font Family")),
                 desktopFont);
        QSettings().setValue(SettingsKeys::FontName, QStringLiteral("No Such Font Family"));
        QSettings().setValue(SettingsKeys::FontSize, 20);
        delete m_app;
        m_app = new AppDelegate(m_metadata, *m_viewer);
        m_app->applicationDidFinishLaunching();
        QSettings().remove(SettingsKeys::FontName);
        QSettings().remove(SettingsKeys::FontSize);
        const PreferencesWindow* preferences = m_app->preferenceWindow();
        QCOMPARE(m_app->stampFont().currentFontname, desktopFont);
        QCOMPARE(preferences->showFontlab->text(), desktopFont + QStringLiteral(" 20"));
        QCOMPARE(preferences->showFontlab->font().family(), desktopFont);
        QVERIFY(preferences->showFontlab->toolTip().startsWith(
            QStringLiteral("No Such Font Family is not installed")));

        QCOMPARE(preferences->colorwell->text(), QStringLiteral("#FFFFFF"));
        m_app->preferenceWindow()->setColor(QColor(200, 30, 40));
        QCOMPARE(preferences->colorwell->text(), QStringLiteral("#C81E28"));
        const QImage swatch = preferences->colorwell->icon().pixmap(28, 14).toImage();
        QCOMPARE(swatch.pixelColor(14, 7), QColor(200, 30, 40));
    }

    void cancellingThePreferencesKeepsTheFolderAndConfirmingStoresIt() {
        const QString chosen = m_photos->file(QStringLiteral("elsewhere"));
        const QString before = m_app->storage().storagelocation;
        const QString storedBefore = QSettings().value(SettingsKeys::StoragePath).toString();
        m_app->preferences()->ShowPreferenceSetting();
        m_app->preferences()->openPanelDidEnd5(1, chosen);
        m_app->preferences()->CancelPreferenceSetting();
        QCOMPARE(m_app->storage().storagelocation, before);
        QCOMPARE(QSettings().value(SettingsKeys::StoragePath).toString(), storedBefore);
        m_app->preferences()->ResetPreferenceSetting();
        QCOMPARE(m_app->storage().storagelocation, chosen);
        QVERIFY(QFileInfo(chosen).isDir());
        QCOMPARE(QSettings().value(SettingsKeys::StoragePath).toString(), chosen);
        QCOMPARE(QSettings().value(SettingsKeys::FontSize).toInt(), 14);
        QSettings().setValue(SettingsKeys::StoragePath, storedBefore);
    }

    void importingThreeFilesAppendsThemInOrderAndShowsTheBrowser() {
        m_app->display()->openPanelDidEnd1(1, {photo(QStringLiteral("Canon_40D.jpg"))});
        const QStringList three = {
            photo(QStringLiteral("DSCN0010.jpg")), photo(QStringLiteral("Nikon_D70.jpg")),
            photo(QStringLiteral("DSCN0010.jpg"), QStringLiteral("again.jpg"))};
        m_app->display()->openPanelDidEnd1(0, three); // cancelled: nothing
        QCOMPARE(m_app->localPhotoItemArray()->rowCount(), 1);
        m_app->display()->openPanelDidEnd1(1, three);
        const auto& items = m_app->localPhotoItemArray()->items();
        QCOMPARE(items.size(), 4);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(items[i + 1].filePath, three[i]);
            QCOMPARE(items[i + 1].fileType, QStringLiteral("Image"));
        }
        QCOMPARE(items[3].fileName, QStringLiteral("again.jpg"));
        QVERIFY(m_app->outlets().localImageBrowserView->isVisible());
        QVERIFY(!m_app->outlets().leftTipView->isVisible());
        QVERIFY(m_app->selection()->blocalMode());
    }

    void aDropOnTheDropHintShowsTheBrowserAndSelectsTheFirstPhoto() {
        const QString first = photo(QStringLiteral("Kodak_CX7530.jpg"));
        const QString second = photo(QStringLiteral("DSCN0010.jpg"));
        const QString notes = m_photos->writeFile(QStringLiteral("notes.txt"), "not a photo");
        QVERIFY(!acceptsPhotoDrag({QUrl::fromLocalFile(notes)}));
        QVERIFY(acceptsPhotoDrag({QUrl::fromLocalFile(first), QUrl::fromLocalFile(notes)}));
        // RAW photos the metadata library reads are taken from their first
        // bytes, and offered by the open dialog.
        for (const auto& [name, head] : {std::pair{"a.raf", QByteArray("FUJIFILMCCD-RAW 0201")},
                                         std::pair{"a.rw2", QByteArray("IIU\0\x18\0\0\0", 8)},
                                         std::pair{"a.mrw", QByteArray("\0MRM\0\0\0\x10", 8)}})
            QVERIFY(acceptsPhotoDrag(
                {QUrl::fromLocalFile(m_photos->writeFile(QString::fromLatin1(name), head))}));
        for (const char* pattern : {"*.cr3", "*.CRW", "*.raf", "*.rw2", "*.mrw", "*.psd", "*.dng"})
            QVERIFY(DisplayController::photoNameFilters().first().contains(QLatin1String(pattern)));

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        QVERIFY(m_app->outlets().leftTipImageView->performDragOperation(&mime));
        QVERIFY(shown.wait(10000));
        QCOMPARE(m_app->localPhotoItemArray()->rowCount(), 2);
        QCOMPARE(m_app->outlets()
                     .localImageBrowserView->selectionModel()
                     ->selectedIndexes()
                     .value(0)
                     .row(),
                 0);
        QVERIFY(m_app->outlets().localImageBrowserView->isVisible());
        QCOMPARE(m_app->currentPhoto().currentChooseFilePath, first);
        QCOMPARE(m_app->currentPhoto().currentFileName, QStringLiteral("Kodak_CX7530.jpg"));
        QCOMPARE(text(m_app->outlets().photoNamelab), QStringLiteral("Kodak_CX7530.jpg"));
    }

    void aDropOnTheBrowserSelectsTheFirstPhotoOfTheWholeList() {
        m_app->display()->openPanelDidEnd1(1, {photo(QStringLiteral("Canon_40D.jpg"))});
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(photo(QStringLiteral("DSCN0010.jpg")))});
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        QVERIFY(m_app->outlets().localImageBrowserView->performDragOperation(&mime));
        QVERIFY(shown.wait(10000));
        QCOMPARE(m_app->localPhotoItemArray()->rowCount(), 2);
        QCOMPARE(m_app->currentPhoto().currentFileName, QStringLiteral("Canon_40D.jpg"));
    }

    // The large view shows the selection, however it was made; Enter shows the
    // photo at full size, as a double click does.
    void theLargeViewFollowsArrowKeysSelectAllAndEnter() {
        const MainWindowOutlets& o = m_app->outlets();
        const QStringList paths = {photo(QStringLiteral("DSCN0010.jpg")),
                                   photo(QStringLiteral("Canon_40D.jpg")),
                                   photo(QStringLiteral("Kodak_CX7530.jpg"))};
        QVERIFY(showAndWait(paths));
        QTRY_COMPARE(o.localPhotoImageView->shownPath(), paths[0]);
        QVERIFY(!o.localPhotoImageView->photo().isNull());
        o.localImageBrowserView->setFocus();
        o.localImageBrowserView->setCurrentIndex(m_app->shownIndexOfRow(0));
        QTest::keyClick(o.localImageBrowserView, Qt::Key_Right);
        QTRY_COMPARE(o.localPhotoImageView->shownPath(), paths[1]);
        QTest::keyClick(o.localImageBrowserView, Qt::Key_Right);
        QTRY_COMPARE(o.localPhotoImageView->shownPath(), paths[2]);
        QTest::keyClick(o.localImageBrowserView, Qt::Key_A, Qt::ControlModifier);
        QTRY_COMPARE(o.localPhotoImageView->shownPath(), paths[0]);
        QTest::keyClick(o.localImageBrowserView, Qt::Key_Return);
        PhotoViewerWindow* viewer = m_app->display()->photoViewer();
        QTRY_VERIFY(viewer->isVisible());
        QTRY_COMPARE(viewer->view()->shownPath(),
                     o.localImageBrowserView->currentIndex().row() == 2 ? paths[2] : paths[0]);

        // The window of the photo steps through the list by keys and wheel,
        // the selection with it, and stops at either end.
        QTest::keyClick(viewer, Qt::Key_Home);
        QTRY_COMPARE(viewer->view()->shownPath(), paths[0]);
        const struct {
            Qt::Key key;
            int wheel; // a wheel's notches instead, down positive
            int row;
        } steps[] = {{Qt::Key_Right, 0, 1},  {Qt::Key_PageDown, 0, 2}, {Qt::Key_Down, 0, 2},
                     {Qt::Key_Left, 0, 1},   {Qt::Key_unknown, -1, 0}, {Qt::Key_unknown, 2, 2},
                     {Qt::Key_PageUp, 0, 1}, {Qt::Key_End, 0, 2}};
        for (const auto& step : steps) {
            if (step.wheel != 0) {
                const QPoint centre = viewer->view()->rect().center();
                QWheelEvent wheel(centre, viewer->view()->mapToGlobal(centre), QPoint(),
                                  QPoint(0, -120 * step.wheel), Qt::NoButton, Qt::NoModifier,
                                  Qt::NoScrollPhase, false);
                QApplication::sendEvent(viewer->view(), &wheel);
            } else {
                QTest::keyClick(viewer, step.key);
            }
            QTRY_COMPARE(viewer->view()->shownPath(), paths[step.row]);
            QCOMPARE(o.localImageBrowserView->currentIndex().row(), step.row);
            QCOMPARE(m_app->selection()->selectionCount(SourceMode::Computer), 1);
        }
        // F11 fills the screen; Escape leaves it first, then closes.
        QTest::keyClick(viewer, Qt::Key_F11);
        QTRY_VERIFY(viewer->isFullScreen());
        QTest::keyClick(viewer, Qt::Key_Escape);
        QTRY_VERIFY(!viewer->isFullScreen());
        QVERIFY(viewer->isVisible());
        QTest::keyClick(viewer, Qt::Key_Escape);
        QTRY_VERIFY(!viewer->isVisible());

        // The Edit menu works on what has the keyboard: the browser's photos...
        o.window->activateWindow();
        QTRY_VERIFY(o.window->isActiveWindow());
        o.localImageBrowserView->setFocus();
        const auto item = [&o](const char* name) {
            return o.window->findChild<QAction*>(QLatin1String(name));
        };
        item("selectAllItem")->trigger();
        QCOMPARE(m_app->selection()->selectionCount(SourceMode::Computer), 3);
        item("copyItem")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->urls().size(), 3);
        item("deselectItem")->trigger();
        QCOMPARE(m_app->selection()->selectionCount(SourceMode::Computer), 0);
        // ...and a field's text.
        o.propertyFilter->setFocus();
        o.propertyFilter->setText(QStringLiteral("lens"));
        item("selectAllItem")->trigger();
        QCOMPARE(o.propertyFilter->selectedText(), QStringLiteral("lens"));
        item("deselectItem")->trigger();
        QVERIFY(!o.propertyFilter->hasSelectedText());
        o.propertyFilter->clear();
    }

    // The status bar counts the photos and the selection; the commands that
    // need a selection wait for one; the thumbnails take the size asked, and
    // names too long for a cell keep their start and end.
    void theBrowserCountsSizesAndNamesAndTheCommandsWaitForASelection() {
        const MainWindowOutlets& o = m_app->outlets();
        m_app->display()->openPanelDidEnd1(
            1, {photo(QStringLiteral("DSCN0010.jpg")), photo(QStringLiteral("Canon_40D.jpg"))});
        QCOMPARE(o.photoCountLabel->text(), QStringLiteral("2 photos, 0 selected"));
        for (QAction* needy : {o.removeGpsItem, o.changeDateItem, o.dateStampItem})
            QVERIFY(!needy->isEnabled());
        QVERIFY(!o.editApplyBtn->isEnabled());
        QVERIFY(selectRow(1));
        QCOMPARE(o.photoCountLabel->text(), QStringLiteral("2 photos, 1 selected"));
        for (QAction* needy : {o.removeGpsItem, o.changeDateItem, o.dateStampItem})
            QVERIFY(needy->isEnabled());
        QVERIFY(o.editApplyBtn->isEnabled());

        auto* delegate = static_cast<PhotoCellDelegate*>(o.localImageBrowserView->itemDelegate());
        QCOMPARE(o.thumbnailSizeSlider->value(), 85);
        const QSize small = o.localImageBrowserView->gridSize();
        o.largerThumbnailsItem->trigger();
        QCOMPARE(o.thumbnailSizeSlider->value(), 85 + PhotoCellDelegate::sideStep);
        QCOMPARE(delegate->thumbnailSide(), 85 + PhotoCellDelegate::sideStep);
        QVERIFY(o.localImageBrowserView->gridSize().height() > small.height());
        QVERIFY(o.localImageBrowserView->gridSize().width() >= small.width());
        o.smallerThumbnailsItem->trigger();
        QCOMPARE(delegate->thumbnailSide(), 85);

        const QFontMetrics metrics(QApplication::font());
        const QString name = QStringLiteral("DSCN0010_in_the_hills_above_Siena.jpeg");
        const QString shown = PhotoCellDelegate::elidedName(metrics, name, 90);
        // Shortened in the middle: its start and its end stay.
        QVERIFY2(shown.contains(QStringLiteral("…")) && shown.endsWith(QStringLiteral(".jpeg")) &&
                     shown.startsWith(QStringLiteral("DSCN")),
                 qPrintable(shown));
        QVERIFY(metrics.horizontalAdvance(shown) <= 90);
        // A folder before the name gives way first.
        const int room = metrics.horizontalAdvance(QStringLiteral("/Canon_40D.jpg")) +
                         metrics.horizontalAdvance(QStringLiteral("othe…"));
        const QString titled = PhotoCellDelegate::elidedName(
            metrics, QStringLiteral("other_photos/Canon_40D.jpg"), room);
        QVERIFY2(titled.startsWith(QStringLiteral("oth")) &&
                     titled.endsWith(QStringLiteral("…/Canon_40D.jpg")),
                 qPrintable(titled));
        QVERIFY(m_app->localPhotoItemArray()
                    ->index(0)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith(QStringLiteral("DSCN0010.jpg\n")));
    }

    void emptyingTheListClearsTheFields() {
        QVERIFY(showAndWait({photo(QStringLiteral("DSCN0010.jpg"))}));
        QVERIFY(!text(m_app->outlets().gpsLatilab).isEmpty());
        m_app->display()->ClearLeftPhotos();
        QCOMPARE(m_app->localPhotoItemArray()->rowCount(), 0);
        for (QLineEdit* field : m_app->outlets().summaryFields())
            QCOMPARE(text(field), QString());
        QCOMPARE(text(m_app->outlets().gpsLatilab), QString());
        QVERIFY(
            m_app->outlets().localImageBrowserView->isVisible()); // the empty browser stays shown
        m_app->display()->ChangeToImportComputerPhoto();
        QVERIFY(m_app->outlets().leftTipView->isVisible());
    }
};

int runSelectionDisplayTests(int argc, char** argv);

int main(int argc, char** argv) {
    return runGuiTests<AppTest>(argc, argv, {runSelectionDisplayTests});
}

#include "AppTest.moc"
