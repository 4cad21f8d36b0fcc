#include <QApplication>
#include <QMainWindow>

// The window comes with the photo browser; until then the application opens
// an empty main window of the final size.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaview"));
    QApplication::setApplicationVersion(QStringLiteral(TESSAVIEW_VERSION));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tessaview"));
    window.setFixedSize(900, 752);
    window.show();
    return application.exec();
}
