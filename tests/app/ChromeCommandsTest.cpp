#include "GuiTestSupport.h"
#include "app/AboutWindow.h"
#include "app/AppDelegate.h"
#include "app/BuildSettings.h"
#include "app/ChromeController.h"
#include "app/CommandLine.h"
#include "app/CommandRunner.h"
#include "app/DeviceWindow.h"
#include "app/DropTargets.h"
#include "app/PRButton.h"
#include "app/PRClosedButton.h"
#include "app/PRProgressView.h"
#include "app/RemovalController.h"
#include "app/StatusReport.h"
#include "metadata/WorkerMetadataClient.h"
#include "sources/PhotoListModel.h"
#include "support/TestPhotos.h"

#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTextDocumentFragment>

// The window's chrome driven through its buttons' signals: what each press
// runs and which pictures it leaves, the hover pictures, the exit
// confirmation, the photos named at start-up and the status bar.
class ChromeCommandsTest : public DelegateTest {
    Q_OBJECT

private:
    ChromeController* chrome() const { return m_app->chrome(); }
    QStringList m_called;         // the commands run, in order
    QStringList m_picturesDuring; // the pressed button's picture while its command ran
    PRButton* m_pressed = nullptr;
    QList<PRButton*> m_editButtons;

    std::function<void()> recorder(const QString& name) {
        return [this, name] {
            m_called << name;
            m_picturesDuring << (m_pressed ? m_pressed->picture() : QString());
        };
    }

    PRButton* buttonNamed(const QString& name) const {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* button = top->findChild<PRButton*>(name))
                return button;
        }
        return nullptr;
    }

    QMessageBox* exitBox() const { return chrome()->exitConfirmation(); }

private Q_SLOTS:
    void init() {
        launchDelegate();
        m_called.clear();
        m_picturesDuring.clear();
        // The edit form's buttons join as the form will join them.
        m_editButtons.clear();
        AppDelegate::EditFormHooks hooks;
        PRButton** slots[] = {&hooks.editBackBtn, &hooks.editTemplateBtn, &hooks.editApplyBtn,
                              &hooks.starteditBtn, &hooks.localeditexifBtn};
        const char* names[] = {"editBackBtn", "editTemplateBtn", "editApplyBtn", "starteditBtn",
                               "localeditexifBtn"};
        for (int i = 0; i < 5; ++i) {
            auto* button = new PRButton(QString::fromLatin1(names[i]), m_app->outlets().window);
            button->setObjectName(QString::fromLatin1(names[i]));
            button->show();
            *slots[i] = button;
            m_editButtons << button;
        }
        hooks.StartEditViewAction = recorder(QStringLiteral("StartEditViewAction"));
        hooks.HideEditViewAction = recorder(QStringLiteral("HideEditViewAction"));
        hooks.ClickApplyChangeAction = recorder(QStringLiteral("ClickApplyChangeAction"));
        m_app->wireEditForm(hooks);
    }
    void cleanup() {
        if (exitBox())
            exitBox()->close();
        closeDelegate();
    }

    void eachPressRunsItsCommandBetweenItsPictures_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("command");    // empty: none
        QTest::addColumn<QString>("during");     // the picture while it runs
        QTest::addColumn<QString>("after");      // the button's picture afterwards
        QTest::addColumn<QString>("menu");       // the menu opened below the button
        QTest::addColumn<QStringList>("others"); // button=picture of other buttons afterwards
        const QStringList none;
        QTest::newRow("open device") << "opendeviceBtn"
                                     << "OpenDeviceAction"
                                     << "opendevice.png"
                                     << "opendevice.png"
                                     << "" << none;
        QTest::newRow("delete") << "deletePhotoBtn"
                                << "DeletePhotoAction"
                                << "delete.png"
                                << "delete.png"
                                << "" << none;
        QTest::newRow("download") << "downloadPhotoBtn"
                                  << "DownloadPhotoAction"
                                  << "downloadphoto.png"
                                  << "downloadphoto.png"
                                  << "" << none;
        QTest::newRow("import to edit") << "importEditPhotoBtn"
                                        << "DownloadImportEditePhotoAction"
                                        << "importphototoedit.png"
                                        << "importphototoedit.png"
                                        << "" << none;
        QTest::newRow("device dates menu") << "viewExifBtn"
                                           << ""
                                           << ""
                                           << "editphotometa.png"
                                           << "editExifMenu" << none;
        QTest::newRow("device remove menu")
            << "removeExifBtn"
            << ""
            << ""
            << "deletemetadata.png"
            << "removeExifMenu" << QStringList{"viewExifBtn=editphotometa.png"};
        QTest::newRow("import menu") << "importPhotobtn"
                                     << ""
                                     << ""
                                     << ""
                                     << "importPhotoMenu" << none;
        QTest::newRow("remove menu") << "remoMetaDataLocalBtn"
                                     << ""
                                     << ""
                                     << ""
                                     << "removeExifMenu" << none;
        QTest::newRow("dates menu") << "editMetaDataLocalBtn"
                                    << ""
                                    << ""
                                    << ""
                                    << "editExifMenu" << none;
        QTest::newRow("import and export menu") << "importandExportBtn"
                                                << ""
                                                << ""
                                                << ""
                                                << "importandExportMenu" << none;
        QTest::newRow("camera source") << "cameraphotoBtn"
                                       << "ChangeToImportiOSDevicePhoto"
                                       << "cameraphotodown.png"
                                       << "cameraphotodown.png"
                                       << "" << QStringList{"localphotoBtn=localphotonom.png"};
        QTest::newRow("computer source") << "localphotoBtn"
                                         << "ChangeToImportComputerPhoto"
                                         << "localphotodown.png"
                                         << "localphotodown.png"
                                         << "" << QStringList{"cameraphotoBtn=cameraphotonom.png"};
        QTest::newRow("form back") << "editBackBtn"
                                   << "HideEditViewAction"
                                   << "backdown.png"
                                   << "backdown.png"
                                   << "" << none;
        QTest::newRow("form template") << "editTemplateBtn"
                                       << "ExportTemplateDataToPlist"
                                       << "templatedown.png"
                                       << "templatedown.png"
                                       << "" << none;
        QTest::newRow("form apply") << "editApplyBtn"
                                    << "ClickApplyChangeAction"
                                    << "applydown.png"
                                    << "applydown.png"
                                    << "" << none;
        QTest::newRow("start editing") << "starteditBtn"
                                       << "StartEditViewAction"
                                       << "editdown.png"
                                       << "editnom.png"
                                       << "" << none;
        QTest::newRow("edit metadata") << "localeditexifBtn"
                                       << "StartEditViewAction"
                                       << "editexifnom.png"
                                       << "editexifnom.png"
                                       << "" << none;
    }
    void eachPressRunsItsCommandBetweenItsPictures() {
        QFETCH(QString, button);
        QFETCH(QString, command);
        QFETCH(QString, during);
        QFETCH(QString, after);
        QFETCH(QString, menu);
        QFETCH(QStringList, others);
        ChromeCommands& c = chrome()->commands;
        for (const auto& [slot, name] :
             {std::pair{&c.OpenDeviceAction, "OpenDeviceAction"},
              {&c.DeletePhotoAction, "DeletePhotoAction"},
              {&c.DownloadPhotoAction, "DownloadPhotoAction"},
              {&c.DownloadImportEditePhotoAction, "DownloadImportEditePhotoAction"},
              {&c.ChangeToImportiOSDevicePhoto, "ChangeToImportiOSDevicePhoto"},
              {&c.ChangeToImportComputerPhoto, "ChangeToImportComputerPhoto"},
              {&c.ExportTemplateDataToPlist, "ExportTemplateDataToPlist"}})
            *slot = recorder(QString::fromLatin1(name));
        // Both windows wholly on the small offscreen screen, so that no menu
        // is pushed back onto it.
        m_app->outlets().window->move(60, 0);
        m_app->cameraWindow()->move(60, 0);
        m_app->cameraWindow()->show();
        PRButton* pressed = buttonNamed(button);
        QVERIFY(pressed);
        pressed->setEnabled(true);
        m_pressed = pressed;
        QSignalSpy downs(pressed, &PRButton::mouseDown);
        QTest::mousePress(pressed, Qt::LeftButton, {}, QPoint(4, 4));
        m_pressed = nullptr;
        QCOMPARE(downs.size(), 1);

        QCOMPARE(m_called, command.isEmpty() ? QStringList() : QStringList{command});
        QCOMPARE(m_picturesDuring, during.isEmpty() ? QStringList() : QStringList{during});
        QCOMPARE(pressed->picture(), after);
        for (const QString& other : others) {
            const QStringList parts = other.split(QLatin1Char('='));
            QCOMPARE(buttonNamed(parts[0])->picture(), parts[1]);
        }
        // Every pop-up menu is a child of the main window.
        for (QMenu* each : m_app->outlets().window->findChildren<QMenu*>()) {
            if (each->objectName().isEmpty() || each->parent() == m_app->outlets().window ||
                qobject_cast<QMenuBar*>(each->parentWidget()))
                continue;
            QCOMPARE(each->isVisible(), each->objectName() == menu);
            if (each->isVisible()) {
                // Its top-left corner at the button's lower-left corner.
                QCOMPARE(each->pos(), pressed->mapToGlobal(QPoint(0, pressed->height())));
                each->hide();
            }
        }
    }

    void openingTheDeviceOffersItsFourCommands() {
        DeviceWindow* w = m_app->cameraWindow();
        w->show();
        chrome()->commands.OpenDeviceAction = recorder(QStringLiteral("OpenDeviceAction"));
        for (PRButton* b :
             {w->deletePhotoBtn, w->downloadPhotoBtn, w->viewExifBtn, w->removeExifBtn})
            QVERIFY(!b->isEnabled());
        QTest::mousePress(w->opendeviceBtn, Qt::LeftButton);
        for (PRButton* b :
             {w->deletePhotoBtn, w->downloadPhotoBtn, w->viewExifBtn, w->removeExifBtn})
            QVERIFY(b->isEnabled());
        QVERIFY(w->importEditPhotoBtn->isEnabled());
    }

    void onlyTheFormsButtonsLightUpUnderThePointer_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("exited");
        QTest::newRow("back") << "editBackBtn"
                              << "backdown.png"
                              << "backnom.png";
        QTest::newRow("template") << "editTemplateBtn"
                                  << "templatedown.png"
                                  << "templatenom.png";
        QTest::newRow("apply") << "editApplyBtn"
                               << "applydown.png"
                               << "applynom.png";
        QTest::newRow("start editing") << "starteditBtn"
                                       << "editdown.png"
                                       << "editnom.png";
        QTest::newRow("edit metadata") << "localeditexifBtn"
                                       << "editexifnom.png"
                                       << "editexifnom.png";
        QTest::newRow("open device") << "opendeviceBtn"
                                     << "opendevice.png"
                                     << "opendevice.png";
        QTest::newRow("camera source") << "cameraphotoBtn"
                                       << "cameraphotonom.png"
                                       << "cameraphotonom.png";
    }
    void onlyTheFormsButtonsLightUpUnderThePointer() {
        QFETCH(QString, button);
        QFETCH(QString, entered);
        QFETCH(QString, exited);
        PRButton* b = buttonNamed(button);
        QVERIFY(b);
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QApplication::sendEvent(b, &enter);
        QCOMPARE(b->picture(), entered);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(b->picture(), exited);
    }

    void theBackButtonStaysLitAfterItsPressUntilThePointerLeaves() {
        PRButton* back = buttonNamed(QStringLiteral("editBackBtn"));
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QApplication::sendEvent(back, &enter);
        QTest::mousePress(back, Qt::LeftButton);
        QTest::mouseRelease(back, Qt::LeftButton);
        QCOMPARE(m_called, QStringList{"HideEditViewAction"});
        QCOMPARE(back->picture(), QStringLiteral("backdown.png"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(back, &leave);
        QCOMPARE(back->picture(), QStringLiteral("backnom.png"));
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
        m_app->state().storagelocation = storage;
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
        QVERIFY(chrome()->aboutWindow()->text().contains(m_app->state().storagelocation));
        QVERIFY(window->findChild<QAction*>(QStringLiteral("CheckforUpdateAction")));
    }

    void theMenuBarCarriesTheStandardShortcuts_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("item");
        QTest::newRow("open") << "Ctrl+O"
                              << "Import Photos…";
        QTest::newRow("quit") << "Ctrl+Q"
                              << "&Quit";
        QTest::newRow("preferences") << "Ctrl+,"
                                     << "Preferences…";
        QTest::newRow("help") << "F1"
                              << "Tessaview Support";
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
                    found << entry->text();
            }
        }
        QCOMPARE(found, QStringList{item});
    }
};

int main(int argc, char** argv) {
    return runGuiTests<ChromeCommandsTest>(argc, argv);
}

#include "ChromeCommandsTest.moc"
