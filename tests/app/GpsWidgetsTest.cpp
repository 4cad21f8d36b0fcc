#include "GuiTestSupport.h"
#include "TileServer.h"
#include "app/ChangeGPSWindow.h"
#include "app/ChangePreviewModel.h"
#include "app/ChangePreviewWindow.h"
#include "app/EditViewLayout.h"
#include "app/MainWindowLayout.h"
#include "app/MapDisplay.h"
#include "app/MapWidget.h"
#include "app/MapWindow.h"
#include "app/RatingField.h"
#include "app/WorldOutline.h"
#include "editing/ChangePreview.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTreeView>

#include <cmath>

namespace {

// The map's projection, worked out here on its own: a position moved by a
// number of screen pixels at a zoom.
double longitudeMovedBy(double longitude, double pixels, int zoom) {
    return longitude + pixels * 360.0 / (256.0 * std::pow(2.0, zoom));
}

double latitudeMovedBy(double latitude, double pixels, int zoom) {
    const double scale = 256.0 * std::pow(2.0, zoom);
    const double radians = latitude * M_PI / 180.0;
    const double y =
        (1.0 - std::log(std::tan(radians) + 1.0 / std::cos(radians)) / M_PI) / 2.0 * scale + pixels;
    return std::atan(std::sinh(M_PI * (1.0 - 2.0 * y / scale))) * 180.0 / M_PI;
}

void drag(QWidget* widget, QPoint from, QPoint to) {
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    const int steps = 5;
    for (int i = 1; i <= steps; ++i)
        QTest::mouseMove(widget, from + (to - from) * i / steps);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

QString childText(const QAbstractItemModel* model, int photo, int row, int column) {
    return model->index(row, column, model->index(photo, 0)).data().toString();
}

constexpr double florenceLatitude = 43.4674;
constexpr double florenceLongitude = 11.8851;

} // namespace

class GpsWidgetsTest : public QObject {
    Q_OBJECT

private:
    // The GPS window shown, its map at a photo's position with one pin.
    std::unique_ptr<ChangeGPSWindow> shownGpsWindow() {
        auto window = std::make_unique<ChangeGPSWindow>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        showOnMap(window->previewMapView, florenceLatitude, florenceLongitude);
        return window;
    }

private Q_SLOTS:
    void aPinDraggedOnTheGpsMapFillsLatitudeAndLongitude_data() {
        QTest::addColumn<QPoint>("move");
        QTest::newRow("north-east") << QPoint(40, -30);
        QTest::newRow("south-west") << QPoint(-25, 60);
        QTest::newRow("due east") << QPoint(90, 0);
    }
    void aPinDraggedOnTheGpsMapFillsLatitudeAndLongitude() {
        QFETCH(QPoint, move);
        auto window = shownGpsWindow();
        QVERIFY(window);
        MapWidget* map = window->previewMapView;
        QTRY_VERIFY(!map->isGliding());
        const int zoom = map->zoom();
        QCOMPARE(zoom, MapWidget::zoomForSpan(florenceLatitude, 0.1255, 0.234, map->size()));
        QSignalSpy picked(map, &MapWidget::positionPicked);
        const QPoint head =
            (map->pointOf(florenceLatitude, florenceLongitude) + MapWidget::pinHeadOffset())
                .toPoint();
        drag(map, head, head + move);

        QCOMPARE(picked.size(), 1);
        const double latitude = latitudeMovedBy(florenceLatitude, move.y(), zoom);
        const double longitude = longitudeMovedBy(florenceLongitude, move.x(), zoom);
        QVERIFY2(std::fabs(window->latitudelab->text().toDouble() - latitude) < 2e-6,
                 qPrintable(window->latitudelab->text()));
        QVERIFY2(std::fabs(window->longtitudelab->text().toDouble() - longitude) < 2e-6,
                 qPrintable(window->longtitudelab->text()));
        QCOMPARE(window->latitudelab->text(),
                 ChangeGPSWindow::degreesText(picked[0][0].toDouble()));
        // The pin went along; the map itself stayed where it was.
        QCOMPARE(map->pins().size(), 1);
        QVERIFY(std::fabs(map->pins()[0].y() - latitude) < 2e-6);
        QCOMPARE(map->centerLatitude(), florenceLatitude);
        QCOMPARE(window->altitudelab->text(), QString());
    }

    void aClickOnTheGpsMapMovesTheNewestPinThere() {
        auto window = shownGpsWindow();
        QVERIFY(window);
        MapWidget* map = window->previewMapView;
        showOnMap(map, florenceLatitude + 0.01, florenceLongitude + 0.01);
        QTRY_VERIFY(!map->isGliding());
        const int zoom = map->zoom();
        const QPointF centre = map->pointOf(map->centerLatitude(), map->centerLongitude());
        const QPoint click = (centre + QPointF(-120, 80)).toPoint();
        QTest::mouseClick(map, Qt::LeftButton, {}, click);
        const double latitude =
            latitudeMovedBy(map->centerLatitude(), click.y() - centre.y(), zoom);
        const double longitude =
            longitudeMovedBy(map->centerLongitude(), click.x() - centre.x(), zoom);
        QVERIFY(std::fabs(window->latitudelab->text().toDouble() - latitude) < 2e-6);
        QVERIFY(std::fabs(window->longtitudelab->text().toDouble() - longitude) < 2e-6);
        QCOMPARE(map->pins().size(), 2);
        QCOMPARE(map->pins()[0], QPointF(florenceLongitude, florenceLatitude));
        QVERIFY(std::fabs(map->pins()[1].x() - longitude) < 2e-6);
    }

    void panningTheGpsMapPicksNothing() {
        auto window = shownGpsWindow();
        QVERIFY(window);
        MapWidget* map = window->previewMapView;
        QTRY_VERIFY(!map->isGliding());
        QSignalSpy picked(map, &MapWidget::positionPicked);
        drag(map, QPoint(30, 30), QPoint(110, 70));
        QCOMPARE(picked.size(), 0);
        QCOMPARE(window->latitudelab->text(), QString());
        QVERIFY(map->centerLongitude() < florenceLongitude);
        QCOMPARE(map->pins()[0], QPointF(florenceLongitude, florenceLatitude));
    }

    void otherMapsTakeNoPositionFromAClick() {
        QTemporaryDir settingsDir;
        QSettings settings(settingsDir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        MapWindow window(settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        showOnMap(window.currentMapView, florenceLatitude, florenceLongitude);
        QSignalSpy picked(window.currentMapView, &MapWidget::positionPicked);
        QTest::mouseClick(window.currentMapView, Qt::LeftButton, {}, QPoint(40, 40));
        QCOMPARE(picked.size(), 0);
        QCOMPARE(window.currentMapView->pins().size(), 1);
        QVERIFY(!window.isModal());
    }

    void theFormMapKeepsOnePinAndTheOthersAddTheirs_data() {
        QTest::addColumn<int>("policy");
        QTest::addColumn<int>("pins");
        QTest::newRow("add") << int(PinPolicy::Add) << 3;
        QTest::newRow("replace all") << int(PinPolicy::ReplaceAll) << 1;
    }
    void theFormMapKeepsOnePinAndTheOthersAddTheirs() {
        QFETCH(int, policy);
        QFETCH(int, pins);
        MapWidget map;
        map.resize(270, 200);
        const QList<QPointF> positions = {{-33.8568, 151.2153}, {48.85, 2.35}, {-12.5, -45}};
        for (const QPointF& at : positions)
            showOnMap(&map, at.x(), at.y(), PinPolicy(policy));
        QCOMPARE(map.pins().size(), pins);
        QCOMPARE(map.pins().last(), QPointF(-45, -12.5));
        QCOMPARE(map.centerLatitude(), -12.5);
        QCOMPARE(map.centerLongitude(), -45.0);
        QCOMPARE(map.zoom(), MapWidget::zoomForSpan(-12.5, 0.1255, 0.234, QSize(270, 200)));
    }

    void aShortMoveGlidesAndAFarOneJumps() {
        QTemporaryDir settingsDir;
        QSettings settings(settingsDir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        MapWindow window(settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MapWidget* map = window.currentMapView;
        showOnMap(map, florenceLatitude, florenceLongitude);
        QVERIFY(!map->isGliding()); // from the world view: a jump
        showOnMap(map, florenceLatitude + 0.02, florenceLongitude);
        QVERIFY(map->isGliding());
        QCOMPARE(map->centerLatitude(), florenceLatitude + 0.02); // where it is going
        QTRY_VERIFY_WITH_TIMEOUT(!map->isGliding(), 2000);
        const QPointF centre = map->pointOf(florenceLatitude + 0.02, florenceLongitude);
        QVERIFY(std::fabs(centre.x() - map->width() / 2.0) < 1e-6);
        showOnMap(map, -33.8568, 151.2153);
        QVERIFY(!map->isGliding());
    }

    // Without tiles the map still shows the world: the land where there is
    // land, none at sea, holes and the antimeridian as they are; the tiles,
    // once they come, cover it.
    void theMapWithoutTilesDrawsTheLandAndTilesReplaceIt_data() {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("span"); // degrees of longitude; half as many of latitude
        QTest::addColumn<bool>("tiles");
        QTest::addColumn<QString>("centre"); // "land", "sea" or "tile"
        QTest::addColumn<bool>("anyLand");
        QTest::newRow("inland, offline")
            << florenceLatitude << florenceLongitude << 0.234 << false << "land" << true;
        QTest::newRow("open sea, offline") << 30.0 << -40.0 << 0.234 << false << "sea" << false;
        QTest::newRow("the world, offline") << -20.0 << -130.0 << 360.0 << false << "sea" << true;
        QTest::newRow("east of the antimeridian")
            << 66.0 << -174.0 << 0.234 << false << "land" << true;
        QTest::newRow("a country inside another")
            << -29.5 << 28.2 << 0.234 << false << "land" << true;
        QTest::newRow("inland, with tiles")
            << florenceLatitude << florenceLongitude << 0.234 << true << "tile" << false;
    }
    void theMapWithoutTilesDrawsTheLandAndTilesReplaceIt() {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, span);
        QFETCH(bool, tiles);
        QFETCH(QString, centre);
        QFETCH(bool, anyLand);
        const QColor tileColor(10, 200, 30);
        TileServer server(tileColor);
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        MapWidget map;
        map.resize(320, 240);
        map.setTileUrlTemplate(
            tiles ? server.urlTemplate()
                  : QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port));
        map.setRegion(latitude, longitude, span / 2, span);
        map.show();
        QVERIFY(QTest::qWaitForWindowExposed(&map));
        QImage shot;
        QTRY_VERIFY_WITH_TIMEOUT(
            (shot = map.grab().toImage(),
             tiles ? map.tilesShown() > 0 && !map.drawsOutline() : map.drawsOutline()),
            10000);
        // Around the centre, clear of the caption: a graticule line may cross it.
        const auto share = [&shot](QRect area, const QColor& color) {
            int matching = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    matching += shot.pixelColor(x, y) == color;
            return double(matching) / (area.width() * area.height());
        };
        const QColor expected = centre == QLatin1String("land")  ? WorldOutline::landColor()
                                : centre == QLatin1String("sea") ? WorldOutline::seaColor()
                                                                 : tileColor;
        QVERIFY2(share(QRect(150, 110, 21, 21), expected) > 0.7, qPrintable(centre));
        const double land = share(QRect(0, 30, 320, 160), WorldOutline::landColor());
        QVERIFY2(anyLand ? land > 0.05 : land == 0, qPrintable(QString::number(land)));
        // Each zoom draws what its pixels can show, not every point of the borders.
        const auto outline = WorldOutline::shared(nullptr);
        QVERIFY(outline);
        QVERIFY(outline->pointCount(1) * 20 < outline->pointCount(12));
    }

    void theEditFormSlidesInFromThePhotoViewsRightEdge() {
        MainWindowOutlets o = buildMainWindow();
        std::unique_ptr<QMainWindow> owner(o.window);
        o.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.window));
        QVERIFY(o.editView->isHidden());
        QVERIFY(o.editTemplateBtn->isHidden());
        for (QWidget* field : o.formFields())
            QVERIFY2(o.editView->isAncestorOf(field), qPrintable(field->objectName()));
        // Every outlet is the form's field of its name.
        o.forEachOutlet([&](const char* name, QWidget* outlet) {
            QVERIFY2(outlet && outlet->objectName() == QLatin1String(name) &&
                         o.formFields().contains(outlet),
                     name);
        });
        QVERIFY(!o.editView->isAncestorOf(o.currentlocalMapView));

        QPropertyAnimation* slide = slideInEditView(o.form());
        QCOMPARE(slide->duration(), 200);
        QCOMPARE(o.editView->x(), o.localphotoView->width());
        QVERIFY(o.editView->isVisible());
        const QRect rest = editViewRestingGeometry(o.form());
        QTRY_COMPARE_WITH_TIMEOUT(o.editView->pos(), rest.topLeft(), 2000);
        QCOMPARE(o.editView->size(), rest.size());
        QCOMPARE(rest.height(), o.localphotoView->height());
        // Over the summary and the tree, beside the photo and the map.
        QCOMPARE(rest.width(), o.infoPane->width());
        QVERIFY(rest.right() < o.viewPane->mapTo(o.localphotoView, QPoint(0, 0)).x());
        QVERIFY(o.editApplyBtn->isVisible());
        QVERIFY(o.editBackBtn->isVisible());
        // Shown again, it slides again from the edge.
        slideInEditView(o.form());
        QCOMPARE(o.editView->x(), o.localphotoView->width());
        QTRY_COMPARE_WITH_TIMEOUT(o.editView->pos(), rest.topLeft(), 2000);
    }

    void theConfirmationListsOldAndNewValuesAndCancelWritesNothing() {
        TestFolder folder;
        const QString nikon = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
        const QString canon = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"));
        const QString missing = folder.file(QStringLiteral("gone.jpg"));
        const QString storage = folder.file(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(storage));
        std::vector<RewriteJob> jobs;
        for (const QString& input : {nikon, missing, canon}) {
            RewriteJob job;
            job.inputPath = input;
            job.outputPath = storage + QLatin1Char('/') + QFileInfo(input).fileName();
            job.overlaySourceProperties = true;
            job.changes = {{PropertyKeys::TiffSet,
                            QVariantMap{{QStringLiteral("Make"), QStringLiteral("Tessa")}}},
                           {PropertyKeys::GpsSet,
                            QVariantMap{{PropertyKeys::LatitudeRef, QStringLiteral("S")}}}};
            jobs.push_back(job);
        }
        const QByteArray nikonBytes = fileBytes(nikon);
        QTemporaryDir settingsDir;
        QSettings settings(settingsDir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        ChangePreviewWindow window(previewJobs(jobs, workerService()), &settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const ChangePreviewModel* model = window.model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("DSCN0010.jpg"));
        QVERIFY(model->index(1, 1).data().toString().startsWith(QStringLiteral("skipped: ")));
        QCOMPARE(model->rowCount(model->index(1, 0)), 0);
        struct Row {
            int photo;
            int row;
            QString key, from, to;
        };
        const QString nikonMake = exiftoolRead(nikon).value(QLatin1String("IFD0:Make")).toString();
        const QString canonMake = exiftoolRead(canon).value(QLatin1String("IFD0:Make")).toString();
        QCOMPARE(nikonMake, QStringLiteral("NIKON"));
        // Names and values as people read them, texts quoted; the stored
        // key in the tooltip.
        const auto quoted = [](const QString& text) {
            return QStringLiteral("\u201c%1\u201d").arg(text);
        };
        const Row rows[] = {
            {0, 0, QStringLiteral("{GPS}.LatitudeRef"), QStringLiteral("North"),
             QStringLiteral("South")},
            {0, 1, QStringLiteral("{TIFF}.Make"), quoted(nikonMake), quoted("Tessa")},
            {2, 0, QStringLiteral("{GPS}.LatitudeRef"), QStringLiteral("(none)"),
             QStringLiteral("South")},
            {2, 1, QStringLiteral("{TIFF}.Make"), quoted(canonMake), quoted("Tessa")},
        };
        for (const Row& row : rows) {
            const QModelIndex key = model->index(row.row, 0, model->index(row.photo, 0));
            QCOMPARE(key.data(Qt::ToolTipRole).toString(), row.key);
            QCOMPARE(childText(model, row.photo, row.row, 1), row.from);
            QCOMPARE(childText(model, row.photo, row.row, 2), row.to);
        }
        QCOMPARE(childText(model, 0, 0, 0), QStringLiteral("Latitude Ref"));
        // With the copies of the position and the make in the first photo's XMP.
        QCOMPARE(model->rowCount(model->index(0, 0)), 4);
        QVERIFY(window.summaryLabel->text().contains(QStringLiteral("1 photo will be skipped")));

        window.dontShowAgainBox->setChecked(true);
        QTest::mouseClick(window.cancelButton, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QVERIFY(!window.isVisible());
        // Nothing written, and a cancelled question is asked again next time.
        QCOMPARE(fileBytes(nikon), nikonBytes);
        QCOMPARE(QDir(storage).entryList(QDir::Files), QStringList());
        QVERIFY(ChangePreviewWindow::isWanted(settings));
    }

    void confirmingWithDontShowAgainTurnsTheQuestionOff_data() {
        QTest::addColumn<bool>("ticked");
        QTest::newRow("ticked") << true;
        QTest::newRow("not ticked") << false;
    }
    void confirmingWithDontShowAgainTurnsTheQuestionOff() {
        QFETCH(bool, ticked);
        QTemporaryDir settingsDir;
        const QString file = settingsDir.filePath(QStringLiteral("s.ini"));
        QSettings settings(file, QSettings::IniFormat);
        QVERIFY(ChangePreviewWindow::isWanted(settings));
        ChangePreviewWindow window({}, &settings);
        window.show();
        window.dontShowAgainBox->setChecked(ticked);
        QTest::mouseClick(window.confirmButton, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QSettings reread(file, QSettings::IniFormat);
        QCOMPARE(ChangePreviewWindow::isWanted(reread), !ticked);
        QCOMPARE(reread.contains(QStringLiteral("showChangePreview")), ticked);
    }
};

int main(int argc, char** argv) {
    return runGuiTests<GpsWidgetsTest>(argc, argv);
}

#include "GpsWidgetsTest.moc"
