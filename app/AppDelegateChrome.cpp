#include "app/AppDelegate.h"

#include "app/ChromeController.h"
#include "app/CommandRunner.h"
#include "app/DeviceController.h"
#include "app/DeviceWindow.h"
#include "app/DisplayController.h"
#include "app/PreferencesController.h"
#include "app/TemplatesController.h"

#include <QAction>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

// The chrome's buttons, the menu bar and the status bar meet their commands here.

void AppDelegate::wireChrome() {
    const MainWindowOutlets& o = m_outlets;
    const DeviceWindow* w = m_device->cameraWindow();
    ChromeButtons b;
    b.opendeviceBtn = w->opendeviceBtn;
    b.deletePhotoBtn = w->deletePhotoBtn;
    b.downloadPhotoBtn = w->downloadPhotoBtn;
    b.importEditPhotoBtn = w->importEditPhotoBtn;
    b.viewExifBtn = w->viewExifBtn;
    b.removeExifBtn = w->removeExifBtn;
    b.importPhotobtn = o.importPhotobtn;
    b.remoMetaDataLocalBtn = o.remoMetaDataLocalBtn;
    b.editMetaDataLocalBtn = o.editMetaDataLocalBtn;
    b.importandExportBtn = o.importandExportBtn;
    b.cameraphotoBtn = o.cameraphotoBtn;
    b.localphotoBtn = o.localphotoBtn;
    b.editExifMenu = o.editExifMenu;
    b.removeExifMenu = o.removeExifMenu;
    b.importPhotoMenu = o.importPhotoMenu;
    b.importandExportMenu = o.importandExportMenu;
    m_chrome->attach(b);

    ChromeCommands& c = m_chrome->commands;
    DeviceController* d = m_device.get();
    DisplayController* display = m_display.get();
    TemplatesController* templates = m_templates.get();
    c.OpenDeviceAction = [d] { d->OpenDeviceAction(); };
    c.DeletePhotoAction = [d] { d->DeletePhotoAction(); };
    c.DownloadPhotoAction = [d] { d->DownloadPhotoAction(); };
    c.DownloadImportEditePhotoAction = [d] { d->DownloadImportEditePhotoAction(); };
    c.ChangeToImportiOSDevicePhoto = [d] { d->ChangeToImportiOSDevicePhoto(); };
    c.ChangeToImportComputerPhoto = [display] { display->ChangeToImportComputerPhoto(); };
    c.ExportTemplateDataToPlist = [templates] { templates->ExportTemplateDataToPlist(); };
    // The edit form's own commands: wireEditForm.

    ChromeController* chrome = m_chrome.get();
    const CommandRunner* runner = m_runner.get();
    const StorageLocation* storage = &m_storage;
    connect(runner, &CommandRunner::commandFinished, chrome, [runner, storage, chrome] {
        const OperationReport& report = runner->lastReport();
        const QString folder = report.written.isEmpty()
                                   ? storage->storagelocation
                                   : QFileInfo(report.written.first()).absolutePath();
        chrome->showReport(report, folder);
    });
    connect(m_templates.get(), &TemplatesController::exportFinished, chrome,
            &ChromeController::showExport);
    connect(m_device.get(), &DeviceController::deviceDownloadsFinished, chrome,
            [storage, chrome](const QList<DownloadOutcome>& outcomes) {
                OperationReport report;
                for (const DownloadOutcome& outcome : outcomes) {
                    if (outcome.isOk())
                        report.written << outcome.path;
                    else
                        report.skipped.append({outcome.file.displayName(), outcome.error});
                }
                chrome->showReport(report, storage->storagelocation);
            });
}

namespace {

QAction* withShortcut(QAction* action, QKeySequence::StandardKey standard,
                      const QKeySequence& otherwise = {}) {
    const QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
    action->setShortcuts(keys.isEmpty() && !otherwise.isEmpty() ? QList{otherwise} : keys);
    return action;
}

} // namespace

void AppDelegate::wireMenuBar() {
    const MainWindowOutlets& o = m_outlets;
    QMenuBar* bar = o.window->menuBar();
    ChromeController* chrome = m_chrome.get();

    QMenu* file = bar->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    file->addAction(withShortcut(o.importItem, QKeySequence::Open));
    file->addAction(o.clearAndImportItem);
    o.clearAndImportItem->setShortcut(QKeySequence(tr("Ctrl+Shift+O")));
    file->addAction(o.openFolderItem);
    file->addSeparator();
    file->addAction(o.clearItem);
    file->addSeparator();
    QAction* preferences = file->addAction(tr("Preferences…"));
    preferences->setObjectName(QStringLiteral("preferencesItem"));
    withShortcut(preferences, QKeySequence::Preferences, QKeySequence(tr("Ctrl+,")));
    preferences->setMenuRole(QAction::PreferencesRole);
    connect(preferences, &QAction::triggered, m_preferences.get(),
            &PreferencesController::ShowPreferenceSetting);
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"));
    quit->setObjectName(QStringLiteral("quitItem"));
    withShortcut(quit, QKeySequence::Quit, QKeySequence(tr("Ctrl+Q")));
    quit->setMenuRole(QAction::QuitRole);
    // Quitting is closing the window, which asks first.
    connect(quit, &QAction::triggered, o.window, &QWidget::close);

    QMenu* metadata = bar->addMenu(tr("&Metadata"));
    metadata->setObjectName(QStringLiteral("metadataMenu"));
    metadata->addActions(o.removeExifMenu->actions());
    metadata->addSeparator();
    metadata->addActions(o.editExifMenu->actions());
    metadata->addSeparator();
    metadata->addAction(o.revertItem);
    // The test position is for trying the GPS writer: once, here, not beside
    // the everyday commands of the button's menu.
    o.editExifMenu->removeAction(o.fixedPositionItem);

    QMenu* source = bar->addMenu(tr("&Source"));
    source->setObjectName(QStringLiteral("sourceMenu"));
    source->addAction(o.changtoComputermodemenu);
    source->addAction(o.changtoiOSmodemenu);

    bar->addMenu(o.importandExportMenu);

    QMenu* view = bar->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("viewMenu"));
    view->addAction(o.storedValuesItem);
    view->addSeparator();
    view->addAction(o.largerThumbnailsItem);
    view->addAction(o.smallerThumbnailsItem);
    view->addSeparator();
    view->addAction(o.fullSizeItem);

    QMenu* help = bar->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    QAction* support = help->addAction(tr("Tessaview Support"));
    support->setObjectName(QStringLiteral("supportItem"));
    withShortcut(support, QKeySequence::HelpContents);
    connect(support, &QAction::triggered, chrome, &ChromeController::CLICkSupport);
    QAction* update = help->addAction(tr("Check for Updates…"));
    update->setObjectName(QStringLiteral("CheckforUpdateAction"));
    connect(update, &QAction::triggered, chrome, &ChromeController::CheckforUpdateAction);
    help->addSeparator();
    QAction* about = help->addAction(tr("About Tessaview"));
    about->setObjectName(QStringLiteral("aboutItem"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, chrome, &ChromeController::ClickAbout);
}
