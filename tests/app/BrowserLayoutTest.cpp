#include "GuiTestSupport.h"
#include "LayoutChecks.h"
#include "app/AppDelegate.h"
#include "app/BrowserController.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "sources/PhotoBrowserModel.h"
#include "sources/PhotoListModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QStyle>

// The browser under the layout test's X server: its grid at any width, and
// the list as it filters, sorts, marks and lets go of photos.
class BrowserLayoutTest : public DelegateTest {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QSettings().remove(QStringLiteral("window")); // the first launch's size
        launchDelegate();
    }
    void cleanup() { closeDelegate(); }

    // A larger window gives the browser more columns, and the columns share
    // the pane's width whatever it is: right of the first row no more than
    // a scroll bar's room is left.
    void theBrowserGridFillsItsPaneAsTheWindowGrows() {
        QStringList photos = {
            photo(QStringLiteral("DSCN0010.jpg")), photo(QStringLiteral("Canon_40D.jpg")),
            photo(QStringLiteral("Kodak_CX7530.jpg")), photo(QStringLiteral("IMG_5195.HEIC"))};
        for (int i = 0; i < 16; ++i)
            photos << photo(QStringLiteral("Nikon_D70.jpg"), QStringLiteral("more%1.jpg").arg(i));
        QSignalSpy large(m_app->display(), &DisplayController::largeViewShown);
        QVERIFY(showAndWait(photos));
        QVERIFY(large.wait(10000) || !large.isEmpty());
        NSDragImageBrowserView* browser = o().localImageBrowserView;
        const QRect screen = o().window->screen()->availableGeometry();
        const auto columns = [browser] {
            const int top = browser->visualRect(browser->model()->index(0, 0)).top();
            int shown = 0;
            while (browser->visualRect(browser->model()->index(shown, 0)).top() == top)
                ++shown;
            return shown;
        };
        const auto spread = [&] {
            QTest::qWait(50);
            const int room = browser->viewport()->width() - columns() * browser->gridSize().width();
            const int bar = browser->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
            QVERIFY(browser->gridSize().width() >= browser->cellSize().width());
            QVERIFY2(
                room <= bar + 5 + columns(),
                qPrintable(
                    QStringLiteral("%1 left of %2").arg(room).arg(browser->viewport()->width())));
        };
        spread();
        const int atFirstSize = columns();
        o().window->resize(screen.size() - QSize(16, 48));
        QTest::qWait(200);
        spread();
        if (screen.width() >= 1400)
            QVERIFY(columns() > atFirstSize);
        QList<int> sizes = o().mainSplitter->sizes();
        sizes[0] += browser->cellSize().width();
        sizes[1] -= browser->cellSize().width();
        o().mainSplitter->setSizes(sizes);
        QTest::qWait(100);
        spread();
        screenshot(QStringLiteral("browser-wide"));
    }

    // The browser narrows and orders the list by what it read of each photo
    // off the GUI thread, marks positions and unreadable files, names the
    // folder of a name listed twice, and Delete takes photos off the list
    // only: the commands then work on the photos the user sees selected.
    void theBrowserFiltersSortsMarksAndTakesPhotosOffTheList() {
        QDir().mkpath(m_photos->file(QStringLiteral("other")));
        const QStringList paths = {
            m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
            m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg")),
            m_photos->copyPhoto(QStringLiteral("Kodak_CX7530.jpg")),
            m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"),
                                QStringLiteral("other/Canon_40D.jpg")),
            m_photos->copyPhoto(QStringLiteral("no_exif.jpg")),
            m_photos->copyPhoto(QStringLiteral("riff-idit-chunk-overflow.fuzzed"),
                                QStringLiteral("broken.jpg"))};
        m_app->openFiles(paths);
        PhotoListModel* list = m_app->localPhotoItemArray();
        QTRY_VERIFY_WITH_TIMEOUT(
            [list] {
                for (int row = 0; row < list->rowCount(); ++row)
                    if (!list->factsAt(row))
                        return false;
                return true;
            }(),
            20000);
        QTest::qWait(400); // the filter takes the last facts in
        const auto roleOf = [list](int row, int role) { return list->index(row).data(role); };
        QCOMPARE(roleOf(0, PhotoListModel::PositionRole).toBool(), true);
        QCOMPARE(roleOf(1, PhotoListModel::PositionRole).toBool(), false);
        QCOMPARE(roleOf(5, PhotoListModel::UnreadableRole).toBool(), true);
        QCOMPARE(roleOf(0, PhotoListModel::UnreadableRole).toBool(), false);
        QCOMPARE(roleOf(3, PhotoListModel::TitleRole).toString(),
                 QStringLiteral("other/Canon_40D.jpg"));
        QVERIFY(roleOf(0, PhotoListModel::TitleRole).toString() == QStringLiteral("DSCN0010.jpg"));
        QVERIFY(roleOf(3, Qt::ToolTipRole)
                    .toString()
                    .contains(m_photos->file(QStringLiteral("other"))));

        QAction* const positions[] = {o().anyPositionItem, o().withPositionItem,
                                      o().withoutPositionItem};
        const struct {
            const char* what;
            const char* text;
            int position;     // any, with, without
            const char* days; // "from to", given to the window backwards; none where empty
            int order;        // as listed, name, date taken, folder
            QList<int> shown; // list rows, in the browser's order
        } cases[] = {
            {"all, as listed", "", 0, "", 0, {0, 1, 2, 3, 4, 5}},
            {"a name", "canon", 0, "", 0, {1, 3}},
            {"a camera", "coolpix", 0, "", 0, {0}},
            {"a folder", "other", 0, "", 0, {3}},
            {"each word somewhere", "40D other", 0, "", 0, {3}},
            {"with a position", "", 1, "", 0, {0, 2}},
            {"without one, the unreadable left out", "", 2, "", 0, {1, 3, 4}},
            {"a name with a position", "kodak", 1, "", 0, {2}},
            {"taken in 2008", "", 0, "2008-01-01 2008-12-31", 0, {0, 1, 3}},
            {"one day", "", 0, "2008-05-30 2008-05-30", 0, {1, 3}},
            {"by name", "", 0, "", 1, {5, 1, 3, 0, 2, 4}},
            // no_exif.jpg has an XMP date of 2013
            {"by date taken, the undated last", "", 0, "", 2, {2, 1, 3, 0, 4, 5}},
            {"by folder", "", 0, "", 3, {5, 1, 0, 2, 4, 3}},
            {"filtered and ordered", "canon", 0, "", 3, {1, 3}},
        };
        PhotoBrowserModel* shown = m_app->browser()->browserModel();
        for (const auto& c : cases) {
            const QStringList days = QString::fromLatin1(c.days).split(QLatin1Char(' '));
            const auto day = [&days](int i) {
                return days.size() == 2 ? QDate::fromString(days[i], Qt::ISODate)
                                        : QDate(2000, 1, 1);
            };
            o().photoFilterField->setText(QString::fromUtf8(c.text));
            positions[c.position]->setChecked(true);
            o().takenBetweenBox->setChecked(days.size() == 2);
            o().takenFromEdit->setDate(day(1));
            o().takenToEdit->setDate(day(0));
            o().photoOrderBox->setCurrentIndex(c.order);
            QList<int> rows;
            for (int row = 0; row < shown->rowCount(); ++row)
                rows << listRowOf(shown->index(row, 0));
            QVERIFY2(rows == c.shown, c.what);
        }
        screenshot(QStringLiteral("browser-filtered"));

        // Filtered to the two of the same name and ordered by folder: the
        // second shown is the one in "other", and the commands see that one.
        o().localImageBrowserView->selectionModel()->select(shown->index(1, 0),
                                                            QItemSelectionModel::ClearAndSelect);
        const auto selected = m_app->selection()->selectedPhotos(SourceMode::Computer);
        QCOMPARE(selected.size(), size_t(1));
        QCOMPARE(selected.front().inputPath, paths[3]);
        o().localImageBrowserView->setFocus();
        QTest::keyClick(o().localImageBrowserView, Qt::Key_Delete);
        QCOMPARE(list->rowCount(), 5);
        QVERIFY(QFile::exists(paths[3]));
        QCOMPARE(roleOf(1, PhotoListModel::TitleRole).toString(), QStringLiteral("Canon_40D.jpg"));
        // The one left of the two takes the selection.
        QCOMPARE(m_app->selection()->selectedPhotos(SourceMode::Computer).front().inputPath,
                 paths[1]);
        o().photoFilterField->clear();
        o().photoOrderBox->setCurrentIndex(0);
    }
};

int runBrowserLayoutTests(int argc, char** argv) {
    return runTestObject<BrowserLayoutTest>(argc, argv);
}

#include "BrowserLayoutTest.moc"
