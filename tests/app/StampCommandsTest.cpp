#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/CommandRunner.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/PreferencesWindow.h"
#include "app/StampController.h"
#include "editing/DateStamp.h"
#include "metadata/WorkerMetadataClient.h"
#include "sources/PhotoListModel.h"
#include "support/StampInk.h"
#include "support/TestPhotos.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFontDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>

namespace {

QFont fontOf(const QString& family, qreal points) {
    QFont font(family);
    font.setPointSizeF(points);
    return font;
}

} // namespace

class StampCommandsTest : public DelegateTest {
    Q_OBJECT

private:
    QString storage() const { return m_app->storage().storagelocation; }
    QStringList storedFiles() const {
        return QDir(storage()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    void listAndSelect(const QStringList& paths, const QList<int>& rows) {
        m_app->display()->openPanelDidEnd1(1, paths);
        QItemSelection selection;
        for (int row : rows)
            selection.select(m_app->shownIndexOfRow(row),
                             m_app->shownIndexOfRow(row));
        m_app->outlets().localImageBrowserView->selectionModel()->select(
            selection, QItemSelectionModel::ClearAndSelect);
    }
    bool stampAndWait() {
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        m_app->outlets().dateStampItem->trigger();
        return finished.wait(60000);
    }

private Q_SLOTS:
    void init() { launchDelegate(); }
    void cleanup() { closeDelegate(); }

    // The menu item waits for a selection; the command itself, run without
    // one, only opens the folder.
    void anEmptySelectionWritesNothingAndOpensTheFolder() {
        listAndSelect({m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg"))}, {});
        QVERIFY(!m_app->outlets().dateStampItem->isEnabled());
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        m_app->stamp()->AddDateOnPhotoAction();
        QVERIFY(finished.wait(60000));
        QVERIFY(storedFiles().isEmpty());
        QCOMPARE(m_viewer->opened, QStringList{storage()});
        QVERIFY(m_viewer->revealed.isEmpty());
        QCOMPARE(alerts.size(), 0);
    }

    // The font, size and colour of the controller and the corner shown in the
    // preferences, confirmed or not; the unreadable and renamed photos named
    // in one message at the end.
    void theSelectedPhotosAreStampedWithThePreferencesAndTheRestNamed() {
        const QString jpeg = m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg"));
        // A HEIF cut short: its boxes read, its image data is gone.
        const QString heic =
            m_photos->writeFile(QStringLiteral("cut.HEIC"),
                                fileBytes(fixturePath(QStringLiteral("IMG_5195.HEIC"))).left(4000));
        const QString gif = m_photos->file(QStringLiteral("still.gif"));
        runTool(QStringLiteral("convert"), {fixturePath(QStringLiteral("photo.png")), gif});
        const QString unselected = m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"));
        listAndSelect({jpeg, unselected, heic, gif}, {0, 2, 3});
        m_app->stampFont().currentFontname = QStringLiteral("DejaVu Sans");
        m_app->stampFont().currentFontSize = 40;
        m_app->stampFont().currentFontColor = QColor(255, 0, 255);
        m_app->preferenceWindow()->postionBtn->setCurrentText(QStringLiteral("Upper left corner"));
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        QVERIFY(stampAndWait());

        QCOMPARE(storedFiles(),
                 (QStringList{QStringLiteral("DSCN0010.jpg"), QStringLiteral("still.jpg")}));
        QCOMPARE(m_viewer->opened, QStringList{storage()});
        const QImage photo = uprightDecode(jpeg);
        const InkBox ink =
            inkBox(photo, uprightDecode(storage() + QStringLiteral("/DSCN0010.jpg")), 64);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(40);
        QImage device(1, 1, QImage::Format_RGB32);
        const QFontMetricsF metrics(font, &device);
        QVERIFY(inkFitsTextBox(ink.box,
                               expectedTextBox(QStringLiteral("Upper left corner"),
                                               QSizeF(photo.size()),
                                               metrics.size(Qt::TextSingleLine,
                                                            QStringLiteral("2008:10:22 16:28:39"))),
                               metrics.ascent()));

        // Written, written with a note, and not written, kept apart.
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0][0].toString(), QStringLiteral("2 photos written; 1 not written."));
        const QStringList lines = alerts[0][1].toString().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("Written, with a note:"));
        QCOMPARE(lines[1], gif + QStringLiteral(": written as JPEG to ") + storage() +
                               QStringLiteral("/still.jpg: its own format cannot be written"));
        QCOMPARE(lines[2], QString());
        QCOMPARE(lines[3], QStringLiteral("Not written:"));
        QVERIFY2(lines[4].startsWith(heic + QStringLiteral(": cannot decode its pixels: ")),
                 qPrintable(lines[4]));
    }

    void aJpegCopyAloneIsNamedInTheEndMessage() {
        const QString gif = m_photos->file(QStringLiteral("still.gif"));
        runTool(QStringLiteral("convert"), {fixturePath(QStringLiteral("photo.png")), gif});
        listAndSelect({gif}, {0});
        QSignalSpy alerts(m_app, &AppDelegate::alertShown);
        QVERIFY(stampAndWait());
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0][0].toString(), QStringLiteral("1 photo written."));
        QVERIFY(alerts[0][1].toString().contains(QStringLiteral("written as JPEG to ")));
    }

    void theFontPanelStartsAtTheDefaultFontAndTheChoiceIsTruncated() {
        m_app->stampFont().currentFontname = QStringLiteral("DejaVu Serif");
        m_app->stampFont().currentFontSize = 30;
        m_app->stamp()->ShowFontPanelAction();
        QVERIFY(m_app->stampFont().fontPanel);
        QVERIFY(m_app->stampFont().fontPanel->isVisible());
        QCOMPARE(m_app->stampFont().fontPanel->currentFont().family(),
                 stampFontFamily(QStringLiteral("Lucida Grande")));
        QCOMPARE(m_app->stampFont().fontPanel->currentFont().pointSize(), 14);

        QLabel* label = m_app->preferenceWindow()->showFontlab;
        const struct {
            QFont font;
            QString name;
            int size;
            QString label;
        } cases[] = {
            {fontOf(QStringLiteral("DejaVu Sans"), 13.7), QStringLiteral("DejaVu Sans"), 13,
             QStringLiteral("DejaVu Sans 13")},
            {fontOf(QStringLiteral("DejaVu Serif"), 72.99), QStringLiteral("DejaVu Serif"), 72,
             QStringLiteral("DejaVu Serif 72")},
            // No font, or one too small to draw: nothing changes.
            {fontOf(QString(), 20), QStringLiteral("DejaVu Serif"), 72,
             QStringLiteral("DejaVu Serif 72")},
            {fontOf(QStringLiteral("DejaVu Sans"), 0.5), QStringLiteral("DejaVu Serif"), 72,
             QStringLiteral("DejaVu Serif 72")},
        };
        for (const auto& c : cases) {
            m_app->stamp()->changeFont(c.font);
            QCOMPARE(m_app->stampFont().currentFontname, c.name);
            QCOMPARE(m_app->stampFont().currentFontSize, c.size);
            QCOMPARE(label->text(), c.label);
        }

        // Picked in the panel itself; stored only on confirming, which puts the panel away.
        m_app->stampFont().fontPanel->setCurrentFont(QFont(QStringLiteral("DejaVu Sans"), 20));
        m_app->stampFont().fontPanel->accept();
        QCOMPARE(label->text(), QStringLiteral("DejaVu Sans 20"));
        QCOMPARE(m_app->stampFont().currentFontSize, 20);
        QSettings store;
        QCOMPARE(store.value(QStringLiteral("fontsize")), QVariant());
        m_app->stamp()->ShowFontPanelAction();
        QCOMPARE(m_app->stampFont().fontPanel->currentFont().pointSize(), 14);
        m_app->preferences()->ResetPreferenceSetting();
        QVERIFY(!m_app->stampFont().fontPanel->isVisible());
        QSettings confirmed;
        QCOMPARE(confirmed.value(QStringLiteral("fontsize")).toInt(), 20);
        QCOMPARE(confirmed.value(QStringLiteral("fontName")).toString(),
                 QStringLiteral("DejaVu Sans"));
        // The font button opens the panel.
        m_app->stampFont().fontPanel->hide();
        m_app->preferenceWindow()->fontButton->click();
        QVERIFY(m_app->stampFont().fontPanel->isVisible());
    }
};

int main(int argc, char** argv) {
    return runGuiTests<StampCommandsTest>(argc, argv);
}

#include "StampCommandsTest.moc"
