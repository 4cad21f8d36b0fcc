#include "GuiTestSupport.h"
#include "TileServer.h"
#include "app/AppDelegate.h"
#include "app/DisplayController.h"
#include "app/LargePhotoView.h"
#include "app/MapWidget.h"
#include "app/PropertyOutlineView.h"
#include "metadata/PropertyKeys.h"
#include "metadata/SizeText.h"
#include "support/TestPhotos.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QThread>

#include <atomic>

namespace {

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

// What the window shows of the selected photo: the summary, the form and the
// map, the property tree, an unreadable file, and one photo however the
// reads of the selections overlap.
class SelectionDisplayTest : public DelegateTest {
    Q_OBJECT

private:
    DelayingService m_slow{m_metadata};
    QString text(const QWidget* field) const { return FormFieldText::text(field); }

private Q_SLOTS:
    // Dates and month names as the tests spell them.
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init() {
        m_slow.slowFiles.clear();
        launchDelegate(&m_slow);
    }
    void cleanup() { closeDelegate(); }

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

    // The tree lists the photo's sets and reads as people read the values, the stored ones a menu
    // item away and in the tooltips; it keeps its shape from photo to photo, and Ctrl+C copies its
    // rows. The summary names the camera and shows its dates in one format.
    void theTreeReadsAsPeopleReadAndKeepsItsShape() {
        const MainWindowOutlets& o = m_app->outlets();
        QVERIFY(showAndWait({photo(QStringLiteral("DSCN0010.jpg"))}));
        QStandardItemModel* outline = m_app->outlineModel();
        // The top-level keys in their raw keys' order, the sets expandable.
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
        // The pin is drawn red at the centre, above its point.
        QCOMPARE(shot.pixelColor(shot.width() / 2, shot.height() / 2 - 12), QColor(220, 50, 47));
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
            m_slow.slowFiles = c.slowFiles;
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
            QTRY_COMPARE_WITH_TIMEOUT(m_slow.slowDone.load(), m_slow.slowStarted.load(), 10000);
            QTest::qWait(50);
            m_slow.slowFiles.clear();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().first().toString(), c.expected);
            QTRY_COMPARE(m_app->outlets().localPhotoImageView->shownPath(), c.expected);

            const QVariantMap dictionary = m_metadata.readProperties(c.expected)->dictionary;
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
};

int runSelectionDisplayTests(int argc, char** argv) {
    return runTestObject<SelectionDisplayTest>(argc, argv);
}

#include "SelectionDisplayTest.moc"
