#pragma once

#include "app/AppDelegate.h"
#include "app/ChangeConfirmation.h"
#include "app/ChangePreviewWindow.h"
#include "app/DateTimeField.h"
#include "app/DropTargets.h"
#include "app/EditFormController.h"
#include "app/FileViewer.h"
#include "app/FormFieldText.h"
#include "app/MainWindowLayout.h"
#include "app/Plurals.h"
#include "app/PreferencesController.h"
#include "app/SourceSelection.h"
#include "metadata/WorkerMetadataClient.h"
#include "sources/PhotoListModel.h"
#include "support/TestPhotos.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

// Records what the window asked the file viewer to show.
class RecordingFileViewer : public FileViewer {
public:
    void revealFiles(const QStringList& paths) override { revealed << paths; }
    void openFolder(const QString& folder) override { opened << folder; }
    QList<QStringList> revealed;
    QStringList opened;
};

// The alerts up on the screen.
// The offscreen platform leaves activating a window to the test. Qt 6.5
// deprecates the call that does it but offers none that works there.
inline void activateForTest(QWidget* window) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    QApplication::setActiveWindow(window);
#pragma GCC diagnostic pop
}

inline QList<QMessageBox*> openAlerts() {
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes << box;
    }
    return boxes;
}

// The fixture of the command tests: each test gets a launched controller over
// the worker (or the service given), writing into a storage folder of its own
// inside its photo folder.
class DelegateTest : public QObject {
protected:
    void launchDelegate(MetadataService* service = nullptr) {
        m_photos = new TestFolder;
        m_viewer = new RecordingFileViewer;
        m_app = new AppDelegate(service ? *service : m_metadata, *m_viewer);
        m_app->applicationDidFinishLaunching();
        m_app->storage().storagelocation = m_photos->file(QStringLiteral("storage"));
        QDir().mkpath(m_app->storage().storagelocation);
    }
    // Alerts a test left up go before their window does.
    void closeDelegate() {
        for (QMessageBox* box : openAlerts())
            box->close();
        delete m_app;
        delete m_viewer;
        delete m_photos;
    }
    const MainWindowOutlets& o() const { return m_app->outlets(); }
    QString photo(const QString& fixture, const QString& as = QString()) {
        return m_photos->copyPhoto(fixture, as);
    }
    QString stored(const QString& name) const {
        return m_app->storage().storagelocation + QLatin1Char('/') + name;
    }
    QStringList storedFiles() const {
        return QDir(m_app->storage().storagelocation).entryList(QDir::Files, QDir::Name);
    }
    // Lists the photos, selects them all and waits until the form shows the first.
    bool listAndSelect(const QStringList& paths) {
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        m_app->openPanelDidEnd1(1, paths);
        o().localImageBrowserView->selectAll();
        return shown.wait(10000) || !shown.isEmpty();
    }
    // Applies the form, answering the question (when it comes) with the given button.
    bool applyAndWait(bool confirm = true) {
        QSignalSpy finished(m_app, &AppDelegate::commandFinished);
        connect(m_app->editForm()->confirmation(), &ChangeConfirmation::previewShown, this,
                [confirm](ChangePreviewWindow* window) {
                    (confirm ? window->confirmButton : window->cancelButton)->click();
                });
        QTest::mouseClick(o().editApplyBtn, Qt::LeftButton);
        const bool done = finished.wait(confirm ? 60000 : 1500);
        disconnect(m_app->editForm()->confirmation(), nullptr, this, nullptr);
        return done;
    }
    // Lists the photos, selects the first of them and waits until it is shown.
    bool showAndWait(const QStringList& paths) {
        m_app->openPanelDidEnd1(1, paths);
        return selectRow(m_app->localPhotoItemArray()->rowCount() - int(paths.size()));
    }
    bool selectRow(int row) {
        QSignalSpy shown(m_app, &AppDelegate::photoShown);
        m_app->outlets().localImageBrowserView->selectionModel()->select(
            m_app->shownIndexOfRow(row), QItemSelectionModel::ClearAndSelect);
        return shown.wait(10000);
    }

    WorkerMetadataClient m_metadata;
    RecordingFileViewer* m_viewer = nullptr;
    TestFolder* m_photos = nullptr;
    AppDelegate* m_app = nullptr;
};

// A fresh home for the process: its own settings, Pictures folder and caches.
inline void useHome(const QTemporaryDir& home) {
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path() + QStringLiteral("/.cache")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    qunsetenv("XDG_PICTURES_DIR");
}

// How many test objects the executable has run so far.
inline int& testObjectsRun() {
    static int count = 0;
    return count;
}

// A test object of one of the executable's other files. Of the test
// functions named on the command line it is given those it has, and it is
// not run where they are all another object's.
template <typename Test> int runTestObject(int argc, char** argv) {
    Test test;
    static const QStringList valued = {"-o",          "-maxwarnings", "-eventdelay", "-keydelay",
                                       "-mousedelay", "-seed",        "-repeat"};
    std::vector<char*> kept = {argv[0]};
    bool named = false, mine = false;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument.startsWith(QLatin1Char('-'))) {
            kept.push_back(argv[i]);
            if (valued.contains(argument) && i + 1 < argc)
                kept.push_back(argv[++i]);
            continue;
        }
        named = true;
        const QByteArray function = argument.section(QLatin1Char(':'), 0, 0).toLatin1() + "()";
        if (test.metaObject()->indexOfMethod(function.constData()) >= 0) {
            kept.push_back(argv[i]);
            mine = true;
        }
    }
    if (named && !mine)
        return 0;
    ++testObjectsRun();
    return QTest::qExec(&test, int(kept.size()), kept.data());
}

// Runs a GUI test object offscreen in a fresh home, then the executable's
// others, each by its runTestObject.
template <typename Test>
int runGuiTests(int argc, char** argv, std::initializer_list<int (*)(int, char**)> others = {}) {
    QTemporaryDir home;
    useHome(home);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessaview"));
    QApplication::setApplicationName(QStringLiteral("Tessaview"));
    EnglishPlurals plurals;
    QApplication::installTranslator(&plurals);
    int failed = runTestObject<Test>(argc, argv);
    for (const auto run : others)
        failed += run(argc, argv);
    if (testObjectsRun() == 0) { // a name no object has: the first says so
        Test test;
        return QTest::qExec(&test, argc, argv);
    }
    return failed;
}
