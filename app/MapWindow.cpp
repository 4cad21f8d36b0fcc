#include "app/MapWindow.h"

#include "app/MapWidget.h"

#include <QAction>
#include <QVBoxLayout>

MapWindow::MapWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("mapWindow"));
    setWindowTitle(tr("Map"));
    currentMapView = new MapWidget;
    currentMapView->setObjectName(QStringLiteral("currentMapView"));
    currentMapView->setMinimumSize(480, 360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(currentMapView);
    resize(640, 480);
    // Closed by Escape and Ctrl+W, as a document window is.
    auto* close = new QAction(this);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence::Close});
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
}
