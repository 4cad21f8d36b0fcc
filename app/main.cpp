#include "app/AppDelegate.h"
#include "app/FileViewer.h"
#include "metadata/WorkerMetadataClient.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessaview"));
    QApplication::setApplicationName(QStringLiteral("Tessaview"));
    QApplication::setApplicationVersion(QStringLiteral(TESSAVIEW_VERSION));
    WorkerMetadataClient metadata;
    DesktopFileViewer fileViewer;
    AppDelegate controller(metadata, fileViewer);
    controller.applicationDidFinishLaunching();
    return application.exec();
}
