#pragma once

#include "app/FileViewer.h"

#include <QApplication>
#include <QFile>
#include <QList>
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

// Runs a GUI test object offscreen in a fresh home: its own settings,
// Pictures folder and tile cache.
template <typename Test> int runGuiTests(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path() + QStringLiteral("/.cache")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    qunsetenv("XDG_PICTURES_DIR");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessaview"));
    QApplication::setApplicationName(QStringLiteral("Tessaview"));
    Test test;
    return QTest::qExec(&test, argc, argv);
}
