#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/FileViewer.h"
#include "app/Plurals.h"
#include "metadata/SystemLog.h"
#include "metadata/WorkerMetadataClient.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    SystemLog::install(SystemLog::interactiveDefault(), "tessaview");
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessaview"));
    QApplication::setApplicationName(QStringLiteral("Tessaview"));
    QApplication::setApplicationVersion(QStringLiteral(TESSAVIEW_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tessaview"));
    EnglishPlurals plurals;
    QApplication::installTranslator(&plurals);
    QStringList missing;
    const QStringList photos =
        photoArguments(QApplication::arguments().mid(1), QDir::currentPath(), &missing);
    for (const QString& name : missing)
        std::fprintf(stderr, "tessaview: cannot read %s\n", qPrintable(name));
    WorkerMetadataClient metadata;
    DesktopFileViewer fileViewer;
    AppDelegate controller(metadata, fileViewer);
    controller.applicationDidFinishLaunching();
    metadata.startWorkers();
    controller.openFiles(photos);
    return application.exec();
}
