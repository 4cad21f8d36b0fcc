#include "GuiTestSupport.h"
#include "TileServer.h"
#include "app/AppDelegate.h"
#include "app/AppSettings.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/FileViewer.h"
#include "app/LargePhotoView.h"
#include "app/MapWidget.h"
#include "app/PhotoCellDelegate.h"
#include "app/PhotoViewerWindow.h"
#include "app/PreferencesWindow.h"
#include "app/PropertyOutlineView.h"
#include "metadata/PropertyKeys.h"
#include "metadata/SizeText.h"
#include "metadata/WorkerMetadataClient.h"
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
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

namespace {

QString home() {
    return qEnvironmentVariable("HOME");
}

// The real worker service, with the reads of chosen files held back so that
// two selections' reads overlap.
class DelayingService : public MetadataService {
public:
    explicit DelayingService(MetadataService& real) : m_real(real) {}
    Result<PhotoProperties> readProperties(const QString& path) override {
        if (!slowFiles.contains(QFileInfo(path).fileName()))
            return m_real.readProperties(path);
        ++slowStarted;
        QThread::msleep(800);
        auto answer = m_real.readProperties(path);
        ++slowDone;
        return answer;
    }
    Result<PhotoPreview> readPreview(const QString& path, int maxSide) override {
        return m_real.readPreview(path, maxSide);
    }
    PhotoOutcome rewrite(const RewriteJob& job) override { return m_real.rewrite(job); }
    QStringList slowFiles;
    std::atomic<int> slowStarted = 0;
    std::atomic<int> slowDone = 0;

private:
    MetadataService& m_real;
};

} // namespace

class AppTest : public QObject {
    Q_OBJECT

private:
    WorkerMetadataClient m_workers;
    DelayingService m_metadata{m_workers};
    RecordingFileViewer m_viewer;
    TestFolder* m_photos = nullptr;
    AppDelegate* m_app = nullptr;

    QString photo(const QString& fixture, const QString& as = QString()) {
        return m_photos->copyPhoto(fixture, as);
    }
    bool showAndWait(const QStringList& paths) {
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        m_app->display()->openPanelDidEnd1(1, paths);
        m_app->outlets().localImageBrowserView->selectionModel()->select(
            m_app->shownIndexOfRow(m_app->localPhotoItemArray()->rowCount() - int(paths.size())),
            QItemSelectionModel::ClearAndSelect);
        return shown.wait(10000);
    }
    bool selectRow(int row) {
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        m_app->outlets().localImageBrowserView->selectionModel()->select(
            m_app->shownIndexOfRow(row), QItemSelectionModel::ClearAndSelect);
        return shown.wait(10000);
    }
    QString text(const QWidget* field) const { return FormFieldText::text(field); }

private Q_SLOTS:
    // Dates and month names as the tests spell them.
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init() {
        m_metadata.slowFiles.clear();
        m_photos = new TestFolder;
        m_app = new AppDelegate(m_metadata, m_viewer);
        m_app->applicationDidFinishLaunching();
    }
    void cleanup() {
        delete m_app;
        delete m_photos;
    }

    void firstLaunchWritesTheSettingsAndCreatesTheFolder() {
        const QString folder = home() + QStringLiteral("/Pictures/com.Quillmar.kestrelios");
        QCOMPARE(m_app->storage().storagelocation, folder);
        QVERIFY(QFileInfo(folder).isDir());
        QSettings settings;
        QCOMPARE(settings.value(SettingsKeys::StoragePath).toString(), folder);
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
        // The first size where the screen has room for it, and resizable.
        QMainWindow* window = m_app->outlets().window;
        const QSize room = window->screen()->availableGeometry().size() - QSize(16, 48);
        QCOMPARE(window->size(), QSize(900, 752).boundedTo(room));
        QVERIFY(window->minimumSize() != window->maximumSize());
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
        m_app = new AppDelegate(m_metadata, m_viewer);
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
        m_app->preferences()->ShowPreferenceSetting();
        m_app->preferences()->openPanelDidEnd5(1, chosen);
        m_app->preferences()->CancelPreferenceSetting();
        QCOMPARE(m_app->storage().storagelocation, before);
        QCOMPARE(QSettings().value(SettingsKeys::StoragePath).toString(), before);
        m_app->preferences()->ResetPreferenceSetting();
        QCOMPARE(m_app->storage().storagelocation, chosen);
        QVERIFY(QFileInfo(chosen).isDir());
        QCOMPARE(QSettings().value(SettingsKeys::StoragePath).toString(), chosen);
        QCOMPARE(QSettings().value(SettingsKeys::FontSize).toInt(), 14);
        QSettings().setValue(SettingsKeys::StoragePath, before);
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

    void selectingPhotosFillsTheSummaryTheFormAndTheMap() {
        const MainWindowOutlets& o = m_app->outlets();
        // South: a negative latitude.
        QVERIFY(showAndWait({photo(QStringLiteral("Kodak_CX7530.jpg"))}));
        QVERIFY(text(o.gpsLatilab).toDouble() < 0);
        QVERIFY(m_app->currentPhoto().bMapPreview);
        QVERIFY(m_app->currentPhoto().currentCoords.x() < 0);
        QVERIFY(o.currentlocalMapView->isVisible());
        QCOMPARE(text(o.photoFileSizelab), QStringLiteral("5.96 KB (5958 bytes)"));
        QVERIFY(!text(o.photoCreateDatelab).isEmpty());

        // West: a negative longitude (a HEIC photo, read only).
        QVERIFY(showAndWait({photo(QStringLiteral("IMG_5195.HEIC"))}));
        QVERIFY(text(o.gpsLongtlab).toDouble() < 0);
        QCOMPARE(text(o.photoImageSizelab), QStringLiteral("2566 x 3313"));
        QCOMPARE(o.currentlocalMapView->pins().size(), 2);

        // An EXIF set without LensMake shows the TIFF Make, so that Apply keeps it.
        QVERIFY(showAndWait({photo(QStringLiteral("DSCN0010.jpg"))}));
        QCOMPARE(text(o.cameraMakelab), QStringLiteral("NIKON"));
        QCOMPARE(text(o.cameraDatelab), QStringLiteral("2008:10:22 16:28:39"));
        QCOMPARE(text(o.photoImageSizelab), QStringLiteral("640 x 480"));

        // With a LensMake, the make field shows it rather than the TIFF Make.
        RewriteJob lens;
        lens.inputPath = photo(QStringLiteral("DSCN0010.jpg"), QStringLiteral("lens-source.jpg"));
        lens.outputPath = m_photos->file(QStringLiteral("lens.jpg"));
        lens.changes = {
            {PropertyKeys::ExifSet,
             QVariantMap{{PropertyKeys::LensMake, QStringLiteral("LensCo")}}},
            {PropertyKeys::IptcSet,
             QVariantMap{{PropertyKeys::Keywords,
                          QStringList{QStringLiteral("lake"), QStringLiteral("hills")}}}}};
        QVERIFY(m_metadata.rewrite(lens).written());
        QVERIFY(showAndWait({lens.outputPath}));
        QCOMPARE(text(o.cameraMakelab), QStringLiteral("LensCo"));
        QCOMPARE(text(o.keywordslab), QStringLiteral("lake, hills"));
        QCOMPARE(text(o.artistlab), QString());

        // A photo without TIFF and EXIF sets empties the fields, whatever was shown before.
        RewriteJob bare;
        bare.inputPath = lens.outputPath;
        bare.outputPath = m_photos->file(QStringLiteral("bare.jpg"));
        bare.changes = {{PropertyKeys::TiffSet, PropertyKeys::removal()},
                        {PropertyKeys::ExifSet, PropertyKeys::removal()},
                        {PropertyKeys::GpsSet, PropertyKeys::removal()}};
        QVERIFY(m_metadata.rewrite(bare).written());
        QVERIFY(showAndWait({bare.outputPath}));
        for (const QWidget* field :
             QList<const QWidget*>{o.artistlab, o.imageDescrilab, o.copyrightlab, o.cameraMakelab,
                                   o.cameraModelab, o.cameraDatelab, o.commentslab})
            QCOMPARE(text(field), QString());
        QVERIFY(!m_app->currentPhoto().bMapPreview);
        QVERIFY(!o.currentlocalMapView->isVisible());
    }

    void theOutlineListsTopLevelKeysInRawKeyOrderWithExpandableSets() {
        QVERIFY(showAndWait({photo(QStringLiteral("DSCN0010.jpg"))}));
        QStandardItemModel* outline = m_app->outlineModel();
        QStringList keys;
        for (int row = 0; row < outline->rowCount(); ++row)
            keys << outline->item(row, 0)->text();
        QCOMPARE(keys, (QStringList{QStringLiteral("DPI Height"), QStringLiteral("DPI Width"),
                                    QStringLiteral("Orientation"), QStringLiteral("Pixel Height"),
                                    QStringLiteral("Pixel Width"), QStringLiteral("Exif"),
                                    QStringLiteral("GPS"), QStringLiteral("TIFF"),
                                    QStringLiteral("XMP")}));
        for (int row = 5; row < 9; ++row) {
            QVERIFY(outline->item(row, 0)->hasChildren());
            QCOMPARE(outline->item(row, 1)->text(), QString());
        }
        QCOMPARE(outline->item(4, 1)->text(), QStringLiteral("640"));
    }

    // The tree reads as people read the values, the stored ones a menu item
    // away and in the tooltips; it keeps its shape from photo to photo, and
    // Ctrl+C copies its rows. The summary names the camera and shows its
    // dates in one format.
    void theTreeReadsAsPeopleReadAndKeepsItsShape() {
        const MainWindowOutlets& o = m_app->outlets();
        QVERIFY(showAndWait({photo(QStringLiteral("DSCN0010.jpg"))}));
        QStandardItemModel* outline = m_app->outlineModel();
        const auto row = [outline](const QString& set,
                                   const QString& key) -> QList<QStandardItem*> {
            for (int r = 0; r < outline->rowCount(); ++r) {
                QStandardItem* parent = outline->item(r, 0);
                if (parent->text() != set)
                    continue;
                for (int child = 0; child < parent->rowCount(); ++child) {
                    if (parent->child(child, 0)->text() == key)
                        return {parent->child(child, 0), parent->child(child, 1)};
                }
            }
            return {};
        };
        const std::tuple<const char*, const char*, const char*> readable[] = {
            {"Exif", "Exposure Time", "1/75 s"},
            {"Exif", "F Number", "f/5.9"},
            {"Exif", "Flash", "Off, Did not fire"},
            {"Exif", "Metering Mode", "Multi-segment"},
            {"Exif", "Gain Control", "None"},
            {"Exif", "Date Time Original", "22 Oct 2008 16:28:39"},
            {"GPS", "Latitude", "43° 28' 2.81\" N"},
        };
        for (const auto& [set, key, text] : readable) {
            const auto cells = row(QString::fromUtf8(set), QString::fromUtf8(key));
            QVERIFY2(!cells.isEmpty(), key);
            QCOMPARE(cells[1]->text(), QString::fromUtf8(text));
        }
        QCOMPARE(row("Exif", "Flash")[1]->toolTip(), QStringLiteral("Stored: 16"));
        QCOMPARE(text(o.photoDPIlab), QStringLiteral("NIKON COOLPIX P6000"));
        QCOMPARE(text(o.photoModDatelab), QStringLiteral("22 Oct 2008 16:28:39"));
        const QString created = text(o.photoCreateDatelab);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{1,2} \\w{3} \\d{4} \\d{2}:\\d{2}:\\d{2}$"))
                     .match(created)
                     .hasMatch(),
                 qPrintable(created));

        o.storedValuesItem->trigger();
        QCOMPARE(row("Exif", "Flash")[1]->text(), QStringLiteral("16"));
        QCOMPARE(row("Exif", "Flash")[1]->toolTip(), QStringLiteral("Reads: Off, Did not fire"));
        o.storedValuesItem->trigger();

        // The user's closed set stays closed on the next photo; the others open.
        PropertyOutlineView* view = o.propertyOutline;
        const QModelIndex gps = outline->indexFromItem(row("GPS", "Latitude")[0]->parent());
        view->collapse(gps);
        QVERIFY(showAndWait({photo(QStringLiteral("Kodak_CX7530.jpg"))}));
        for (int r = 0; r < outline->rowCount(); ++r) {
            const QModelIndex index = outline->index(r, 0);
            if (outline->hasChildren(index))
                QCOMPARE(view->isExpanded(index), index.data().toString() != QLatin1String("GPS"));
        }
        view->setCurrentIndex(outline->indexFromItem(row("Exif", "Flash")[0]));
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("Flash\t") + row("Exif", "Flash")[1]->text());
        // The context menu's: the value alone, and the value as stored.
        view->copyValueAction()->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), row("Exif", "Flash")[1]->text());
        view->storedValueAction()->trigger();
        QVERIFY(view->storedValueBox()->isVisible());
        QCOMPARE(view->storedValueBox()->informativeText(), QStringLiteral("24"));
        view->storedValueBox()->close();

        // The filter keeps the rows whose name or value holds the text, and
        // the sets holding them; a set that matches keeps all it holds; the
        // next photo is filtered alike.
        const auto shown = [view, outline](const QString& set, const QString& key) {
            for (int r = 0; r < outline->rowCount(); ++r) {
                const QModelIndex parent = outline->index(r, 0);
                if (key.isEmpty() && parent.data().toString() == set)
                    return !view->isRowHidden(r, QModelIndex());
                for (int child = 0; child < outline->rowCount(parent); ++child) {
                    if (parent.data().toString() == set &&
                        outline->index(child, 0, parent).data().toString() == key)
                        return !view->isRowHidden(r, QModelIndex()) &&
                               !view->isRowHidden(child, parent);
                }
            }
            return false;
        };
        const struct {
            const char* filter;
            QList<std::pair<const char*, const char*>> shownRows, hiddenRows;
        } filters[] = {
            {"flash", {{"Exif", "Flash"}, {"Exif", ""}}, {{"Exif", "Exposure Time"}, {"GPS", ""}}},
            {"EASTMAN", {{"TIFF", "Make"}}, {{"TIFF", "Orientation"}, {"Exif", ""}}},
            {"gps", {{"GPS", ""}}, {{"TIFF", ""}}},
            {"no such text", {}, {{"Exif", ""}, {"TIFF", ""}}},
            {"", {{"Exif", "Exposure Time"}, {"TIFF", "Orientation"}}, {}},
        };
        for (const auto& f : filters) {
            o.propertyFilter->setText(QString::fromUtf8(f.filter));
            for (const auto& [set, key] : f.shownRows)
                QVERIFY2(shown(QString::fromUtf8(set), QString::fromUtf8(key)), f.filter);
            for (const auto& [set, key] : f.hiddenRows)
                QVERIFY2(!shown(QString::fromUtf8(set), QString::fromUtf8(key)), f.filter);
        }
        o.propertyFilter->setText(QStringLiteral("flash"));
        QVERIFY(showAndWait({photo(QStringLiteral("Canon_40D.jpg"))}));
        QVERIFY(shown(QStringLiteral("Exif"), QStringLiteral("Flash")));
        QVERIFY(!shown(QStringLiteral("TIFF"), QString()));
        o.propertyFilter->clear();

        // A value the photo lacks and its sidecar holds is shown, marked as
        // the sidecar's.
        TestFolder folder;
        const QString withSidecar = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"));
        runTool(QStringLiteral("exiftool"),
                {"-q", "-o", folder.file(QStringLiteral("Canon_40D.xmp")),
                 "-XMP-photoshop:City=Rome", withSidecar});
        QVERIFY(showAndWait({withSidecar}));
        QStandardItem* city = nullptr;
        for (int r = 0; r < outline->rowCount(); ++r) {
            QStandardItem* set = outline->item(r, 0);
            for (int child = 0; set->text() == QLatin1String("XMP") && child < set->rowCount();
                 ++child) {
                if (set->child(child, 0)->toolTip() == QLatin1String("photoshop:City"))
                    city = set->child(child, 1);
            }
        }
        QVERIFY(city);
        QCOMPARE(city->text(), QStringLiteral("Rome"));
        QVERIFY(city->font().italic());
        QVERIFY2(city->toolTip().startsWith(QStringLiteral("From the sidecar Canon_40D.xmp")),
                 qPrintable(city->toolTip()));
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

    void anUnreadableOrHostileFileSaysSoInThePanesAndTheNextPhotoShows() {
        const MainWindowOutlets& o = m_app->outlets();
        QVERIFY(showAndWait({photo(QStringLiteral("DSCN0010.jpg"))}));
        QVERIFY(m_app->outlineModel()->rowCount() > 0);
        QVERIFY(showAndWait({photo(QStringLiteral("riff-idit-chunk-overflow.fuzzed"))}));
        QCOMPARE(m_app->outlineModel()->rowCount(), 0);
        const QString said = QStringLiteral("Not a photo Tessaview can read");
        QCOMPARE(o.propertyOutline->placeholderText(), said);
        QTRY_COMPARE(o.localPhotoImageView->message(), said);
        // The summary names the file it is about, and nothing of the photo before.
        QCOMPARE(text(o.photoNamelab), QStringLiteral("riff-idit-chunk-overflow.fuzzed"));
        QCOMPARE(text(o.photoDPIlab), said);
        QCOMPARE(text(o.photoImageSizelab), QString());
        QVERIFY(showAndWait({photo(QStringLiteral("Canon_40D.jpg"))}));
        QVERIFY(m_app->outlineModel()->rowCount() > 0);
        QCOMPARE(text(m_app->outlets().photoNamelab), QStringLiteral("Canon_40D.jpg"));
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

    void theMapCentresAndPinsWithTilesFromALoopbackServer() {
        TileServer server(QColor(10, 200, 30));
        MapWidget* map = m_app->outlets().currentlocalMapView;
        map->setTileUrlTemplate(server.urlTemplate());
        QVERIFY(showAndWait({photo(QStringLiteral("DSCN0010.jpg"))}));
        QVERIFY(qAbs(map->centerLatitude() - 43.4674) < 1e-3);
        QVERIFY(qAbs(map->centerLongitude() - 11.8851) < 1e-3);
        QCOMPARE(map->zoom(), MapWidget::zoomForSpan(43.4674, 0.1255, 0.234, map->size()));
        QTRY_VERIFY_WITH_TIMEOUT(map->tilesShown() > 0, 10000);
        QVERIFY(!map->isOffline());
        QVERIFY(server.paths().first().startsWith(QStringLiteral("/%1/").arg(map->zoom())));
        QVERIFY(server.userAgents().first().startsWith(QStringLiteral("Tessaview/")));
        const QImage shot = map->grab().toImage();
        QCOMPARE(shot.pixelColor(5, 5), QColor(10, 200, 30));
        QCOMPARE(map->pins().size(), 1);
    }

    // Every displayed part names the photo of the last selection, however the
    // reads of the selections before it overlap with it.
    void theDisplayShowsOnePhotoWhenReadsOverlap() {
        const QString first = photo(QStringLiteral("Canon_40D.jpg"));
        const QString second = photo(QStringLiteral("DSCN0010.jpg"));
        const QString third = photo(QStringLiteral("Nikon_D70.jpg"));
        QVERIFY(showAndWait({first}));
        m_app->display()->openPanelDidEnd1(1, {second, third});
        QCOMPARE(m_app->localPhotoItemArray()->rowCount(), 3);

        const struct {
            const char* what;
            QStringList slowFiles;
            int selectRow;   // the selection whose read is overtaken
            int doubleClick; // then: a double click on this row, or -1
            int selectLast;  // or: a second selection of this row, or -1
            QString expected;
        } cases[] = {
            {"a double click before the selection's read returns",
             {"DSCN0010.jpg"},
             1,
             1,
             -1,
             second},
            {"a double click on another photo before the selection's read returns",
             {"Nikon_D70.jpg"},
             2,
             1,
             -1,
             second},
            {"a second selection while the first one's slower read runs",
             {"Nikon_D70.jpg"},
             2,
             -1,
             1,
             second},
        };
        for (const auto& c : cases) {
            qInfo("%s", c.what);
            // Back to the first photo.
            m_app->outlets().localImageBrowserView->selectionModel()->clearSelection();
            QVERIFY(selectRow(0));
            QCOMPARE(text(m_app->outlets().photoNamelab), QStringLiteral("Canon_40D.jpg"));
            m_metadata.slowFiles = c.slowFiles;
            QSignalSpy shown(m_app, &AppDelegate::photoShown);
            m_app->outlets().localImageBrowserView->selectionModel()->select(
                m_app->shownIndexOfRow(c.selectRow), QItemSelectionModel::ClearAndSelect);
            if (c.doubleClick >= 0)
                m_app->display()->cellWasDoubleClickedAtIndex(c.doubleClick);
            else
                m_app->outlets().localImageBrowserView->selectionModel()->select(
                    m_app->shownIndexOfRow(c.selectLast), QItemSelectionModel::ClearAndSelect);
            // Until the read returns, the new photo has no dictionary to pair
            // with the previous photo's.
            QCOMPARE(m_app->currentPhoto().currentChooseFilePath, c.expected);
            QVERIFY(m_app->currentPhoto().currentExifDictionary.isEmpty());
            QVERIFY(shown.wait(10000));
            // The overtaken read, too, has returned, and its answer has
            // reached the window's queue.
            QTRY_COMPARE_WITH_TIMEOUT(m_metadata.slowDone.load(), m_metadata.slowStarted.load(),
                                      10000);
            QTest::qWait(50);
            m_metadata.slowFiles.clear();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().first().toString(), c.expected);
            QTRY_COMPARE(m_app->outlets().localPhotoImageView->shownPath(), c.expected);

            const QVariantMap dictionary = m_workers.readProperties(c.expected)->dictionary;
            QCOMPARE(m_app->currentPhoto().currentChooseFilePath, c.expected);
            QCOMPARE(m_app->currentPhoto().currentFileName, QFileInfo(c.expected).fileName());
            QCOMPARE(m_app->currentPhoto().currentExifDictionary, dictionary);
            QCOMPARE(text(m_app->outlets().photoNamelab), QFileInfo(c.expected).fileName());
            QCOMPARE(text(m_app->outlets().cameraDatelab), QStringLiteral("2008:10:22 16:28:39"));
            QCOMPARE(text(m_app->outlets().photoImageSizelab), QStringLiteral("640 x 480"));
            QCOMPARE(text(m_app->outlets().gpsLatilab), QStringLiteral("43.46744833"));
            QCOMPARE(text(m_app->outlets().photoFileSizelab),
                     fileSizeText(quint64(QFileInfo(c.expected).size())));
            QStandardItemModel* outline = m_app->outlineModel();
            QString outlineMake;
            for (int row = 0; row < outline->rowCount(); ++row) {
                QStandardItem* set = outline->item(row, 0);
                for (int child = 0; child < set->rowCount(); ++child) {
                    if (set->child(child, 0)->text() == QLatin1String("Make"))
                        outlineMake = set->child(child, 1)->text();
                }
            }
            QCOMPARE(outlineMake, QStringLiteral("NIKON"));
            MapWidget* map = m_app->outlets().currentlocalMapView;
            QVERIFY(!map->isHidden());
            QVERIFY(qAbs(map->centerLatitude() - 43.4674) < 1e-3);
            QVERIFY(qAbs(map->centerLongitude() - 11.8851) < 1e-3);
        }
    }

    void theMapDrawsOfflineWithoutAServer() {
        MapWidget map;
        map.resize(270, 200);
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const quint16 port = closed.serverPort();
        closed.close();
        map.setTileUrlTemplate(QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port));
        map.setRegion(-33.8688, 151.2093, 0.1255, 0.234);
        map.addPin(-33.8688, 151.2093);
        map.show();
        QTRY_VERIFY_WITH_TIMEOUT(map.isOffline(), 10000);
        const QImage shot = map.grab().toImage();
        QCOMPARE(map.tilesShown(), 0);
        // The pin is drawn red at the centre, above its point.
        QCOMPARE(shot.pixelColor(135, 100 - 12), QColor(220, 50, 47));
    }
};

int main(int argc, char** argv) {
    return runGuiTests<AppTest>(argc, argv);
}

#include "AppTest.moc"
