#pragma once

#include "app/AppDelegate.h"
#include "app/DateTimeField.h"
#include "app/FileViewer.h"
#include "app/FormFieldText.h"
#include "app/Plurals.h"
#include "app/PreferencesController.h"
#include "app/SourceSelection.h"
#include "metadata/WorkerMetadataClient.h"
#include "support/TestPhotos.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

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
// the worker, writing into a storage folder of its own inside its photo folder.
class DelegateTest : public QObject {
protected:
    void launchDelegate() {
        m_photos = new TestFolder;
        m_viewer = new RecordingFileViewer;
        m_app = new AppDelegate(m_metadata, *m_viewer);
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

// Runs a GUI test object offscreen in a fresh home.
template <typename Test> int runGuiTests(int argc, char** argv) {
    QTemporaryDir home;
    useHome(home);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessaview"));
    QApplication::setApplicationName(QStringLiteral("Tessaview"));
    EnglishPlurals plurals;
    QApplication::installTranslator(&plurals);
    Test test;
    return QTest::qExec(&test, argc, argv);
}
