#include "app/AppDelegate.h"

#include "app/CameraWindow.h"
#include "app/ChromeController.h"
#include "app/CommandRunner.h"
#include "app/DeviceController.h"
#include "app/DisplayController.h"
#include "app/PreferencesController.h"
#include "app/TemplatesController.h"

#include "app/DropTargets.h"
#include "app/PRButton.h"
#include "app/PropertyOutlineView.h"
#include "app/SourceSelection.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTextEdit>
#include <QUrl>

// The chrome's buttons, the menu bar and the status bar meet their commands here.

void AppDelegate::wireChrome() {
    const MainWindowOutlets& o = m_outlets;
    const CameraWindow* w = m_device->cameraWindow();
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
    // Their commands: wireButtons, once the chrome has every button.
    m_chrome->attach(b);

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

// The Edit menu works on what has the keyboard: a text field's text, the
// property tree's rows, or else the photos of the browser.
void editFocused(QListView* browser, const SourceSelection& selection, char command) {
    QWidget* focused = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focused)) {
        command == 'c' ? line->copy() : command == 'a' ? line->selectAll() : line->deselect();
        return;
    }
    if (auto* text = qobject_cast<QTextEdit*>(focused)) {
        if (command == 'c') {
            text->copy();
        } else if (command == 'a') {
            text->selectAll();
        } else {
            QTextCursor cursor = text->textCursor();
            cursor.clearSelection();
            text->setTextCursor(cursor);
        }
        return;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
        if (command == 'c')
            plain->copy();
        else if (command == 'a')
            plain->selectAll();
        return;
    }
    if (auto* tree = qobject_cast<PropertyOutlineView*>(focused)) {
        command == 'c'   ? tree->copySelectedRows()
        : command == 'a' ? tree->selectAll()
                         : tree->clearSelection();
        return;
    }
    if (auto* view = qobject_cast<QAbstractItemView*>(focused); view && view != browser) {
        if (command == 'a')
            view->selectAll();
        else if (command == 'd')
            view->clearSelection();
        return;
    }
    if (command == 'a') {
        browser->selectAll();
    } else if (command == 'd') {
        browser->clearSelection();
    } else {
        // The selected photos as files, for a file manager or a text.
        QList<QUrl> urls;
        QStringList paths;
        for (const SelectedPhoto& photo : selection.selectedPhotos(SourceMode::Computer)) {
            urls << QUrl::fromLocalFile(photo.inputPath);
            paths << photo.inputPath;
        }
        if (paths.isEmpty())
            return;
        auto* data = new QMimeData;
        data->setUrls(urls);
        data->setText(paths.join(QLatin1Char('\n')));
        QGuiApplication::clipboard()->setMimeData(data);
    }
}

// A mnemonic for each item that has none: the first free initial of its
// words, else its first free letter, else its first. Items that chose their
// own keep it.
void giveMnemonics(const QList<QAction*>& actions) {
    QSet<QChar> used;
    for (const QAction* action : actions) {
        const QString text = action->text();
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (at >= 0 && at + 1 < text.size())
            used.insert(text.at(at + 1).toLower());
    }
    for (QAction* action : actions) {
        QString text = action->text();
        if (action->isSeparator() || text.isEmpty() || text.contains(QLatin1Char('&')))
            continue;
        qsizetype chosen = -1;
        for (qsizetype i = 0; i < text.size() && chosen < 0; ++i) {
            const bool initial = i == 0 || text.at(i - 1) == QLatin1Char(' ');
            if (initial && text.at(i).isLetterOrNumber() && !used.contains(text.at(i).toLower()))
                chosen = i;
        }
        for (qsizetype i = 0; i < text.size() && chosen < 0; ++i) {
            if (text.at(i).isLetterOrNumber() && !used.contains(text.at(i).toLower()))
                chosen = i;
        }
        // A long menu may have used all its letters: the key then moves
        // between the items that share it.
        for (qsizetype i = 0; i < text.size() && chosen < 0; ++i) {
            if (text.at(i).isLetterOrNumber())
                chosen = i;
        }
        if (chosen < 0)
            continue;
        used.insert(text.at(chosen).toLower());
        text.insert(chosen, QLatin1Char('&'));
        action->setText(text);
    }
    for (QAction* action : actions) {
        if (action->menu())
            giveMnemonics(action->menu()->actions());
    }
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

    QMenu* edit = bar->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    QListView* browser = o.localImageBrowserView;
    const SourceSelection* selection = m_selection.get();
    const std::pair<const char*, char> editCommands[] = {{QT_TR_NOOP("&Copy"), 'c'},
                                                         {QT_TR_NOOP("Select &All"), 'a'},
                                                         {QT_TR_NOOP("&Deselect"), 'd'}};
    for (const auto& [title, command] : editCommands) {
        QAction* item = edit->addAction(tr(title));
        item->setObjectName(command == 'c'   ? QStringLiteral("copyItem")
                            : command == 'a' ? QStringLiteral("selectAllItem")
                                             : QStringLiteral("deselectItem"));
        const auto standard = command == 'c'   ? QKeySequence::Copy
                              : command == 'a' ? QKeySequence::SelectAll
                                               : QKeySequence::Deselect;
        withShortcut(item, standard,
                     QKeySequence(command == 'c'   ? tr("Ctrl+C")
                                  : command == 'a' ? tr("Ctrl+A")
                                                   : tr("Ctrl+Shift+A")));
        connect(item, &QAction::triggered, o.window, [browser, selection, command = command] {
            editFocused(browser, *selection, command);
        });
    }

    edit->addSeparator();
    edit->addAction(o.removeFromListItem);

    QMenu* metadata = bar->addMenu(tr("&Metadata"));
    metadata->setObjectName(QStringLiteral("metadataMenu"));
    metadata->addActions(o.removeExifMenu->actions());
    metadata->addSeparator();
    metadata->addActions(o.editExifMenu->actions());
    metadata->addSeparator();
    // The form's command, which the bar offers as a button only.
    QAction* editFields = metadata->addAction(tr("Edit Fields…"));
    editFields->setObjectName(QStringLiteral("editFieldsItem"));
    editFields->setShortcut(QKeySequence(tr("Ctrl+E")));
    connect(editFields, &QAction::triggered, o.localeditexifBtn, &QAbstractButton::click);
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
    QAction* fullScreen = view->addAction(tr("Full Screen"));
    fullScreen->setObjectName(QStringLiteral("fullScreenItem"));
    fullScreen->setCheckable(true);
    withShortcut(fullScreen, QKeySequence::FullScreen, QKeySequence(Qt::Key_F11));
    if (!fullScreen->shortcuts().contains(QKeySequence(Qt::Key_F11)))
        fullScreen->setShortcuts(QList{QKeySequence(Qt::Key_F11)} + fullScreen->shortcuts());
    QMainWindow* window = o.window;
    connect(fullScreen, &QAction::triggered, window, [window](bool on) {
        window->setWindowState(on ? window->windowState() | Qt::WindowFullScreen
                                  : window->windowState() & ~Qt::WindowFullScreen);
    });
    // The window manager may have left full screen since.
    connect(view, &QMenu::aboutToShow, fullScreen,
            [window, fullScreen] { fullScreen->setChecked(window->isFullScreen()); });

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

    giveMnemonics(bar->actions());
}
