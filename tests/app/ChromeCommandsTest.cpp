#include "GuiTestSupport.h"
#include "app/AppDelegate.h"
#include "app/CameraWindow.h"
#include "app/ChromeController.h"
#include "app/DeviceController.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/EditFormController.h"
#include "app/PRButton.h"
#include "app/TemplatesController.h"
#include "metadata/WorkerMetadataClient.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

// The window's chrome driven through its buttons' signals: what each press
// runs, which menu it opens and which pictures it leaves, and the hover
// pictures.
class ChromeCommandsTest : public DelegateTest {
    Q_OBJECT

private:
    ChromeController* chrome() const { return m_app->chrome(); }
    QStringList m_called;         // the commands run, in order
    QStringList m_picturesDuring; // the pressed button's picture while its command ran
    PRButton* m_pressed = nullptr;

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

    // The button's command as the window wires it, taken off the button and
    // recorded instead: the real commands are the other tests' business.
    template <class Receiver>
    void recordInstead(const char* button, Receiver* receiver, void (Receiver::*command)(),
                       const char* name) {
        PRButton* pressed = buttonNamed(QString::fromLatin1(button));
        QVERIFY2(pressed, button);
        QVERIFY2(QObject::disconnect(pressed, &PRButton::mouseDown, receiver, command), button);
        QVERIFY2(QObject::disconnect(pressed, &QPushButton::clicked, receiver, command), button);
        const auto record = recorder(QString::fromLatin1(name));
        connect(pressed, &PRButton::mouseDown, this, record);
        connect(pressed, &QPushButton::clicked, this, record);
    }

private Q_SLOTS:
    void init() {
        launchDelegate();
        m_called.clear();
        m_picturesDuring.clear();
        // Each command records that it ran and the pressed button's picture
        // meanwhile.
        DeviceController* device = m_app->device();
        recordInstead("opendeviceBtn", device, &DeviceController::OpenDeviceAction,
                      "OpenDeviceAction");
        recordInstead("deletePhotoBtn", device, &DeviceController::DeletePhotoAction,
                      "DeletePhotoAction");
        recordInstead("downloadPhotoBtn", device, &DeviceController::DownloadPhotoAction,
                      "DownloadPhotoAction");
        recordInstead("importEditPhotoBtn", device,
                      &DeviceController::DownloadImportEditePhotoAction,
                      "DownloadImportEditePhotoAction");
        recordInstead("cameraphotoBtn", device, &DeviceController::ChangeToImportiOSDevicePhoto,
                      "ChangeToImportiOSDevicePhoto");
        recordInstead("localphotoBtn", m_app->display(),
                      &DisplayController::ChangeToImportComputerPhoto,
                      "ChangeToImportComputerPhoto");
        recordInstead("editTemplateBtn", m_app->templates(),
                      &TemplatesController::ExportTemplateDataToPlist, "ExportTemplateDataToPlist");
        EditFormController* form = m_app->editForm();
        recordInstead("localeditexifBtn", form, &EditFormController::StartEditViewAction,
                      "StartEditViewAction");
        recordInstead("editBackBtn", form, &EditFormController::HideEditViewAction,
                      "HideEditViewAction");
        recordInstead("editApplyBtn", form, &EditFormController::ClickApplyChangeAction,
                      "ClickApplyChangeAction");
        // The form's buttons take presses while the form is out.
        m_app->outlets().editView->show();
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
                                     << "importphotos.png"
                                     << "importPhotoMenu" << none;
        QTest::newRow("remove menu") << "remoMetaDataLocalBtn"
                                     << ""
                                     << ""
                                     << "deletemetadata.png"
                                     << "removeExifMenu" << none;
        QTest::newRow("dates menu") << "editMetaDataLocalBtn"
                                    << ""
                                    << ""
                                    << "editphotometa.png"
                                    << "editExifMenu" << none;
        QTest::newRow("import and export menu") << "importandExportBtn"
                                                << ""
                                                << ""
                                                << "exportmetadata.png"
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
        // Both windows wholly on the small offscreen screen, so that no menu
        // is pushed back onto it.
        m_app->outlets().window->move(0, 0);
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
        CameraWindow* w = m_app->cameraWindow();
        w->show();
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
};

int main(int argc, char** argv) {
    return runGuiTests<ChromeCommandsTest>(argc, argv);
}

#include "ChromeCommandsTest.moc"
