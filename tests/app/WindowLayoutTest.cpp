#include "GuiTestSupport.h"
#include "LayoutChecks.h"
#include "TileServer.h"
#include "app/AppDelegate.h"
#include "app/BrowserController.h"
#include "app/CameraWindow.h"
#include "app/ChangeGPSWindow.h"
#include "app/CommandBar.h"
#include "app/DateWindows.h"
#include "app/DatesController.h"
#include "app/DeviceController.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/EditFormController.h"
#include "app/EditViewLayout.h"
#include "app/GpsController.h"
#include "app/LargePhotoView.h"
#include "app/LatestPhotoDecoder.h"
#include "app/MapWidget.h"
#include "app/MapWindow.h"
#include "app/PhotoViewerWindow.h"
#include "sources/DeviceBrowser.h"
#include "sources/DeviceFixture.h"
#include "sources/PhotoBrowserModel.h"
#include "sources/PhotoListModel.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QStyle>
#include <QTcpServer>
#include <QTextDocumentFragment>

// The window under a real X server at the screen size and scale the test
// runs with: it opens at its first size where the screen has room, resizes,
// comes back as it was left, and no text of it or of its windows is cut off.
class WindowLayoutTest : public DelegateTest {
    Q_OBJECT

private:
    void listAndShow() {
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        QSignalSpy large(m_app->display(), &DisplayController::largeViewShown);
        m_app->openFiles({m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
                          m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg")),
                          m_photos->copyPhoto(QStringLiteral("Kodak_CX7530.jpg")),
                          m_photos->copyPhoto(QStringLiteral("IMG_5195.HEIC"))});
        QVERIFY(shown.wait(10000) || !shown.isEmpty());
        QVERIFY(large.wait(10000) || !large.isEmpty());
        QVERIFY(!o().localPhotoImageView->photo().isNull());
    }

    void expectNothingClipped(QWidget* window, const QString& what) {
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::qWait(100);
        const QStringList clipped = clippedTexts(window);
        QVERIFY2(clipped.isEmpty(),
                 qPrintable(what + QStringLiteral(": ") + clipped.join(QStringLiteral("; "))));
    }

private Q_SLOTS:
    // Each test opens the window as at its first launch, whatever size the
    // test before left it at.
    void init() {
        QSettings().remove(QStringLiteral("window"));
        launchDelegate();
    }
    void cleanup() { closeDelegate(); }

    void theWindowOpensAtItsFirstSizeResizesAndComesBackAsItWasLeft() {
        QMainWindow* window = o().window;
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect screen = window->screen()->availableGeometry();
        QCOMPARE(window->size(), QSize(900, 752).boundedTo(screen.size() - QSize(16, 48)));
        QVERIFY(screen.contains(window->frameGeometry().center()));
        QVERIFY(window->minimumSize() != window->maximumSize());
        QVERIFY(window->minimumSizeHint().width() <= std::min(900, screen.width()));
        screenshot(QStringLiteral("first-launch"));

        const QSize wanted = QSize(1000, 640).boundedTo(screen.size() - QSize(40, 60));
        window->resize(wanted);
        QTRY_COMPARE(window->size(), wanted);
        QList<int> sizes = o().mainSplitter->sizes();
        sizes[0] += 40;
        sizes[1] -= 40;
        o().mainSplitter->setSizes(sizes);
        QCoreApplication::processEvents();
        const QList<int> left = o().mainSplitter->sizes();

        // The date window opens at its own size, the fields' room, and
        // comes back at the size the user left it.
        const auto openDates = [this] {
            listAndShow();
            QSignalSpy filled(m_app->dates(), &DatesController::dateWindowFilled);
            m_app->dates()->ChangeDateExifFromPhoto();
            return filled.wait(10000) && m_app->changeDateWindow()->isVisible();
        };
        QVERIFY(openDates());
        ChangeDateWindow* dates = m_app->changeDateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(dates));
        QCOMPARE(dates->size(), dates->sizeHint().expandedTo(dates->minimumSizeHint()));
        const QSize datesWanted = dates->size() + QSize(120, 40);
        dates->resize(datesWanted);
        QTRY_COMPARE(dates->size(), datesWanted);
        dates->hide();

        closeDelegate();
        launchDelegate();
        QVERIFY(QTest::qWaitForWindowExposed(o().window));
        QTRY_COMPARE(o().window->size(), wanted);
        QCOMPARE(o().mainSplitter->sizes(), left);
        QVERIFY(openDates());
        QTRY_COMPARE(m_app->changeDateWindow()->size(), datesWanted);
    }

    // The large views are decoded for the screen's own pixels at any scale,
    // a photo stored on its side too, and drawn pixel for pixel. The photo a
    // step on is decoded while this one is looked at, so that the step shows
    // it at once; a few frames are kept however far the steps go, and a
    // photo changed since its frame was made is decoded anew.
    void theLargeViewsAreSharpAtTheScreensScaleAndStepAtOnce() {
        // Two shared photos, read where they lie: nothing writes them.
        const QString large = sharedPhoto(QStringLiteral("jpg/mobile/jolla.jpg"));
        const QString sideways = sharedPhoto(QStringLiteral("jpg/hdr/canon_hdr_NO.jpg"));
        if (large.isEmpty() || sideways.isEmpty())
            QSKIP("the shared photos are not here");
        const struct {
            QString path;
            QSize upright;
        } photos[] = {
            {large, {3264, 2448}},
            {sideways, {1536, 2048}},
            {m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")), {640, 480}},
            {m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg")), {100, 68}},
            {m_photos->copyPhoto(QStringLiteral("no_exif.jpg")), {322, 466}},
        };
        QStringList paths;
        for (const auto& photo : photos)
            paths << photo.path;
        m_app->openFiles(paths);
        LargePhotoView* view = o().localPhotoImageView;
        QTRY_COMPARE_WITH_TIMEOUT(view->shownPath(), paths[0], 10000);
        QListView* browser = o().localImageBrowserView;
        browser->setFocus();
        const LatestPhotoDecoder* decoder = m_app->display()->largeViewDecoder();
        const auto fitted = [](QSize photo, QSize pixels) {
            return photo.scaled(pixels, Qt::KeepAspectRatio).boundedTo(photo);
        };
        int stepsAtOnce = 0;
        for (int i = 1; i < int(paths.size()); ++i) {
            // Decoded ahead, it shows at once; on a machine too busy to decode
            // ahead in time it shows when its decode ends.
            const bool atOnce =
                QTest::qWaitFor([&] { return decoder->holds(paths[i], view->pixelSize()); }, 20000);
            stepsAtOnce += atOnce;
            QTest::keyClick(browser, Qt::Key_Right);
            if (atOnce)
                QCOMPARE(view->shownPath(), paths[i]);
            QTRY_COMPARE_WITH_TIMEOUT(view->shownPath(), paths[i], 20000);
            QCOMPARE(view->photo().size(), fitted(photos[i].upright, view->pixelSize()));
            QVERIFY(decoder->framesHeld() <= LatestPhotoDecoder::framesKept);
            if (i == 1)
                screenshot(QStringLiteral("large-view"));
        }
        QVERIFY(stepsAtOnce > 0);
        QCOMPARE(view->pixelSize(), view->size() * view->devicePixelRatio());

        // Canon_40D.jpg's frame is kept; its file now holds another photo.
        const QString changed = paths[3];
        QVERIFY(decoder->holds(changed, view->pixelSize()));
        QVERIFY(QFile::remove(changed));
        QVERIFY(QFile::copy(fixturePath(QStringLiteral("BlueSquare.jpg")), changed));
        QTest::keyClick(browser, Qt::Key_Left);
        QTRY_COMPARE_WITH_TIMEOUT(view->photo().size(), fitted({360, 216}, view->pixelSize()),
                                  10000);

        // The window of the photo decodes for the whole screen it is on.
        QTest::keyClick(browser, Qt::Key_Return);
        PhotoViewerWindow* viewer = m_app->display()->photoViewer();
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        // Its keys are shortcuts, which only an active window takes.
        viewer->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(viewer));
        QTest::keyClick(viewer, Qt::Key_Home);
        QTRY_COMPARE_WITH_TIMEOUT(viewer->view()->shownPath(), paths[0], 10000);
        const QSize screen = viewer->screen()->size() * viewer->screen()->devicePixelRatio();
        QCOMPARE(viewer->view()->photo().size(),
                 fitted(photos[0].upright, screen.expandedTo(viewer->view()->pixelSize())));
        screenshot(QStringLiteral("photo-window"));
        viewer->close();
    }

    // The map window shows the world without tiles and the tiles over it,
    // its texts whole at either scale, and opens again where it was left.
    void theMapWindowDrawsTheWorldWithoutTilesAndKeepsItsPlace() {
        listAndShow();
        MapWidget* map = m_app->gps()->mapWindow()->currentMapView;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        map->setTileUrlTemplate(QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port));
        m_app->gps()->ShowMapAction();
        MapWindow* window = m_app->gps()->mapWindow();
        expectNothingClipped(window, QStringLiteral("map window"));
        QTRY_VERIFY_WITH_TIMEOUT(map->isOffline() && map->drawsOutline(), 10000);
        screenshot(QStringLiteral("map-offline"));
        map->setRegion(44, 10, 30, 60);
        QTRY_VERIFY(map->drawsOutline());
        screenshot(QStringLiteral("map-offline-europe"));
        TileServer server(QColor(120, 190, 140));
        map->setTileUrlTemplate(server.urlTemplate());
        m_app->gps()->ShowMapAction();
        QTRY_VERIFY_WITH_TIMEOUT(map->tilesShown() > 0 && !map->drawsOutline(), 10000);
        screenshot(QStringLiteral("map-tiles"));

        const QSize left = window->size() + QSize(60, 40);
        window->resize(left);
        QTRY_COMPARE(window->size(), left);
        window->close();
        closeDelegate();
        launchDelegate();
        listAndShow();
        m_app->gps()->ShowMapAction();
        QVERIFY(QTest::qWaitForWindowExposed(m_app->gps()->mapWindow()));
        QTRY_COMPARE(m_app->gps()->mapWindow()->size(), left);
    }

    // At any width the window can have, every command of the bar is on it,
    // whole and apart from the others: with its title where all the titles
    // fit, else as a picture whose tooltip starts with the title.
    void theCommandBarShowsEveryCommandAtEveryWidth_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("first size") << 900;
        QTest::newRow("screen wide") << 4000;
        QTest::newRow("narrowest") << 0;
    }
    void theCommandBarShowsEveryCommandAtEveryWidth() {
        QFETCH(int, width);
        QMainWindow* window = o().window;
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect screen = window->screen()->availableGeometry();
        window->resize(std::clamp(width, window->minimumSizeHint().width(), screen.width() - 16),
                       window->height());
        QTest::qWait(100);
        CommandBar* bar = o().commandBar;
        const QList<QAbstractButton*> buttons = bar->findChildren<QAbstractButton*>();
        QCOMPARE(buttons.size(), 8);
        QCOMPARE(bar->showsTitles(), bar->width() >= bar->titledWidth());
        QRect previous;
        for (QAbstractButton* button : buttons) {
            QVERIFY2(button->isVisible(), qPrintable(button->objectName()));
            QVERIFY2(bar->rect().contains(button->geometry()), qPrintable(button->objectName()));
            QVERIFY2(!button->geometry().intersects(previous), qPrintable(button->objectName()));
            previous = button->geometry();
            QVERIFY(!button->accessibleName().isEmpty());
            if (!bar->showsTitles())
                QVERIFY2(button->toolTip().startsWith(button->accessibleName()),
                         qPrintable(button->toolTip()));
            else
                QCOMPARE(button->text(), button->accessibleName());
        }
        screenshot(QStringLiteral("command-bar-%1").arg(window->width()));
    }

    void noTextIsCutOffInTheWindowTheFormTheGpsWindowOrTheCameraWindow() {
        listAndShow();
        expectNothingClipped(o().window, QStringLiteral("main window"));
        screenshot(QStringLiteral("main-window"));

        // The whole screen's room, as a maximised window has it.
        o().window->setGeometry(o().window->screen()->availableGeometry().adjusted(0, 30, 0, 0));
        QTest::qWait(200);
        expectNothingClipped(o().window, QStringLiteral("main window filling the screen"));
        screenshot(QStringLiteral("main-window-large"));
        o().window->resize(QSize(900, 752).boundedTo(
            o().window->screen()->availableGeometry().size() - QSize(16, 48)));

        m_app->editForm()->StartEditViewAction();
        QTRY_COMPARE_WITH_TIMEOUT(o().editView->pos(),
                                  editViewRestingGeometry(o().form()).topLeft(), 2000);
        o().localImageBrowserView->selectAll();
        QSignalSpy compared(m_app->display(), &DisplayController::formCompared);
        QVERIFY(compared.wait(10000));
        expectNothingClipped(o().window, QStringLiteral("edit form"));
        screenshot(QStringLiteral("edit-form"));

        QSignalSpy opened(m_app->gps(), &GpsController::gpsWindowShown);
        m_app->gps()->AddGPSExifDataPhoto();
        QVERIFY(opened.wait(10000));
        ChangeGPSWindow* gps = m_app->gps()->changeGPSWindow();
        gps->dateStamplab->clear();
        gps->timeStamplab->clear();
        expectNothingClipped(gps, QStringLiteral("GPS window"));
        screenshot(QStringLiteral("gps-window"));
        gps->cancelButton->click();

        CameraWindow* camera = m_app->cameraWindow();
        camera->show();
        expectNothingClipped(camera, QStringLiteral("camera window"));
        QVERIFY(camera->openHint->isVisible());
        screenshot(QStringLiteral("camera-window"));
        camera->hide();

        // With a camera's files listed: their names read in the window's colours.
        DeviceFixture device;
        qputenv("TESSAVIEW_EXTRA_CAMERA_PORTS", device.port().toUtf8());
        QSignalSpy scanned(m_app->deviceBrowser(), &DeviceBrowser::didScan);
        m_app->deviceBrowser()->rescan();
        QVERIFY(scanned.wait(10000));
        m_app->device()->ChangeToImportiOSDevicePhoto();
        camera->opendeviceBtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_app->cameItemArray()->rowCount(), 7, 20000);
        QTest::qWait(500); // the thumbnails
        expectNothingClipped(camera, QStringLiteral("camera window with files"));
        screenshot(QStringLiteral("camera-window-files"));
        qunsetenv("TESSAVIEW_EXTRA_CAMERA_PORTS");
        camera->hide();

        for (QDialog* dates : std::initializer_list<QDialog*>{m_app->changeDateWindow(),
                                                              m_app->changeMutiDateWindow()}) {
            dates->show();
            expectNothingClipped(dates, dates->objectName());
            screenshot(dates->objectName());
            dates->hide();
        }
    }
};

int runBrowserLayoutTests(int argc, char** argv);

// Starts an X server of the test's own at the screen size given, then runs
// the tests on it; without Xvfb the tests are skipped with a message.
int main(int argc, char** argv) {
    QTemporaryDir home;
    useHome(home);
    QProcess xvfb;
    const QString screen = qEnvironmentVariable("TV_SCREEN", QStringLiteral("1280x800"));
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), screen + QStringLiteral("x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    QString display;
    if (xvfb.waitForStarted(5000) && xvfb.waitForReadyRead(10000))
        display = QString::fromLatin1(xvfb.readLine()).trimmed();
    if (display.isEmpty()) {
        std::printf("SKIP   : WindowLayoutTest: Xvfb could not be started here "
                    "(install the xvfb package); the layout is not checked\n");
        return 0;
    }
    qputenv("DISPLAY", (QStringLiteral(":") + display).toUtf8());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int status = 0;
    {
        QApplication application(argc, argv);
        QApplication::setOrganizationName(QStringLiteral("Tessaview"));
        QApplication::setApplicationName(QStringLiteral("Tessaview"));
        // A dark desktop, where asked: the window takes its colours from it.
        if (qEnvironmentVariableIsSet("TV_DARK")) {
            QPalette dark;
            dark.setColor(QPalette::Window, QColor(45, 45, 48));
            dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
            dark.setColor(QPalette::Base, QColor(30, 30, 32));
            dark.setColor(QPalette::AlternateBase, QColor(40, 40, 44));
            dark.setColor(QPalette::Text, QColor(230, 230, 230));
            dark.setColor(QPalette::Button, QColor(55, 55, 60));
            dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
            dark.setColor(QPalette::Highlight, QColor(42, 110, 190));
            dark.setColor(QPalette::HighlightedText, Qt::white);
            dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
            QApplication::setPalette(dark);
        }
        status = runTestObject<WindowLayoutTest>(argc, argv) + runBrowserLayoutTests(argc, argv);
        if (testObjectsRun() == 0) {
            WindowLayoutTest test;
            status = QTest::qExec(&test, argc, argv);
        }
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return status;
}

#include "WindowLayoutTest.moc"
