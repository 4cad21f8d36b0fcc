#include "app/WindowGeometry.h"

#include "app/MainWindowLayout.h"

#include <QAction>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>
#include <QSplitter>

namespace WindowGeometry {

namespace {

QString key(const QString& name) {
    return QStringLiteral("window/") + name;
}

QRect availableArea(const QWidget* near) {
    const QScreen* screen =
        near && near->screen() ? near->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
}

} // namespace

void centreOn(QWidget* window, const QWidget* over) {
    const QRect area = availableArea(over ? over : window);
    const QRect frame = window->frameGeometry();
    QPoint centre = over && over->isVisible() ? over->frameGeometry().center() : area.center();
    QRect placed(QPoint(0, 0), frame.size());
    placed.moveCenter(centre);
    // Kept on the screen, its title bar first.
    placed.moveRight(std::min(placed.right(), area.right()));
    placed.moveBottom(std::min(placed.bottom(), area.bottom()));
    placed.moveLeft(std::max(placed.left(), area.left()));
    placed.moveTop(std::max(placed.top(), area.top()));
    window->move(placed.topLeft());
}

void restoreMainWindow(const MainWindowOutlets& o, QSettings& settings) {
    QMainWindow* window = o.window;
    const QByteArray geometry = settings.value(key(QStringLiteral("geometry"))).toByteArray();
    if (geometry.isEmpty() || !window->restoreGeometry(geometry)) {
        window->resize(mainWindowFirstSize.boundedTo(availableArea(window).size() - QSize(16, 48)));
        centreOn(window, nullptr);
    }
    for (QSplitter* splitter : o.splitters()) {
        const QByteArray state = settings.value(key(splitter->objectName())).toByteArray();
        if (!state.isEmpty())
            splitter->restoreState(state);
    }
}

void saveMainWindow(const MainWindowOutlets& o, QSettings& settings) {
    settings.setValue(key(QStringLiteral("geometry")), o.window->saveGeometry());
    for (const QSplitter* splitter : o.splitters())
        settings.setValue(key(splitter->objectName()), splitter->saveState());
}

void restoreWindow(QWidget* window, QSettings& settings, const QString& name, QWidget* over) {
    const QByteArray geometry = settings.value(key(name)).toByteArray();
    if (geometry.isEmpty() || !window->restoreGeometry(geometry)) {
        window->resize(window->size().boundedTo(availableArea(over).size() - QSize(16, 48)));
        centreOn(window, over);
    }
}

void saveWindow(const QWidget* window, QSettings& settings, const QString& name) {
    settings.setValue(key(name), window->saveGeometry());
}

void closeWithEscapeAndCtrlW(QWidget* window) {
    auto* close = new QAction(window);
    QList<QKeySequence> keys{QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Close)) {
        if (!keys.contains(key))
            keys << key;
    }
    close->setShortcuts(keys);
    QObject::connect(close, &QAction::triggered, window, &QWidget::close);
    window->addAction(close);
}

} // namespace WindowGeometry
