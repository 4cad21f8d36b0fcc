#include "GuiTestSupport.h"
#include "TileServer.h"
#include "app/AboutWindow.h"
#include "app/AppDelegate.h"
#include "app/BuildSettings.h"
#include "app/ChromeController.h"
#include "app/CommandLine.h"
#include "app/CommandRunner.h"
#include "app/DropTargets.h"
#include "app/PRClosedButton.h"
#include "app/PRProgressView.h"
#include "app/PRUpdateController.h"
#include "app/RemovalController.h"
#include "app/StatusReport.h"
#include "app/UpdateWindows.h"
#include "metadata/WorkerMetadataClient.h"
#include "sources/PhotoListModel.h"
#include "support/TestPhotos.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTextDocumentFragment>

// The main window's own behaviour around the commands: the exit
// confirmation, the photos named at start-up, the status line after a
// command, the Help menu and the menu bar's shortcuts.
class ChromeWindowTest : public DelegateTest {
    Q_OBJECT

private:
    ChromeController* chrome() const { return m_app->chrome(); }
    QMessageBox* exitBox() const { return chrome()->exitConfirmation(); }

private Q_SLOTS:
    void init() { launchDelegate(); }
    void cleanup() {
        if (exitBox())
            exitBox()->close();
        closeDelegate();
    }

    void closingAsksFirst_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("ends");
        for (const char* how : {"window close", "quit item", "close button"}) {
            QTest::addRow("%s, cancel", how) << how << "Cancel" << false;
            QTest::addRow("%s, exit", how) << how << " Exit " << true;
        }
    }
    void closingAsksFirst() {
        QFETCH(QString, how);
        QFETCH(QString, answer);
        QFETCH(bool, ends);
        int terminated = 0;
        chrome()->terminate = [&terminated] { ++terminated; };
        QMainWindow* window = m_app->outlets().window;
        PRClosedButton* closeButton = new PRClosedButton(window);
        ChromeButtons buttons;
        buttons.closedButton = closeButton;
        chrome()->attach(buttons);
        if (how == QLatin1String("window close")) {
            window->close();
        } else if (how == QLatin1String("quit item")) {
            window->findChild<QAction*>(QStringLiteral("quitItem"))->trigger();
        } else {
            closeButton->show();
            QTest::mousePress(closeButton, Qt::LeftButton);
            QCOMPARE(closeButton->picture(), QStringLiteral("Close_Nom.png"));
        }
        QMessageBox* box = exitBox();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->text(), QStringLiteral("Are you sure you want to Exit ?"));
        QCOMPARE(box->informativeText(), QString());
        QStringList titles;
        for (QAbstractButton* button : box->buttons())
            titles << button->text();
        titles.sort();
        QCOMPARE(titles, (QStringList{" Exit ", "Cancel"}));
        QVERIFY(window->isVisible()); // nothing closes while it asks
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == answer)
                button->click();
        }
        QTRY_VERIFY(!exitBox());
        QCOMPARE(terminated, ends ? 1 : 0);
        QCOMPARE(window->isVisible(), !ends);
    }

    void photosNamedAtStartUpAreListed() {
        m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("a.jpg"));
        m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg"), QStringLiteral("b.jpg"));
        QStringList missing;
        const QStringList paths = photoArguments(
            {"a.jpg", QUrl::fromLocalFile(m_photos->file("b.jpg")).toString(), "c.jpg", "."},
            m_photos->path(), &missing);
        QCOMPARE(paths, (QStringList{m_photos->file("a.jpg"), m_photos->file("b.jpg")}));
        QCOMPARE(missing, (QStringList{"c.jpg", "."}));
        m_app->openFiles(paths);
        QCOMPARE(m_app->localPhotoItemArray()->rowCount(), 2);
        QCOMPARE(m_app->localPhotoItemArray()->items()[0].fileName, QStringLiteral("a.jpg"));
        QCOMPARE(m_app->localPhotoItemArray()->items()[1].fileName, QStringLiteral("b.jpg"));
        QVERIFY(m_app->outlets().localImageBrowserView->isVisible());
    }

    void theStatusLineSaysWhatTheLastCommandDid_data() {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<int>("notRun");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("text");
        const QString home = QDir::homePath();
        QTest::newRow("several") << 3 << 1 << 0 << home + "/Pictures/Tessaview"
                                 << "3 photos written to ~/Pictures/Tessaview, 1 skipped";
        QTest::newRow("one") << 1 << 0 << 0 << home + "/Pictures"
                             << "1 photo written to ~/Pictures";
        QTest::newRow("none") << 0 << 2 << 0 << home << "No photos written, 2 skipped";
        QTest::newRow("cancelled") << 2 << 0 << 3 << "/srv/photos"
                                   << "2 photos written to /srv/photos, 3 left as they were "
                                      "(cancelled)";
        QTest::newRow("home itself") << 2 << 0 << 0 << home << "2 photos written to ~";
        QTest::newRow("a home-like neighbour") << 1 << 0 << 0 << home + "x/p"
                                               << "1 photo written to " + home + "x/p";
    }
    void theStatusLineSaysWhatTheLastCommandDid() {
        QFETCH(int, written);
        QFETCH(int, skipped);
        QFETCH(int, notRun);
        QFETCH(QString, folder);
        QFETCH(QString, text);
        OperationReport report;
        for (int i = 0; i < written; ++i)
            report.written << folder + QStringLiteral("/p%1.jpg").arg(i);
        for (int i = 0; i < skipped; ++i)
            report.skipped.append({QStringLiteral("s%1.jpg").arg(i), QStringLiteral("unreadable")});
        report.notRun = notRun;
        QCOMPARE(reportStatusText(report, folder), text);
    }

    void aRemovalEndsWithItsLineAndALinkToItsFolder() {
        const QString storage = QDir::homePath() + QStringLiteral("/Pictures/Tessaview test");
        QDir().mkpath(storage);
        m_app->storage().storagelocation = storage;
        const QStringList paths = {
            m_photos->copyPhoto(QStringLiteral("DSCN0010.jpg")),
            m_photos->copyPhoto(QStringLiteral("Canon_40D.jpg")),
            m_photos->writeFile(QStringLiteral("broken.jpg"), "not a photo")};
        m_app->openFiles(paths);
        m_app->outlets().localImageBrowserView->selectAll();
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        m_app->removal()->RemoveGPSDataFromPhoto();
        // Long batches show their progress in the rounded bar.
        QProgressDialog* dialog = m_app->commandRunner()->progressDialog();
        QVERIFY(dialog && dialog->findChild<PRProgressView*>());
        // Counted: "Removing metadata…", then "n of 3".
        QVERIFY2(dialog->labelText().endsWith(QStringLiteral(" of 3")),
                 qPrintable(dialog->labelText()));
        QVERIFY(finished.wait(60000));
        QCOMPARE(exiftoolRead(storage + QStringLiteral("/NoGPS_DSCN0010.jpg"))
                     .contains(QStringLiteral("GPS:GPSLatitude")),
                 false);
        QLabel* status = chrome()->statusLabel();
        QCOMPARE(QTextDocumentFragment::fromHtml(status->text()).toPlainText(),
                 QStringLiteral("2 photos written to ~/Pictures/Tessaview test, 1 skipped"));
        QVERIFY(status->text().contains(QStringLiteral("<a href")));
        m_viewer->opened.clear();
        Q_EMIT status->linkActivated(QStringLiteral("folder"));
        QCOMPARE(m_viewer->opened, QStringList{storage});
    }

    void theHelpMenuReachesAboutSupportAndTheUpdateCheck() {
        QUrl opened;
        chrome()->openUrl = [&opened](const QUrl& url) { opened = url; };
        QMainWindow* window = m_app->outlets().window;
        window->findChild<QAction*>(QStringLiteral("supportItem"))->trigger();
        QCOMPARE(opened, QUrl(BuildSettings::supportUrl()));
        window->findChild<QAction*>(QStringLiteral("aboutItem"))->trigger();
        QVERIFY(chrome()->aboutWindow()->isVisible());
        QVERIFY(chrome()->aboutWindow()->text().contains(m_app->storage().storagelocation));
        QVERIFY(window->findChild<QAction*>(QStringLiteral("CheckforUpdateAction")));
    }

    void theMenuBarCarriesTheStandardShortcuts_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("item");
        QTest::newRow("open") << "Ctrl+O"
                              << "Import Photos…";
        QTest::newRow("quit") << "Ctrl+Q"
                              << "Quit";
        QTest::newRow("preferences") << "Ctrl+,"
                                     << "Preferences…";
        QTest::newRow("help") << "F1"
                              << "Tessaview Support";
        QTest::newRow("copy") << "Ctrl+C"
                              << "Copy";
        QTest::newRow("select all") << "Ctrl+A"
                                    << "Select All";
        QTest::newRow("deselect") << "Ctrl+Shift+A"
                                  << "Deselect";
        QTest::newRow("full screen") << "F11"
                                     << "Full Screen";
        QTest::newRow("edit fields") << "Ctrl+E"
                                     << "Edit Fields…";
    }
    void theMenuBarCarriesTheStandardShortcuts() {
        QFETCH(QString, keys);
        QFETCH(QString, item);
        QStringList found;
        for (QAction* action : m_app->outlets().window->menuBar()->actions()) {
            if (!action->menu())
                continue;
            for (QAction* entry : action->menu()->actions()) {
                if (entry->shortcuts().contains(QKeySequence(keys)))
                    found << entry->text().remove(QLatin1Char('&'));
            }
        }
        QCOMPARE(found, QStringList{item});
    }

    // Alt and a letter reach every menu and, in it, every item; no two
    // share a letter unless all of one's letters are taken; F11 fills the
    // screen and leaves it again.
    void everyMenuAndItemHasALetterOfItsOwn() {
        QMainWindow* window = m_app->outlets().window;
        const auto letterOf = [](const QAction* action) -> QChar {
            const QString text = action->text();
            const qsizetype at = text.indexOf(QLatin1Char('&'));
            return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
        };
        QSet<QChar> menus;
        for (QAction* menu : window->menuBar()->actions()) {
            const QChar letter = letterOf(menu);
            QVERIFY2(!letter.isNull() && !menus.contains(letter), qPrintable(menu->text()));
            menus.insert(letter);
            QSet<QChar> items;
            QSet<QChar> taken;
            for (QAction* item : menu->menu()->actions())
                taken.insert(letterOf(item));
            for (QAction* item : menu->menu()->actions()) {
                if (item->isSeparator())
                    continue;
                const QChar mine = letterOf(item);
                bool allTaken = true;
                for (const QChar c : item->text())
                    allTaken = allTaken && (!c.isLetterOrNumber() || taken.contains(c.toLower()));
                QVERIFY2(!mine.isNull() && (!items.contains(mine) || allTaken),
                         qPrintable(menu->text() + QStringLiteral(": ") + item->text()));
                items.insert(mine);
            }
        }
        QVERIFY(menus.contains(QLatin1Char('e')));
        QCOMPARE(m_app->outlets().importandExportMenu->title().count(QLatin1Char('&')), 1);

        auto* fullScreen = window->findChild<QAction*>(QStringLiteral("fullScreenItem"));
        fullScreen->trigger();
        QVERIFY(window->isFullScreen());
        fullScreen->trigger();
        QVERIFY(!window->isFullScreen());
    }

    void theFormsButtonsSlideTheFormInAndOut() {
        const MainWindowOutlets& o = m_app->outlets();
        QVERIFY(!o.editView->isVisible());
        QTest::mousePress(o.localeditexifBtn, Qt::LeftButton);
        QTRY_VERIFY(o.editView->isVisible());
        o.artistlab->setText(QStringLiteral("kept"));
        QTest::mousePress(o.editBackBtn, Qt::LeftButton);
        QVERIFY(!o.editView->isVisible());
        QCOMPARE(o.artistlab->text(), QStringLiteral("kept"));
        QCOMPARE(o.editBackBtn->picture(), QStringLiteral("backdown.png"));
        QTest::mousePress(o.localeditexifBtn, Qt::LeftButton);
        QTRY_VERIFY(o.editView->isVisible());
        QCOMPARE(o.localeditexifBtn->picture(), QStringLiteral("editexifnom.png"));
    }

    void theUpdateCheckRunsFromTheHelpMenu() {
        TileServer server(Qt::white);
        TileServer::Answer answer;
        answer.body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
                      "<key>lastestVersion</key><string>99.0</string>"
                      "<key>WhatsNew</key><string>Everything.</string></dict></plist>";
        server.setAnswer(answer);
        QSettings().setValue(QStringLiteral("updateURL"),
                             server.url(QStringLiteral("/product/orvicamVersion.plist")));
        PRUpdateController* update = chrome()->updateController();
        QSignalSpy finished(update, &PRUpdateController::checkFinished);
        m_app->outlets()
            .window->findChild<QAction*>(QStringLiteral("CheckforUpdateAction"))
            ->trigger();
        QVERIFY(finished.wait(5000));
        QSettings().remove(QStringLiteral("updateURL"));
        QVERIFY(update->updateWindow()->isVisible());
        QCOMPARE(update->updateWindow()->newversionlab->text(),
                 QStringLiteral("Quillmar Tessaview 99.0 is available."));
        QCOMPARE(update->currentVersion, QStringLiteral(TESSAVIEW_VERSION));
    }
};

int main(int argc, char** argv) {
    return runGuiTests<ChromeWindowTest>(argc, argv);
}

#include "ChromeWindowTest.moc"
